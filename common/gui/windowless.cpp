#include "common/gui/windowless.h"

#include "common/gui/guimessages.h"
#include "common/gui/spanish.h"

#include <QApplication>

namespace qav {

std::unique_ptr<QCoreApplication> startWindowlessProgram(int &argc, char **argv)
{
    std::unique_ptr<QCoreApplication> app;
    if (displayAvailable()) {
        app = std::make_unique<QApplication>(argc, argv);
        installSpanishTranslation(app.get());
        setMessageService(std::make_shared<GuiMessageService>());
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
        setMessageService(std::make_shared<ConsoleMessageService>());
    }
    return app;
}

} // namespace qav
