// tableinst: prepares the shared database for the module. Takes no arguments; whatever is
// passed is ignored. Exit status 0 when everything was written, 1 when the run stopped,
// 2 when it finished but some statement was refused.

#include "common/gui/guimessages.h"
#include "common/gui/spanish.h"
#include "tableinst/installer.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>

int main(int argc, char **argv)
{
    std::unique_ptr<QCoreApplication> app;
    if (qav::displayAvailable()) {
        app = std::make_unique<QApplication>(argc, argv);
        qav::installSpanishTranslation(app.get());
        qav::setMessageService(std::make_shared<qav::GuiMessageService>());
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
        qav::setMessageService(std::make_shared<qav::ConsoleMessageService>());
    }
    tableinst::Installer installer;
    return installer.run();
}
