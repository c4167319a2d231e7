// The way into the installation: the settings as every program reads them, the joining of
// the workgroup file to a folder, and the open with the module's account.

#include "common/db/account.h"
#include "common/db/database.h"
#include "common/install/installation.h"
#include "common/text/textfile.h"
#include "tests/support/sandbox.h"

#include <QFile>
#include <QtTest>

class TestInstallation : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;

private slots:
    void init()
    {
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
    }

    void cleanup() { m_sb.reset(); }

    // One trimming rule for every value: spaces at both ends go, anything else stays.
    void settingsTrimSpacesOnly()
    {
        QVERIFY(qav::writeTextLines(m_sb->iniFile(),
                                    {QStringLiteral("[Options]"),
                                     QStringLiteral("SysPath =  /srv/qav/  "),
                                     QStringLiteral("DBPath=\t/srv/db/"),
                                     QStringLiteral("DBName= qav.mdb\t "),
                                     QStringLiteral("SysUser=   jperez")}));
        const qav::InstallationSettings s = qav::readInstallationSettings();
        QVERIFY(s.settingsFound);
        QCOMPARE(s.settingsFile, m_sb->iniFile());
        QCOMPARE(s.sysPath, QStringLiteral("/srv/qav/"));
        QCOMPARE(s.dbPath, QStringLiteral("\t/srv/db/"));
        QCOMPARE(s.dbName, QStringLiteral("qav.mdb\t"));
        QCOMPARE(s.sysUser, QStringLiteral("jperez"));
    }

    void missingSettingsFile()
    {
        QVERIFY(QFile::remove(m_sb->iniFile()));
        const qav::InstallationSettings s = qav::readInstallationSettings();
        QVERIFY(!s.settingsFound);
        QCOMPARE(s.settingsFile, m_sb->iniFile());
        QVERIFY(s.sysPath.isEmpty() && s.dbPath.isEmpty() && s.dbName.isEmpty()
                && s.sysUser.isEmpty());
    }

    void workgroupJoin_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("join");
        QTest::addColumn<QString>("expected");
        const int direct = int(qav::PathJoin::Direct);
        const int separator = int(qav::PathJoin::Separator);
        const int whenMissing = int(qav::PathJoin::SeparatorWhenMissing);
        QTest::newRow("direct, folder with separator") << "/q/" << direct << "/q/PM000.MDW";
        QTest::newRow("direct, folder without one") << "/q" << direct << "/qPM000.MDW";
        QTest::newRow("separator always") << "/q/" << separator << "/q//PM000.MDW";
        QTest::newRow("separator added") << "/q" << separator << "/q/PM000.MDW";
        QTest::newRow("when missing, present") << "/q/" << whenMissing << "/q/PM000.MDW";
        QTest::newRow("when missing, absent") << "/q" << whenMissing << "/q/PM000.MDW";
        QTest::newRow("when missing, backslash") << "/q\\" << whenMissing << "/q\\PM000.MDW";
        QTest::newRow("empty folder, direct") << "" << direct << "PM000.MDW";
    }

    void workgroupJoin()
    {
        QFETCH(QString, folder);
        QFETCH(int, join);
        QFETCH(QString, expected);
        QCOMPARE(qav::workgroupFileIn(folder, qav::PathJoin(join)), expected);
    }

    void systemDbWritten()
    {
        QVERIFY(qav::writeSystemDb(QStringLiteral("/srv/qav/PM000.MDW")));
        QStringList lines;
        QVERIFY(qav::readTextLines(m_sb->iniFile(), &lines));
        QVERIFY(lines.contains(QStringLiteral("SystemDB=/srv/qav/PM000.MDW")));
        QCOMPARE(qav::readInstallationSettings().sysPath, m_sb->sysPath);
    }

    // The open always checks the account: no workgroup file named is a failure, never a
    // way past the check.
    void openChecksTheAccount()
    {
        qav::Database db(QStringLiteral("tst_installation"));
        QVERIFY2(qav::openSharedDatabase(db, m_sb->dbFile, m_sb->workgroupFile()),
                 qPrintable(db.lastError().text));
        db.close();

        QVERIFY(!qav::openSharedDatabase(db, m_sb->dbFile, QString()));
        QCOMPARE(db.lastError().number, int(qav::ErrNoWorkgroup));

        const QString other = m_sb->root + QStringLiteral("/other.mdw");
        QVERIFY(qav::writeWorkgroupFile(other, QStringLiteral("otro"), QStringLiteral("clave")));
        QVERIFY(!qav::openSharedDatabase(db, m_sb->dbFile, other));
        QCOMPARE(db.lastError().number, int(qav::ErrBadAccount));
        QVERIFY(!db.isOpen());
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
