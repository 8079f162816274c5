#include "ui/qttranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace {

// Qt's Russian file leaves "OK" in Latin letters; a Russian desktop writes
// the button "ОК". Asked before Qt's own file, and empty for everything else.
class RussianButtonTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *sourceText, const char * /*disambiguation*/,
                      int /*n*/) const override
    {
        if (context && sourceText && std::strcmp(context, "QPlatformTheme") == 0
            && std::strcmp(sourceText, "OK") == 0)
            return QStringLiteral("ОК");
        return QString();
    }
};

} // namespace

bool InstallQtTranslation()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    // The application owns them: a translator must outlive every text it gives.
    auto *qtTexts = new QTranslator(app);
    if (!qtTexts->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(qtTexts)) {
        delete qtTexts;
        return false;
    }
    // Installed last, asked first.
    QCoreApplication::installTranslator(new RussianButtonTexts(app));
    return true;
}
