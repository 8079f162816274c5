#include "excelsession.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

QString ExcelSession::filterFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xlsx"))
        return QStringLiteral("Calc MS Excel 2007 XML");
    if (suffix == QLatin1String("ods"))
        return QStringLiteral("calc8");
    return QStringLiteral("MS Excel 97");
}

QString ExcelSession::importFilterFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xls"))
        return QStringLiteral("MS Excel 97");
    if (suffix == QLatin1String("xlsx"))
        return QStringLiteral("Calc MS Excel 2007 XML");
    if (suffix == QLatin1String("ods"))
        return QStringLiteral("calc8");
    if (suffix == QLatin1String("fods"))
        return QStringLiteral("OpenDocument Spreadsheet Flat");
    return QString();
}

namespace {

// A changed workbook that was never saved needs a file of its own to be
// shown from; the template it came from must stay as it is. Created here,
// readable by its owner only: the office keeps that mode when it saves over
// it, and what was filled in is nobody else's business.
QString scratchCopyFor(const QString &openedPath)
{
    const QFileInfo info(openedPath);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("xls") : info.suffix();
    for (;;) {
        const QString name = QStringLiteral("%1 (%2).%3")
                                 .arg(info.completeBaseName())
                                 .arg(QRandomGenerator::global()->bounded(1000000))
                                 .arg(suffix);
        const QString path = QDir::temp().filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner)
            || !QFileInfo::exists(path))
            return path;
    }
}

} // namespace

std::shared_ptr<ExcelSession> ExcelSession::orNone(const std::shared_ptr<ExcelSession> &session)
{
    static const auto none = std::make_shared<ExcelSession>();
    return session ? session : none;
}

void ExcelSession::fail(const QString &message)
{
    failed = true;
    throw SpreadsheetError(message);
}

void ExcelSession::requireOpen(const std::shared_ptr<ExcelDocument> &doc)
{
    if (!doc)
        throw SpreadsheetError(QStringLiteral("Книга не открыта."));
    if (!doc->open)
        throw SpreadsheetError(QStringLiteral("Книга «%1» уже закрыта.")
                                   .arg(QFileInfo(doc->boundPath.isEmpty() ? doc->openedPath
                                                                           : doc->boundPath)
                                            .fileName()));
}

void ExcelSession::closeAll()
{
    CalcOffice &office = CalcOffice::instance();
    CalcBackend *backend = office.runningBackend();
    for (const auto &doc : documents) {
        if (!doc->open)
            continue;
        doc->open = false;
        if (!backend || doc->generation != office.generation())
            continue;
        try {
            backend->closeDocument(doc->id);
        } catch (const std::exception &e) {
            qWarning().noquote() << "Closing a workbook failed:" << e.what();
            office.noteFailure();
        }
    }
}

void ExcelSession::handOver()
{
    QStringList files;
    try {
        for (const auto &doc : documents) {
            if (!doc->open)
                continue;
            const QString file = run(doc, [&](CalcBackend &backend) {
                const bool modified = backend.isModified(doc->id);
                QString path = doc->boundPath;
                if (path.isEmpty()) {
                    // Untouched copy: the clerk gets the file itself, as
                    // Excel would show the workbook it opened.
                    path = doc->openedPath;
                    if (modified) {
                        path = scratchCopyFor(doc->openedPath);
                        backend.storeDocumentAs(doc->id, path, ExcelSession::filterFor(path));
                    }
                } else if (modified) {
                    backend.storeDocument(doc->id);
                }
                // Our office must let go of the file before the clerk's opens it.
                doc->open = false;
                backend.closeDocument(doc->id);
                return path;
            });
            files << file;
        }
        run([&] { CalcOffice::instance().showToClerk(files); });
    } catch (...) {
        closeAll();
        throw;
    }
}
