// tableinst: prepares the shared database for the module. Takes no arguments; whatever is
// passed is ignored. Exit status 0 when everything was written, 1 when the run stopped,
// 2 when it finished but some statement was refused.

#include "common/gui/windowless.h"
#include "tableinst/installer.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    const auto app = qav::startWindowlessProgram(argc, argv);
    tableinst::Installer installer;
    return installer.run();
}
