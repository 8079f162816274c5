#include "excelworkbooks.h"

#include "excelsession.h"
#include "officelockfile.h"

#include <QFileInfo>

ExcelWorkbooks::ExcelWorkbooks(std::shared_ptr<ExcelSession> session)
    : m_session(std::move(session))
{
}

ExcelWorkbook ExcelWorkbooks::Open(const QString &path, OpenMode mode)
{
    ExcelSession &session = *m_session;
    return session.run([&] {
        if (session.quit || session.released)
            throw SpreadsheetError(QStringLiteral("Приложение уже закрыто: книгу открыть нельзя."));
        const QFileInfo info(path);
        if (!info.exists())
            throw SpreadsheetError(QStringLiteral("Не найден файл книги «%1».").arg(path));
        if (!info.isFile())
            throw SpreadsheetError(QStringLiteral("«%1» — не файл книги.").arg(path));
        const QString absolute = info.absoluteFilePath();

        if (mode == OpenForEditing) {
            // The office itself would open a locked file quietly read-only
            // (or not at all) without saying why; the clerk should know who
            // holds it.
            if (const auto lock = OfficeLockFile::find(absolute)) {
                if (!lock->isStale())
                    throw SpreadsheetError(
                        QStringLiteral("Файл «%1» уже открыт для редактирования: %2.")
                            .arg(info.fileName(), lock->holder()));
                lock->remove();
            }
        }

        CalcOffice &office = CalcOffice::instance();
        CalcBackend &backend = office.backend();
        auto doc = std::make_shared<ExcelDocument>();
        doc->id = backend.loadDocument(absolute, mode == OpenCopy);
        doc->generation = office.generation();
        doc->openedPath = absolute;
        if (mode == OpenForEditing)
            doc->boundPath = absolute;
        session.documents.append(doc);
        return ExcelWorkbook(m_session, doc);
    });
}

int ExcelWorkbooks::Count() const
{
    int open = 0;
    for (const auto &doc : m_session->documents)
        if (doc->open)
            ++open;
    return open;
}

ExcelWorkbook ExcelWorkbooks::Item(int index) const
{
    int seen = 0;
    for (const auto &doc : m_session->documents)
        if (doc->open && ++seen == index)
            return ExcelWorkbook(m_session, doc);
    return m_session->run([&]() -> ExcelWorkbook {
        throw SpreadsheetError(QStringLiteral("Нет открытой книги с номером %1.").arg(index));
    });
}
