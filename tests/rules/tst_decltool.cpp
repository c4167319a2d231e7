// The decltool program as scripts use it: exact output of check-import on a fixture file,
// whole-file failures (message on standard error only, status 2), voucher types read from a
// database, the check-digit commands, and misuse (usage, status 64).

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Result {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Result runTool(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/decltool"), args);
    Result r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString fixture(const QString &name)
{
    return qEnvironmentVariable("QAV_SOURCE_DIR") + QStringLiteral("/tests/rules/fixtures/") + name;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing " + path.toUtf8() + ">");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

class TestDeclTool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/decltool")),
                 "decltool is not built");
    }

    void checkImportFixture()
    {
        const QString dir = fixture(QStringLiteral("check-import"));
        // The name is matched without regard to case.
        const Result r = runTool({QStringLiteral("check-import"),
                                  dir + QStringLiteral("/709320100066666022013.txt"),
                                  QStringLiteral("--year"), QStringLiteral("2013")});
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.out, readAll(dir + QStringLiteral("/expected.txt")));
        QCOMPARE(r.status, 1);
    }

    void nothingRejected()
    {
        const QString path = m_dir.filePath(QStringLiteral("ok.TXT"));
        QVERIFY(writeFile(path, "01|F001|3|10|5|\r\n03|B001|3|10|5|\r\n"));
        const Result r = runTool({QStringLiteral("check-import"), QStringLiteral("--year"),
                                  QStringLiteral("2013"), path});
        QCOMPARE(r.out, QByteArray("1\tOK\t01|F001|03|10.00|5.00|\n2\tOK\t03|B001|03|10.00|5.00|\n"
                                   "transferred: 2 rejected: 0\n"));
        QCOMPARE(r.status, 0);

        QVERIFY(writeFile(path, ""));
        const Result empty = runTool({QStringLiteral("check-import"), path, QStringLiteral("--year"),
                                      QStringLiteral("2013")});
        QCOMPARE(empty.out, QByteArray("transferred: 0 rejected: 0\n"));
        QCOMPARE(empty.status, 0);
    }

    void wholeFileFailures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("six bars") << QByteArray("01|F001|3|10|5|\r\n01|F002|3|10|5||\r\n")
                                  << "El archivo de importación no tiene el número de campos correctos";
        QTest::newRow("empty last line") << QByteArray("01|F001|3|10|5|\r\n\r\n")
                                         << "El archivo de importación no tiene el número de campos correctos";
        QTest::newRow("no final bar") << QByteArray("01|F001|3|10|5|\r\n01|F002|3|10|5|x\r\n")
                                      << "Cada línea del archivo debe terminar con el separador |";
    }

    void wholeFileFailures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(QStringLiteral("bad.TXT"));
        QVERIFY(writeFile(path, bytes));
        const Result r = runTool({QStringLiteral("check-import"), path, QStringLiteral("--year"),
                                  QStringLiteral("2013")});
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(QString::fromUtf8(r.err), message + u'\n');
        QCOMPARE(r.status, 2);
    }

    void missingFile()
    {
        const Result r = runTool({QStringLiteral("check-import"), m_dir.filePath(QStringLiteral("none.TXT")),
                                  QStringLiteral("--year"), QStringLiteral("2013")});
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(QString::fromUtf8(r.err),
                 QStringLiteral("En la ruta indicada, no se encuentra el archivo a transferir, verifique la ruta\n"));
        QCOMPARE(r.status, 2);
    }

    // What is not a regular file is refused at once: a pipe could be read only once (the
    // whole-file checks and the lines would see different input), a FIFO without a writer
    // would wait for one forever, and a device may never end.
    void nonRegularInput_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe on standard input") << "pipe";
        QTest::newRow("FIFO without a writer") << "fifo";
        QTest::newRow("endless device") << "device";
    }

    void nonRegularInput()
    {
        QFETCH(QString, kind);
        QString path = QStringLiteral("/dev/zero");
        if (kind == u"pipe") {
            path = QStringLiteral("/dev/stdin");
        } else if (kind == u"fifo") {
            path = m_dir.filePath(QStringLiteral("fifo.TXT"));
            QFile::remove(path);
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        QProcess p;
        p.start(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/decltool"),
                {QStringLiteral("check-import"), path, QStringLiteral("--year"), QStringLiteral("2013")});
        QVERIFY(p.waitForStarted());
        if (kind == u"pipe") {
            p.write("01|F001|3|10|5|\r\n01|F002|3|1x|5|\r\n");
            p.closeWriteChannel();
        }
        QVERIFY2(p.waitForFinished(20000), "decltool kept reading");
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("El archivo a transferir no es un archivo común (es una tubería, un "
                                "dispositivo o un socket): cópielo en un archivo e intente "
                                "nuevamente.\n"));
        QCOMPARE(p.exitCode(), 2);
    }

    void typesFromDatabase()
    {
        const QString dbFile = m_dir.filePath(QStringLiteral("qav.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("t"));
            db.setDatabaseName(dbFile);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE PARAM (Numero TEXT, Argumento TEXT, "
                                          "Funcion TEXT, Correl_Param TEXT)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO PARAM VALUES ('233', '01', '%1', '')")
                               .arg(QString(66, u' ') + u'1')));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO PARAM VALUES ('233', '03', '%1', '')")
                               .arg(QString(66, u' ') + u'0')));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("t"));
        const QByteArray before = readAll(dbFile);

        const QString path = m_dir.filePath(QStringLiteral("db.TXT"));
        QVERIFY(writeFile(path, "01|F001|3|10|5|\r\n03|B001|3|10|5|\r\n"));
        const Result r = runTool({QStringLiteral("check-import"), path, QStringLiteral("--db"), dbFile,
                                  QStringLiteral("--year"), QStringLiteral("2013")});
        QCOMPARE(r.out, QByteArray("1\tOK\t01|F001|03|10.00|5.00|\n2\tREJECTED\t0900\n"
                                   "transferred: 1 rejected: 1\n"));
        QCOMPARE(r.status, 1);
        QCOMPARE(readAll(dbFile), before);

        // A database that cannot be read stops before any line.
        const Result bad = runTool({QStringLiteral("check-import"), path, QStringLiteral("--db"),
                                    m_dir.filePath(QStringLiteral("absent.db")),
                                    QStringLiteral("--year"), QStringLiteral("2013")});
        QCOMPARE(bad.out, QByteArray());
        QVERIFY(!bad.err.isEmpty());
        QCOMPARE(bad.status, 2);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("absent.db"))));
    }

    void digits()
    {
        Result r = runTool({QStringLiteral("check-digits"), QStringLiteral("12345678"),
                            QStringLiteral("87654321")});
        QCOMPARE(r.out, QByteArray("57\n"));
        QCOMPARE(r.status, 0);
        r = runTool({QStringLiteral("add-digit"), QStringLiteral("12345678")});
        QCOMPARE(r.out, QByteArray("123456785\n"));
        QCOMPARE(r.status, 0);
        r = runTool({QStringLiteral("add-digit"), QString()});
        QCOMPARE(r.out, QByteArray("\n"));
        QCOMPARE(r.status, 0);
    }

    void misuse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"check"};
        QTest::newRow("no year") << QStringList{"check-import", "f.TXT"};
        QTest::newRow("no file") << QStringList{"check-import", "--year", "2013"};
        QTest::newRow("year without value") << QStringList{"check-import", "f.TXT", "--year"};
        QTest::newRow("bad year") << QStringList{"check-import", "f.TXT", "--year", "13"};
        QTest::newRow("year twice") << QStringList{"check-import", "f.TXT", "--year", "2013", "--year", "2014"};
        QTest::newRow("two files") << QStringList{"check-import", "a", "b", "--year", "2013"};
        QTest::newRow("unknown option") << QStringList{"check-import", "a", "--year", "2013", "--x"};
        QTest::newRow("empty db") << QStringList{"check-import", "a", "--year", "2013", "--db", ""};
        QTest::newRow("digits one arg") << QStringList{"check-digits", "12345678"};
        QTest::newRow("add-digit two args") << QStringList{"add-digit", "1", "2"};
        QTest::newRow("add-digit none") << QStringList{"add-digit"};
    }

    void misuse()
    {
        QFETCH(QStringList, args);
        const Result r = runTool(args);
        QCOMPARE(r.status, 64);
        QCOMPARE(r.out, QByteArray());
        QVERIFY(r.err.startsWith("usage: decltool check-import FILE --year YYYY [--db DATABASE]\n"));
    }
};

QTEST_GUILESS_MAIN(TestDeclTool)
#include "tst_decltool.moc"
