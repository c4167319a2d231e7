// declmod: the form 7093 declaration module, started by the host with no command line.

#include "declmod/import/frmtranper.h"
#include "declmod/mainwin/mdifrm.h"
#include "declmod/reports/printers.h"
#include "declmod/session/startup.h"

#include "common/gui/guimessages.h"
#include "common/gui/spanish.h"

#include <QApplication>
#include <QPointer>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // A window program: without any window system (and no platform chosen, as tests do)
    // say so plainly instead of letting the toolkit abort.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("declmod: no hay una pantalla disponible (DISPLAY o WAYLAND_DISPLAY); "
                   "el módulo se ejecuta desde la ventana del QAV.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    qav::installSpanishTranslation(&app);
    QApplication::setApplicationName(QStringLiteral("declmod"));
    if (qav::displayAvailable())
        qav::setMessageService(std::make_shared<qav::GuiMessageService>());

    declmod::frmTranPer::install();
    declmod::installConsistencyPrinter();
    QPointer<QWidget> mainWindow =
        declmod::runMain([] { return new declmod::MDIFrm; });
    if (!mainWindow)
        return 1;
    const int rc = app.exec();
    delete mainWindow.data();
    return rc;
}
