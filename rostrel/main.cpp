#include "rostrelmain.h"

#include "database/firebirdenv.h"
#include "ui/qttranslation.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // fbclient reads its configuration root once, when first loaded.
    prepareFirebirdEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rostrel"));
    InstallQtTranslation();
    RostrelMain window;
    if (!window.started())
        return 0;
    window.show();
    return QApplication::exec();
}
