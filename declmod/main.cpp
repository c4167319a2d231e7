// declmod: the form 7093 declaration module, started by the host with no command line.

#include "declmod/mainwin/mdifrm.h"
#include "declmod/session/startup.h"

#include "common/ui/messages.h"

#include <QApplication>
#include <QPointer>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("declmod"));
    if (qav::displayAvailable())
        qav::setMessageService(std::make_shared<qav::GuiMessageService>());

    QPointer<QWidget> mainWindow =
        declmod::runMain([] { return new declmod::MDIFrm; });
    if (!mainWindow)
        return 1;
    const int rc = app.exec();
    delete mainWindow.data();
    return rc;
}
