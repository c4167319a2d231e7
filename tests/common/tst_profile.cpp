// The settings file: how keys are found and read, and what writing one key leaves alone.

#include "common/settings/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A settings file as the host leaves it: other sections before and after, comments, blank
// lines, spaces around "=", Windows-1252 text ("Aplicación", "Año") and CR LF.
const QByteArray kHostIni = "; configuraci\xf3n del sistema\r\n"
                            "[General]\r\n"
                            "SysPath=/otro/\r\n"
                            "Titulo = Aplicaci\xf3n  \r\n"
                            "\r\n"
                            "[ Options ]\r\n"
                            "SysPath = /srv/qav/ \r\n"
                            "DBPath=/srv/qav/\r\n"
                            "DBName=qav.mdb\r\n"
                            "SysUser=JPEREZ\r\n"
                            "\r\n"
                            "[Impresion]\r\n"
                            "A\xf1o=2009\r\n";

} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_ini;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        qputenv("QAV_WINDIR", m_dir.path().toLocal8Bit());
        m_ini = m_dir.filePath(QStringLiteral("PM000.INI"));
        QFile::remove(m_ini);
        writeBytes(m_ini, kHostIni);
    }

    void cleanup() { qunsetenv("QAV_WINDIR"); }

    void read_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trimmed value, spaced header") << "Options" << "SysPath" << "/srv/qav/";
        QTest::newRow("section in other case") << "OPTIONS" << "DBName" << "qav.mdb";
        QTest::newRow("key in other case") << "options" << "sysuser" << "JPEREZ";
        QTest::newRow("same key, other section") << "General" << "SYSPATH" << "/otro/";
        QTest::newRow("Windows-1252 value") << "General" << "Titulo" << QString::fromUtf8("Aplicación");
        QTest::newRow("Windows-1252 key") << "Impresion" << QString::fromUtf8("Año") << "2009";
        QTest::newRow("missing key gives default") << "Options" << "SystemDB" << "<def>";
        QTest::newRow("missing section gives default") << "Otra" << "SysPath" << "<def>";
    }

    void read()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), section, key, QStringLiteral("<def>")),
                 expected);
    }

    void missingFileGivesDefault()
    {
        QFile::remove(m_ini);
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("SysPath")),
                 QString());
        QVERIFY(qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                       QStringLiteral("SysPath"))
                    .isEmpty());
    }

    void readBuffer_data()
    {
        QTest::addColumn<int>("valueLength");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("expectedLength");
        QTest::newRow("fits the 255 buffer") << 254 << 255 << 254;
        QTest::newRow("one too long for 255") << 255 << 255 << 254;
        QTest::newRow("much longer") << 400 << 255 << 254;
        QTest::newRow("small buffer") << 20 << 8 << 7;
    }

    void readBuffer()
    {
        QFETCH(int, valueLength);
        QFETCH(int, bufferSize);
        QFETCH(int, expectedLength);
        QString value;
        for (int i = 0; i < valueLength; ++i)
            value += QChar(u'a' + i % 26);
        writeBytes(m_ini, "[Options]\r\nSysPath=" + value.toLatin1() + "\r\n");
        const QString got = qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                                   QStringLiteral("SysPath"), QString(), bufferSize);
        QCOMPARE(got, value.left(expectedLength));
    }

    // Writing one key changes that key's line and no other byte of the file.
    void writeKeepsEveryOtherByte_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("expected");
        QByteArray replaced = kHostIni;
        replaced.replace("SysPath = /srv/qav/ \r\n", "SysPath=/nuevo/\r\n");
        QTest::newRow("existing key, section in other case")
            << "options" << "SysPath" << "/nuevo/" << replaced;

        QByteArray added = kHostIni;
        added.replace("SysUser=JPEREZ\r\n", "SysUser=JPEREZ\r\nSystemDB=/srv/qav/PM000.MDW\r\n");
        QTest::newRow("new key in existing section")
            << "Options" << "SystemDB" << "/srv/qav/PM000.MDW" << added;

        QTest::newRow("new section at the end")
            << "Nueva" << "Clave" << QString::fromUtf8("Señal") << kHostIni + "[Nueva]\r\nClave=Se\xf1" "al\r\n";
    }

    void writeKeepsEveryOtherByte()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, expected);
        QString error;
        QVERIFY2(qav::writeProfileString(QStringLiteral("PM000.INI"), section, key, value, &error),
                 qPrintable(error));
        QCOMPARE(readBytes(m_ini), expected);
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), section, key), value);
    }

    // The line ends of the file are its own: a lone LF or CR stays as it is, and a line the
    // write adds takes the file's first line end.
    void writeKeepsLineEnds_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("LF only, key replaced")
            << QByteArray("[Otra]\nA=1\n[Options]\nSystemDB=viejo\nSysUser=X\n")
            << QByteArray("[Otra]\nA=1\n[Options]\nSystemDB=/q/PM000.MDW\nSysUser=X\n");
        QTest::newRow("CR only, key added")
            << QByteArray("[Options]\rSysPath=/q/\r\r[Otra]\rA=1\r")
            << QByteArray("[Options]\rSysPath=/q/\rSystemDB=/q/PM000.MDW\r\r[Otra]\rA=1\r");
        QTest::newRow("mixed ends kept line by line")
            << QByteArray("[Options]\r\nSysPath=/q/\nDBName=a\rSystemDB=x\r\nSysUser=X")
            << QByteArray("[Options]\r\nSysPath=/q/\nDBName=a\rSystemDB=/q/PM000.MDW\r\nSysUser=X");
        QTest::newRow("last line without an end, section added")
            << QByteArray("[Otra]\nA=1")
            << QByteArray("[Otra]\nA=1\n[Options]\nSystemDB=/q/PM000.MDW\n");
    }

    void writeKeepsLineEnds()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        writeBytes(m_ini, before);
        QVERIFY(qav::writeProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("SystemDB"), QStringLiteral("/q/PM000.MDW")));
        QCOMPARE(readBytes(m_ini), after);
    }

    // An endless or huge file is read only up to a bound: the read gives the default (or
    // what the bound holds) at once, and such a file is never rewritten.
    void boundedRead()
    {
        QCOMPARE(qav::readProfileString(QStringLiteral("/dev/zero"), QStringLiteral("Options"),
                                        QStringLiteral("SysPath"), QStringLiteral("<def>")),
                 QStringLiteral("<def>"));

        QByteArray huge = "[Options]\r\nDBName=qav.mdb\r\n";
        const QByteArray filler = "; " + QByteArray(77, 'x') + "\r\n";
        while (huge.size() <= qav::kMaxProfileBytes)
            huge += filler;
        huge += "SysPath=/lejos/\r\n";
        writeBytes(m_ini, huge);
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("DBName")),
                 QStringLiteral("qav.mdb"));
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("SysPath"), QStringLiteral("<def>")),
                 QStringLiteral("<def>"));
        QString error;
        QVERIFY(!qav::writeProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                         QStringLiteral("SystemDB"), QStringLiteral("/q/"), &error));
        QVERIFY(error.contains(m_ini));
        QCOMPARE(readBytes(m_ini), huge);
    }

    void writeCreatesFile()
    {
        QFile::remove(m_ini);
        QVERIFY(qav::writeProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("SystemDB"), QStringLiteral("/x/PM000.MDW")));
        QCOMPARE(readBytes(m_ini), QByteArray("[Options]\r\nSystemDB=/x/PM000.MDW\r\n"));
    }

    // A bare name is looked for in QAV_WINDIR, whatever the case of the name on disk.
    void windowsFolder()
    {
        QCOMPARE(qav::windowsFolder(), m_dir.path());
        QFile::remove(m_ini);
        const QString lower = m_dir.filePath(QStringLiteral("pm000.ini"));
        writeBytes(lower, "[options]\r\ndbname=otra.mdb\r\n");
        QCOMPARE(qav::profilePath(QStringLiteral("PM000.INI")), lower);
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("DBName")),
                 QStringLiteral("otra.mdb"));
        QVERIFY(qav::writeProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("DBName"), QStringLiteral("qav.mdb")));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("pm000.ini")});
        QCOMPARE(readBytes(lower), QByteArray("[options]\r\nDBName=qav.mdb\r\n"));
    }

    void windowsFolderWithoutEnvironment()
    {
        qunsetenv("QAV_WINDIR");
        QTemporaryDir home;
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        const QString folder = qav::windowsFolder();
        if (oldConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
        QCOMPARE(folder, home.path());
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
