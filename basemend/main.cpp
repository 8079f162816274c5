#include "basemendmain.h"

#include "database/firebirdenv.h"
#include "ui/qttranslation.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // fbclient reads its configuration root once, when first loaded.
    prepareFirebirdEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Basemend"));
    InstallQtTranslation();
    BasemendMain window;
    if (!window.started())
        return 0;
    window.show();
    return QApplication::exec();
}
