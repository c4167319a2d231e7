// declmod started where no window system exists: a plain message and a failing exit
// status, not the toolkit's abort.

#include <QProcess>
#include <QtTest>

class TstNoDisplay : public QObject
{
    Q_OBJECT
private slots:
    void refusesPlainly();
};

void TstNoDisplay::refusesPlainly()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/declmod"), {});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("no hay una pantalla disponible")),
             "no plain message on standard error");
}

QTEST_GUILESS_MAIN(TstNoDisplay)
#include "tst_nodisplay.moc"
