// decltool: checks import files and computes check digits; see commands.h.

#include "decltool/commands.h"

#include "decltool/reportcommands.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // Rendering needs fonts, hence a GUI application; it never shows a window.
    std::unique_ptr<QCoreApplication> app;
    if (decltool::commandNeedsGui(args)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    args = QCoreApplication::arguments();
    args.removeFirst();
    return decltool::run(args, stdout, stderr);
}
