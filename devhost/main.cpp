// devhost: the host suite's stand-in for demos, scripts and tests.
//   devhost init DIR              create a sandbox installation under DIR
//   devhost init DIR --pg URI     the same, its shared database on a PostgreSQL server
//   devhost run DIR               show the "QAV" window and start declmod on DIR
//   devhost send DIR RUC YEAR     "send" the pending declaration of RUC and YEAR, then start
//                                 sendrep for its receipt
// Misuse prints the usage and exits 64; a failing command exits 1 with its reason on
// standard error.

#include "common/gui/guimessages.h"
#include "common/gui/spanish.h"
#include "devhost/hostwindow.h"
#include "devhost/sandboxinit.h"
#include "devhost/sandbox.h"
#include "devhost/sandboxsend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr int kUsageExit = 64;

void printErr(const QString &text)
{
    QTextStream(stderr) << "devhost: " << text << Qt::endl;
}

int usage()
{
    QTextStream(stderr)
        << "Uso:\n"
           "  devhost init DIR             crea una instalación de prueba en DIR y ejecuta tableinst\n"
           "  devhost init DIR --pg URI    lo mismo, con la base de datos compartida en el servidor\n"
           "                               PostgreSQL de URI (postgresql://usuario@servidor/base)\n"
           "  devhost run DIR              muestra la ventana \"QAV\" e inicia declmod con esa instalación\n"
           "  devhost send DIR RUC AÑO     envía la declaración pendiente del formulario 7093 y genera\n"
           "                               su constancia con sendrep\n";
    return kUsageExit;
}

QString programBeside(const QString &name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

// The text as one shell word: as it is when it needs no quoting, else between single
// quotes (a quote inside written as '\''), so that `eval "$(devhost init DIR)"` works
// for any folder name.
QString shellWord(const QString &text)
{
    static const QString plain = QStringLiteral("+,-./:=@_%");
    bool needs = text.isEmpty();
    for (const QChar c : text)
        if (!(c.unicode() < 128 && (c.isLetterOrNumber() || plain.contains(c))))
            needs = true;
    if (!needs)
        return text;
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

int runInit(const QString &dir, const QString &server = QString())
{
    devhost::InitOptions options;
    options.server = server;
    options.tableinstProgram = programBeside(QStringLiteral("tableinst"));
    QString error;
    QString installerOutput;
    const bool ok = devhost::initSandbox(dir, options, &error, &installerOutput);
    if (!installerOutput.isEmpty())
        QTextStream(stderr) << installerOutput << Qt::endl;
    if (!ok) {
        printErr(error);
        return 1;
    }
    QTextStream(stdout) << "export QAV_WINDIR=" << shellWord(devhost::sandboxLayout(dir).windowsDir)
                        << Qt::endl;
    return 0;
}

int runSend(const QString &dir, const QString &ruc, const QString &year)
{
    devhost::SentDeclaration sent;
    QString error;
    if (!devhost::sendDeclaration(dir, ruc, year, &sent, &error)) {
        printErr(error);
        return 1;
    }
    QTextStream(stdout) << "Declaración enviada: RUC " << ruc.trimmed() << ", ejercicio " << year
                        << ", CORREL " << sent.correl << ", CONTROL " << sent.control << ", "
                        << sent.records << " registros" << Qt::endl;

    // The host then has the send receipt written.
    const QString line = devhost::sendrepCommandLine(ruc, year, sent.control);
    int exitCode = -1;
    QString output;
    if (!devhost::runSendrep(programBeside(QStringLiteral("sendrep")), dir, line, &exitCode, &output, &error)) {
        printErr(error);
        return 1;
    }
    if (!output.isEmpty())
        QTextStream(stderr) << output << Qt::endl;
    if (exitCode != 0) {
        printErr(QStringLiteral("sendrep terminó con el código %1; la declaración quedó enviada sin constancia.")
                     .arg(exitCode));
        return 1;
    }
    const devhost::SandboxLayout layout = devhost::sandboxLayout(dir);
    const QString name = devhost::receiptCopyName(year, sent.control);
    QTextStream(stdout) << "Constancia de envío: " << layout.reportDir << '/' << name << ".PRN, "
                        << layout.tempDir << '/' << name << ".txt (sendrep terminó con el código 0)" << Qt::endl;
    return 0;
}

int runWindow(QApplication &app, const QString &dir)
{
    const devhost::SandboxLayout layout = devhost::sandboxLayout(dir);
    if (!QFileInfo(layout.iniFile).isFile()) {
        printErr(QStringLiteral("%1 no es una instalación de prueba (falta %2); créela con "
                                "«devhost init %3».").arg(layout.root, layout.iniFile, dir));
        return 1;
    }
    if (qav::displayAvailable())
        qav::setMessageService(std::make_shared<qav::GuiMessageService>());
    // Every child (declmod, and whatever it starts) finds this installation.
    qputenv("QAV_WINDIR", QFile::encodeName(layout.windowsDir));
    devhost::HostWindow window(layout, programBeside(QStringLiteral("declmod")));
    window.show();
    QTimer::singleShot(0, &window, &devhost::HostWindow::startModule);
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (command == QLatin1String("run") && argc == 3) {
        QApplication app(argc, argv);
        qav::installSpanishTranslation(&app);
        return runWindow(app, QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (command == QLatin1String("init") && args.size() == 2)
        return runInit(args[1]);
    if (command == QLatin1String("init") && args.size() == 4 && args[2] == QLatin1String("--pg")
        && !args[3].trimmed().isEmpty())
        return runInit(args[1], args[3]);
    if (command == QLatin1String("send") && args.size() == 4)
        return runSend(args[1], args[2], args[3]);
    return usage();
}
