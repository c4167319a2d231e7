// decltool: checks import files and computes check digits; see commands.h.

#include "decltool/commands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return decltool::run(args, stdout, stderr);
}
