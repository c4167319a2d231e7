// sendrep: writes the send receipt of one sent declaration. Started by the host with the
// fixed-layout command line (one argument, its spaces kept; several arguments are joined
// with single spaces). Exit status 0 when both receipts and their copies were written,
// 1 after a failure message, 2 when the command line cannot be read.

#include "common/gui/guimessages.h"
#include "common/gui/spanish.h"
#include "sendrep/sendreceipt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

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
    sendrep::SendReceipt receipt;
    return receipt.run(QCoreApplication::arguments().mid(1).join(u' '));
}
