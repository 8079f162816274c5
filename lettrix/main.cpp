#include "lettrixmain.h"

#include "database/firebirdenv.h"
#include "environment/terminationsignals.h"
#include "ui/qttranslation.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // fbclient reads its configuration root once, when first loaded.
    prepareFirebirdEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lettrix"));
    InstallQtTranslation();
    // Ctrl+C or a shutdown closes the window as the clerk would, also while
    // it is starting up and connecting.
    TerminationSignals terminationSignals;
    LettrixMain window;
    if (!window.started())
        return 0;
    terminationSignals.setMainWindow(&window);
    window.show();
    return QApplication::exec();
}
