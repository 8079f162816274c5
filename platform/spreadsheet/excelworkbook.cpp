#include "excelworkbook.h"

#include "excelsession.h"
#include "officelockfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

// Each print gets a file of its own, so tests can count and read them.
QString nextPdfPath(const QString &directory, const QString &workbookName)
{
    static int counter = 0;
    QDir dir(directory);
    const QString base = QFileInfo(workbookName).completeBaseName();
    for (;;) {
        const QString name = QStringLiteral("%1-%2-%3.pdf")
                                 .arg(base.isEmpty() ? QStringLiteral("printout") : base)
                                 .arg(getpid())
                                 .arg(++counter, 4, 10, QLatin1Char('0'));
        if (!dir.exists(name))
            return dir.filePath(name);
    }
}

} // namespace

ExcelWorkbook::ExcelWorkbook(std::shared_ptr<ExcelSession> session, std::shared_ptr<ExcelDocument> doc)
    : m_session(std::move(session))
    , m_doc(std::move(doc))
{
}

void ExcelWorkbook::SaveAs(const QString &path)
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        const QFileInfo info(path);
        const QString absolute = info.absoluteFilePath();
        if (!info.absoluteDir().exists())
            throw SpreadsheetError(QStringLiteral("Не удалось сохранить книгу: нет папки «%1».")
                                       .arg(info.absolutePath()));
        if (const auto lock = OfficeLockFile::find(absolute)) {
            if (!lock->isStale() && absolute != m_doc->boundPath)
                throw SpreadsheetError(
                    QStringLiteral("Не удалось сохранить книгу: файл «%1» открыт для "
                                   "редактирования (%2).")
                        .arg(info.fileName(), lock->holder()));
            if (lock->isStale())
                lock->remove();
        }
        backend.storeDocumentAs(m_doc->id, absolute, ExcelSession::filterFor(absolute));
        m_doc->boundPath = absolute;
    });
}

void ExcelWorkbook::Save()
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        if (m_doc->boundPath.isEmpty())
            throw SpreadsheetError(QStringLiteral(
                "Книга ещё не сохранялась под своим именем: сохраните её через SaveAs."));
        backend.storeDocument(m_doc->id);
    });
}

bool ExcelWorkbook::Saved() const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) { return !backend.isModified(m_doc->id); });
}

ExcelWorksheet ExcelWorkbook::Worksheets(int index) const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        const int count = backend.sheetCount(m_doc->id);
        if (index < 1 || index > count)
            throw SpreadsheetError(QStringLiteral("В книге нет листа с номером %1.").arg(index));
        return ExcelWorksheet(m_session, m_doc, index - 1);
    });
}

int ExcelWorkbook::WorksheetCount() const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) { return backend.sheetCount(m_doc->id); });
}

void ExcelWorkbook::PrintOut()
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        const QString directory = CalcOffice::printToPdfDirectory();
        if (directory.isEmpty()) {
            backend.print(m_doc->id, QString());
            return;
        }
        if (!QDir().mkpath(directory))
            throw SpreadsheetError(
                QStringLiteral("Не удалось создать папку для печати «%1».").arg(directory));
        const QString pdf = nextPdfPath(directory, FullName());
        backend.print(m_doc->id, pdf);
        if (!QFileInfo::exists(pdf))
            throw SpreadsheetError(
                QStringLiteral("Печать в файл «%1» не удалась: файл не появился.").arg(pdf));
    });
    CalcOffice::instance().notePrinted();
}

void ExcelWorkbook::Close()
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        m_doc->open = false;
        backend.closeDocument(m_doc->id);
    });
}

QString ExcelWorkbook::FullName() const
{
    if (!m_doc)
        return {};
    return m_doc->boundPath.isEmpty() ? m_doc->openedPath : m_doc->boundPath;
}

QString ExcelWorkbook::Name() const
{
    return QFileInfo(FullName()).fileName();
}
