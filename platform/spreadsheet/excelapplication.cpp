#include "excelapplication.h"

#include "calcoffice.h"
#include "excelsession.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>

#include <exception>

ExcelApplication::ExcelApplication()
    : m_session(std::make_shared<ExcelSession>())
    , m_uncaughtAtStart(std::uncaught_exceptions())
{
    CalcOffice::instance().enter();
}

ExcelApplication::~ExcelApplication()
{
    // Whatever happens below, this instance's workbooks are done with then.
    struct Leave
    {
        ~Leave() { CalcOffice::instance().leave(); }
    } leave;
    if (m_session->quit || m_session->released)
        return;
    if (std::uncaught_exceptions() > m_uncaughtAtStart)
        m_session->failed = true;
    try {
        Release();
    } catch (const SpreadsheetError &e) {
        qCritical().noquote() << e.message();
        if (qobject_cast<QApplication *>(QCoreApplication::instance()) && !CalcOffice::isHeadless())
            QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), e.message());
    }
}

ExcelWorkbooks ExcelApplication::Workbooks()
{
    return ExcelWorkbooks(m_session);
}

bool ExcelApplication::Visible() const
{
    return m_session->visible;
}

void ExcelApplication::setVisible(bool visible)
{
    m_session->visible = visible;
}

bool ExcelApplication::DisplayAlerts() const
{
    return m_session->displayAlerts;
}

void ExcelApplication::setDisplayAlerts(bool displayAlerts)
{
    m_session->displayAlerts = displayAlerts;
}

void ExcelApplication::Quit()
{
    m_session->closeAll();
    m_session->quit = true;
}

void ExcelApplication::Release()
{
    if (m_session->quit || m_session->released)
        return;
    m_session->released = true;
    if (m_session->visible && !m_session->failed)
        m_session->handOver();
    else
        m_session->closeAll();
}
