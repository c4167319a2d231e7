// Start-up of declmod: the settings read into the session, the database open and its two
// failure texts, and the refusals of the start procedure.

#include "declmod/session/cwindows.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"
#include "declmod/session/startup.h"

#include "common/db/account.h"
#include "common/host/presence.h"
#include "common/settings/profile.h"
#include "common/text/textfile.h"
#include "common/ui/messages.h"
#include "tests/support/sandbox.h"
#include "tests/support/unprivileged.h"

#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

using namespace declmod;

class TestStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;
    std::shared_ptr<qav::ScriptedMessageService> m_msgs;
    QList<int> m_ends;
    QTemporaryDir m_runtime;
    QString m_startDir;

    void writeIni(const QStringList &lines)
    {
        QVERIFY(qav::writeTextLines(m_sb->iniFile(), lines));
    }

    // The start procedure's refusal: one message, then the process ends with a failure.
    void expectRefusal(QWidget *shown, const QString &text, int style, const QString &title)
    {
        QVERIFY(!shown);
        QCOMPARE(m_msgs->shown.size(), 1);
        QCOMPARE(m_msgs->shown[0].text, text);
        QCOMPARE(m_msgs->shown[0].style, style);
        QCOMPARE(m_msgs->shown[0].title, title);
        QCOMPARE(m_ends, QList<int>{1});
    }

private slots:
    void initTestCase()
    {
        m_startDir = QDir::currentPath();
        // Presence marker and instance lock live in the runtime folder: use a private one.
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void init()
    {
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
        m_msgs = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_msgs);
        m_ends.clear();
        setProcessEnder([this](int code) { m_ends << code; });
        session().Db.close();
    }

    void cleanup()
    {
        session().Db.close();
        releaseInstanceLock();
        cWindows::setAnswerHook({});
        setHostServicesFactory({});
        setProcessEnder({});
        qav::setMessageService(nullptr);
        QDir::setCurrent(m_startDir);
        m_sb.reset();
    }

    void settingsAreTrimmedAndJoined()
    {
        writeIni({"[Options]", "SysPath =  " + m_sb->sysPath + "   ",
                  "DBPath=  " + m_sb->sysPath, "DBName=   qav.mdb  ", "SysUser=  PEREZ J  "});
        ReadSessionSettings();
        const Session &s = session();
        QCOMPARE(s.SysPath, m_sb->sysPath);
        QCOMPARE(s.DbFile, m_sb->sysPath + "qav.mdb");
        QCOMPARE(s.ReportDir, m_sb->sysPath + "RPT");
        QCOMPARE(s.SysUser, QStringLiteral("PEREZ J"));
        QCOMPARE(QDir(QDir::currentPath()).canonicalPath(), QDir(m_sb->sysPath).canonicalPath());
    }

    // DBPath and DBName, and SysPath and "RPT", are joined as they stand: a path given
    // without its separator stays without one.
    void noSeparatorIsInserted()
    {
        const QString base = m_sb->root + "/qav";
        writeIni({"[Options]", "SysPath=" + base, "DBPath=" + base, "DBName=qav.mdb"});
        ReadSessionSettings();
        QCOMPARE(session().DbFile, base + "qav.mdb");
        QCOMPARE(session().ReportDir, base + "RPT");
        QCOMPARE(session().SysUser, QString()); // a missing key reads as empty text
    }

    void openSucceedsAndWritesSystemDb()
    {
        writeIni({"[Options]", "SysPath=" + m_sb->sysPath, "DBPath=" + m_sb->sysPath,
                  "DBName=qav.mdb", "SystemDB=C:\\old\\SYSTEM.MDW", "[Other]", "Key=kept"});
        ReadSessionSettings();
        QVERIFY(OpenSessionDatabase());
        QVERIFY(session().Db.isOpen());
        QVERIFY(session().Db.tableExists("CONT"));
        QVERIFY(m_msgs->shown.isEmpty());
        QVERIFY(m_ends.isEmpty());
        QCOMPARE(qav::readProfileString("PM000.INI", "Options", "SystemDB"),
                 m_sb->sysPath + "PM000.MDW");
        QCOMPARE(qav::readProfileString("PM000.INI", "Other", "Key"), QStringLiteral("kept"));
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("dbName");
        QTest::addColumn<bool>("badAccount");
        QTest::addColumn<QString>("text");
        // %1 stands for the database file the session holds.
        QTest::newRow("missing file") << "nada.mdb" << false
                                      << QStringLiteral("No se encuentra el archivo '%1'.\n 3024");
        QTest::newRow("no DBName") << "" << false
                                   << QStringLiteral("No se encuentra el archivo '%1'.\n 3024");
        QTest::newRow("wrong account") << "qav.mdb" << true
                                       << QStringLiteral("No es una cuenta o contraseña válida.\n 3029");
    }

    // Every failure: the standard text, a line feed and the number after a space, under
    // "Error de Conección" with no icon; then the end. SystemDB is written all the same.
    void openFailures()
    {
        QFETCH(QString, dbName);
        QFETCH(bool, badAccount);
        QFETCH(QString, text);
        writeIni({"[Options]", "SysPath=" + m_sb->sysPath, "DBPath=" + m_sb->sysPath,
                  "DBName=" + dbName});
        if (badAccount)
            QVERIFY(qav::writeWorkgroupFile(m_sb->workgroupFile(), qav::moduleUser(), "otraclav"));
        ReadSessionSettings();
        QVERIFY(!OpenSessionDatabase());
        QVERIFY(!session().Db.isOpen());
        QCOMPARE(m_msgs->shown.size(), 1);
        QCOMPARE(m_msgs->shown[0].text, text.contains("%1") ? text.arg(session().DbFile) : text);
        QCOMPARE(m_msgs->shown[0].style, 0);
        QCOMPARE(m_msgs->shown[0].title, QStringLiteral("Error de Conección"));
        QCOMPARE(m_ends, QList<int>{1});
        QCOMPARE(qav::readProfileString("PM000.INI", "Options", "SystemDB"),
                 m_sb->sysPath + "PM000.MDW");
    }

    // Without the settings file the message says so, and where it was looked for, before
    // the failure of the open; the file is not created.
    void openWithoutSettingsFile()
    {
        QVERIFY(QFile::remove(m_sb->iniFile()));
        ReadSessionSettings();
        QVERIFY(!OpenSessionDatabase());
        QCOMPARE(m_msgs->shown.size(), 1);
        const QString text = m_msgs->shown[0].text;
        QVERIFY2(text.startsWith(QString::fromUtf8("No se encuentra el archivo de configuración "
                                                   "PM000.INI (se buscó en %1).\n")
                                     .arg(m_sb->iniFile())),
                 qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("\n 3028")), qPrintable(text));
        QCOMPARE(m_msgs->shown[0].title, QStringLiteral("Error de Conección"));
        QCOMPARE(m_ends, QList<int>{1});
        QVERIFY(!QFile::exists(m_sb->iniFile()));
    }

    // A file that is not the host's database is refused before anything is written to it.
    void emptyDatabaseFileRefused()
    {
        const QString empty = m_sb->sysPath + QStringLiteral("vacia.mdb");
        {
            QFile f(empty);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        writeIni({"[Options]", "SysPath=" + m_sb->sysPath, "DBPath=" + m_sb->sysPath,
                  "DBName=vacia.mdb"});
        ReadSessionSettings();
        QVERIFY(!OpenSessionDatabase());
        QCOMPARE(m_msgs->shown.size(), 1);
        QCOMPARE(m_msgs->shown[0].text, qav::dbErrorText(qav::ErrNotADatabase, empty) + "\n 3343");
        QCOMPARE(m_msgs->shown[0].title, QStringLiteral("Error de Conección"));
        QCOMPARE(QFileInfo(empty).size(), 0);
        QVERIFY(!QFile::exists(empty + "-wal"));
    }

    // A database file without write permission is refused at open with the connection
    // failure, not statement by statement later, and nothing is written to it. The superuser
    // writes whatever the permission bits say, so as root the start is made by an
    // unprivileged user who owns the installation.
    void readOnlyDatabaseRefused()
    {
        QFile db(m_sb->dbFile);
        QVERIFY(db.open(QIODevice::ReadOnly));
        const QByteArray before = db.readAll();
        db.close();
        QVERIFY(QFile::setPermissions(m_sb->dbFile, QFile::ReadOwner | QFile::ReadUser));
        QString why;
        const auto seen = qavtest::runWithFilePermissions(m_sb->root, [this] {
            // The start must meet a file it really may not write.
            QStringList out{QStringLiteral("writable: ") + (QFileInfo(m_sb->dbFile).isWritable() ? "yes" : "no")};
            ReadSessionSettings();
            out << QStringLiteral("opened: ") + (OpenSessionDatabase() ? "yes" : "no");
            out << QStringLiteral("open afterwards: ") + (session().Db.isOpen() ? "yes" : "no");
            for (const qav::Message &m : m_msgs->shown)
                out << QStringLiteral("%1 (%2): %3").arg(m.title).arg(m.style).arg(m.text);
            for (const int code : m_ends)
                out << QStringLiteral("ended: %1").arg(code);
            return out;
        }, &why);
        QVERIFY2(seen, qPrintable(why));
        const QStringList expected{
            "writable: no", "opened: no", "open afterwards: no",
            QStringLiteral("Error de Conección (0): ") + qav::dbErrorText(qav::ErrReadOnly, m_sb->dbFile) + "\n 3027",
            "ended: 1"};
        QCOMPARE(seen->join(u'\n'), expected.join(u'\n'));
        QVERIFY(db.open(QIODevice::ReadOnly));
        QCOMPARE(db.readAll(), before);
    }

    void lockedDatabaseIs3051()
    {
        qav::Database holder("holder");
        QVERIFY(holder.open(m_sb->openOptions()));
        QVERIFY(holder.execute("PRAGMA locking_mode=EXCLUSIVE"));
        QVERIFY(holder.execute("INSERT INTO PARAM VALUES ('044','6','x','')"));
        ReadSessionSettings();
        QVERIFY(!OpenSessionDatabase());
        QCOMPARE(m_msgs->shown.size(), 1);
        QCOMPARE(m_msgs->shown[0].text, QStringLiteral(" 3051- Base esta bloqueda"));
        QCOMPARE(m_msgs->shown[0].style, 0);
        QCOMPARE(m_msgs->shown[0].title, QStringLiteral("Error de Conección"));
        QCOMPARE(m_ends, QList<int>{1});
    }

    void endSessionClosesAndEnds()
    {
        ReadSessionSettings();
        QVERIFY(OpenSessionDatabase());
        endSession(0);
        QVERIFY(!session().Db.isOpen());
        QCOMPARE(m_ends, QList<int>{0});
    }

    void refusedWithoutHost()
    {
        // Offscreen there is no window list: the absent presence marker decides.
        QVERIFY(!qav::hostPresenceAlive(100));
        bool created = false;
        QWidget *w = runMain([&] { created = true; return new QWidget; });
        expectRefusal(w, QStringLiteral("Debe ejecutar este módulo desde el Integrador del QAV"),
                      16, QStringLiteral("Error al ejecutar el módulo"));
        QVERIFY(!created);
    }

    void startsWithHostMarker()
    {
        qav::HostPresenceMarker marker;
        QVERIFY(marker.isPublished());
        std::unique_ptr<QWidget> w(runMain([] { return new QWidget; }));
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(m_msgs->shown.isEmpty());
        QVERIFY(m_ends.isEmpty());
        QVERIFY(session().hostServices);
        QCOMPARE(session().hostServices->padLeft("1", 2, u'0'), QStringLiteral("01"));
        QCOMPARE(session().Semana, 0);
    }

    // The host check comes first: without the host even a second instance hears about
    // the host.
    void hostCheckComesBeforeInstanceCheck()
    {
        cWindows::setAnswerHook([](const QString &) { return false; });
        QLockFile other(instanceLockPath());
        QVERIFY(other.tryLock(0));
        QWidget *w = runMain([] { return new QWidget; });
        expectRefusal(w, QStringLiteral("Debe ejecutar este módulo desde el Integrador del QAV"),
                      16, QStringLiteral("Error al ejecutar el módulo"));
    }

    void refusedAsSecondInstance()
    {
        QStringList asked;
        cWindows::setAnswerHook([&](const QString &c) { asked << c; return true; });
        QLockFile other(instanceLockPath());
        QVERIFY(other.tryLock(0));
        bool created = false;
        QWidget *w = runMain([&] { created = true; return new QWidget; });
        expectRefusal(w, QStringLiteral("La Aplicación ya se encuentra en ejecución"), 64,
                      QStringLiteral("Declaración Pago Anual Impuesto a la Renta"));
        QVERIFY(!created);
        QCOMPARE(asked, QStringList{"QAV"});
    }

    // A second declmod process is refused while the first runs, and starts after it ends.
    void secondProcessIsRefused()
    {
        const QString exe = qEnvironmentVariable("QAV_BIN_DIR") + "/declmod";
        if (!QFileInfo(exe).isExecutable())
            QSKIP("declmod is not built");
        qav::HostPresenceMarker marker;
        QVERIFY(marker.isPublished());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(exe);
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(instanceLockPath()), 10000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(exe);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(QString::fromUtf8(second.readAllStandardError())
                    .contains("La Aplicación ya se encuentra en ejecución"));
        first.kill();
        QVERIFY(first.waitForFinished(10000));

        // The killed process left its lock behind; it must not block the next start.
        QVERIFY(QFileInfo::exists(instanceLockPath()));
        std::unique_ptr<QWidget> w(runMain([] { return new QWidget; }));
        QVERIFY(w);
        QVERIFY(m_msgs->shown.isEmpty());
    }

    void staleLockDoesNotBlock()
    {
        cWindows::setAnswerHook([](const QString &) { return true; });
        // A lock file left by a process that has ended.
        QProcess gone;
        gone.start("true");
        QVERIFY(gone.waitForFinished());
        const qint64 deadPid = gone.processId() ? gone.processId() : 999999;
        QFile lock(instanceLockPath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + '\n' + QCoreApplication::applicationName().toUtf8()
                   + '\n' + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();
        std::unique_ptr<QWidget> w(runMain([] { return new QWidget; }));
        QVERIFY(w);
        QVERIFY(m_msgs->shown.isEmpty());
        QVERIFY(m_ends.isEmpty());
    }

    void hostServicesThatCannotBeCreated_data()
    {
        QTest::addColumn<bool>("throws");
        QTest::newRow("no object") << false;
        QTest::newRow("exception") << true;
    }

    void hostServicesThatCannotBeCreated()
    {
        QFETCH(bool, throws);
        cWindows::setAnswerHook([](const QString &) { return true; });
        setHostServicesFactory([throws]() -> std::unique_ptr<HostServices> {
            if (throws)
                throw std::runtime_error("no host");
            return nullptr;
        });
        QWidget *w = runMain([] { return new QWidget; });
        QVERIFY(!w);
        QCOMPARE(m_msgs->shown.size(), 1);
        QCOMPARE(m_msgs->shown[0].icon(), 16);
        QCOMPARE(m_msgs->shown[0].title, QStringLiteral("Error al ejecutar el módulo"));
        QVERIFY(!m_msgs->shown[0].text.isEmpty());
        QCOMPARE(m_ends, QList<int>{1});
        QVERIFY(!session().hostServices);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
