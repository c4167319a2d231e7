#include "tests/support/runprogram.h"

#include <QProcess>

namespace qavtest {

ProgramRun runProgram(const QString &program, const QStringList &args, const QString &windir)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (!windir.isEmpty())
        env.insert(QStringLiteral("QAV_WINDIR"), windir);
    p.setProcessEnvironment(env);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForStarted(10000) || !p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished(5000);
        r.err = QStringLiteral("did not run: ") + p.errorString();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace qavtest
