#include "excelworkbooks.h"

#include "excelsession.h"
#include "officelockfile.h"
#include "workbookfilecheck.h"

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
        // Read only with the filter of the file's own format, and only when
        // whole: the office would otherwise import a damaged file as text or
        // open what is left of it, and print that.
        const QString filter = ExcelSession::importFilterFor(absolute);
        if (filter.isEmpty())
            throw SpreadsheetError(
                QStringLiteral("Не удалось открыть файл «%1»: это не книга электронной таблицы.")
                    .arg(path));

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
        // Looked at once the office is there, so that a machine without one
        // hears about that first, whatever the file.
        const QString defect = WorkbookFileCheck::defect(absolute);
        if (!defect.isEmpty())
            throw SpreadsheetError(
                QStringLiteral("Не удалось открыть файл «%1»: %2.").arg(path, defect));
        auto doc = std::make_shared<ExcelDocument>();
        try {
            doc->id = backend.loadDocument(absolute, mode == OpenCopy, filter);
        } catch (const std::exception &) {
            // An office that died just before still looked alive. Opening is
            // the first thing a print asks of it, so nothing is half done
            // yet, and a fresh office can take over.
            if (!office.forgetIfDied())
                throw;
            doc->id = office.backend().loadDocument(absolute, mode == OpenCopy, filter);
        }
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
