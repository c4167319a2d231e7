// sendrep: writes the send receipt of one sent declaration. Started by the host with the
// fixed-layout command line (one argument, its spaces kept; several arguments are joined
// with single spaces). Exit status 0 when both receipts and their copies were written,
// 1 after a failure message, 2 when the command line cannot be read.

#include "common/gui/windowless.h"
#include "sendrep/sendreceipt.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char **argv)
{
    const auto app = qav::startWindowlessProgram(argc, argv);
    sendrep::SendReceipt receipt;
    return receipt.run(QCoreApplication::arguments().mid(1).join(u' '));
}
