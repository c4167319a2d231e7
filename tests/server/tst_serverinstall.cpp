// An installation whose shared database is on a PostgreSQL server: the table installer run
// twice, the refusals of the open (no server, no database, a wrong account) with the
// numbers and messages of the file, and a whole sandbox made by devhost init --pg on which
// devhost send, sendrep and decltool work. Skipped, saying why, when the test run has no
// server.

#include "common/db/account.h"
#include "common/db/database.h"
#include "common/install/installation.h"
#include "common/text/textfile.h"
#include "tests/support/runprogram.h"
#include "tests/support/sandbox.h"
#include "tests/support/testserver.h"

#include <QProcess>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Run = qavtest::ProgramRun;

// A program of the build (QAV_BIN_DIR) by its name.
Run runProgram(const QString &name, const QStringList &args, const QString &windir = QString())
{
    return qavtest::runProgram(qEnvironmentVariable("QAV_BIN_DIR") + u'/' + name, args, windir);
}

} // namespace

class TestServerInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!qavtest::TestServer::unavailableReason().isEmpty())
            QSKIP(qPrintable(QStringLiteral("server variant skipped: ")
                             + qavtest::TestServer::unavailableReason()));
    }

    // tableinst creates the module's tables, keys and rows on the server; a second run
    // updates the rows and creates nothing twice.
    void tableinstTwice()
    {
        qavtest::Sandbox sb;
        sb.server = true;
        QString why;
        QVERIFY2(sb.create(&why), qPrintable(why));
        for (int run = 1; run <= 2; ++run) {
            const Run r = runProgram(QStringLiteral("tableinst"), {}, sb.windir);
            QVERIFY2(r.exitCode == 0, qPrintable(QStringLiteral("run %1: %2").arg(run).arg(r.err)));
            QVERIFY2(!r.err.contains(QStringLiteral("Error")), qPrintable(r.err));

            qav::Database db(QStringLiteral("check"));
            QVERIFY2(db.open(sb.openOptions()), qPrintable(db.lastError().text));
            for (const QString &t : {QStringLiteral("F7093DES"), QStringLiteral("HF7093DES"),
                                     QStringLiteral("TMPF7093DES")})
                QVERIFY2(db.tableExists(t), qPrintable(t));
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM PARAM WHERE Numero='233'")).toInt(), 8);
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM PARAM")).toInt(), 11);
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM reportes")).toInt(), 3);
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM envio_t WHERE formulario='7093'")).toInt(), 2);
            QCOMPARE(db.scalar(QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero='996' AND Argumento='230'"))
                         .toString(),
                     QStringLiteral("F7093DES       R 1000   4"));
            // The key of the module's table, ignoring case as every text does.
            QVERIFY(db.execute(QStringLiteral("INSERT INTO f7093des (tip_doc_d, doc_id_d, periodo, formulario,"
                                              " tip_com, num_ser, per_tri) VALUES (6, '1', '2023', '7093', '01',"
                                              " 'f%1', '01')").arg(run)));
            QVERIFY(!db.execute(QStringLiteral("INSERT INTO f7093des (tip_doc_d, doc_id_d, periodo, formulario,"
                                               " tip_com, num_ser, per_tri) VALUES (6, '1', '2023', '7093', '01',"
                                               " 'F%1', '01')").arg(run)));
            QCOMPARE(db.lastError().number, int(qav::ErrDuplicateKey));
            // The functions the statements use are the database's.
            QCOMPARE(db.scalar(QStringLiteral("SELECT mid(Funcion, 1, 7) FROM PARAM WHERE Numero='233'"
                                              " AND Argumento='01'")).toString(),
                     QStringLiteral("FACTURA"));
        }
    }

    // What the open refuses, with the numbers the file's open gives for the same trouble.
    void refusals_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("number");
        QTest::newRow("no server at the address") << "nosocket" << int(qav::ErrFileNotFound);
        QTest::newRow("no such database") << "nodatabase" << int(qav::ErrFileNotFound);
        QTest::newRow("wrong password") << "password" << int(qav::ErrBadAccount);
        QTest::newRow("no such role") << "role" << int(qav::ErrBadAccount);
        QTest::newRow("not the host's database") << "empty" << int(qav::ErrNotADatabase);
        QTest::newRow("not a server URI") << "uri" << int(qav::ErrFileNotFound);
    }

    void refusals()
    {
        QFETCH(QString, change);
        QFETCH(int, number);
        qavtest::Sandbox sb;
        sb.server = true;
        QString why;
        QVERIFY2(sb.create(&why), qPrintable(why));
        QString emptyDatabase;
        auto dropEmpty = qScopeGuard([&] {
            if (!emptyDatabase.isEmpty())
                qavtest::TestServer::dropDatabase(emptyDatabase);
        });
        QString server = sb.serverUri;
        QString user = qav::moduleUser();
        QString password = qav::modulePassword();
        QTemporaryDir nowhere;
        if (change == "nosocket")
            server = QStringLiteral("postgresql:///%1?host=%2").arg(sb.serverDatabase, nowhere.path());
        else if (change == "nodatabase")
            server = qavtest::TestServer::uri(QStringLiteral("no_such_database"));
        else if (change == "password")
            password = QStringLiteral("otraclav");
        else if (change == "role")
            user = QStringLiteral("nadie");
        else if (change == "uri")
            server = QStringLiteral("mysql://dbhost/qav");
        else if (change == "empty") {
            QVERIFY2(qavtest::TestServer::createDatabase(&emptyDatabase, &why), qPrintable(why));
            server = qavtest::TestServer::uri(emptyDatabase);
        }
        qav::Database db(QStringLiteral("refused"));
        qav::OpenOptions o;
        o.server = server;
        o.user = user;
        o.password = password;
        o.requiredTables = qav::hostCoreTableNames();
        QVERIFY(!db.open(o));
        QCOMPARE(db.lastError().number, number);
        QVERIFY(!db.isOpen());

        // The programs word it as for the file: tableinst's "Error de Conección".
        if (user == qav::moduleUser() && password == qav::modulePassword()) {
            QStringList ini;
            QVERIFY(qav::readTextLines(sb.iniFile(), &ini));
            for (QString &line : ini)
                if (line.startsWith(QLatin1String("DBServer=")))
                    line = QStringLiteral("DBServer=") + server;
            QVERIFY(qav::writeTextLines(sb.iniFile(), ini));
            const Run r = runProgram(QStringLiteral("tableinst"), {}, sb.windir);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(QStringLiteral("Error de Conección")), qPrintable(r.err));
            QVERIFY2(r.err.contains(QStringLiteral(" %1").arg(number)), qPrintable(r.err));
        }
    }

    // decltool server-role prints what an office's administrator runs: the role with its
    // password only as a verifier that the server accepts for the module's password, and
    // the database it owns; a name that is not a plain identifier is refused.
    void serverRoleStatements()
    {
        Run r = runProgram(QStringLiteral("decltool"), {QStringLiteral("server-role"), QStringLiteral("qav")});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QString prefix = QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'SCRAM-SHA-256$4096:").arg(qav::moduleUser());
        QVERIFY2(lines[0].startsWith(prefix), qPrintable(lines[0]));
        QVERIFY(!lines[0].contains(qav::modulePassword()));
        QCOMPARE(lines[1], QStringLiteral("CREATE DATABASE qav OWNER %1 ENCODING 'UTF8' TEMPLATE template0;")
                               .arg(qav::moduleUser()));
        QCOMPARE(runProgram(QStringLiteral("decltool"), {QStringLiteral("server-role"), QStringLiteral("a;b")}).exitCode,
                 64);

        // The verifier, given to a role of the test's own, lets the module's password in.
        QString statement = lines[0];
        statement.chop(1);
        statement.replace(QStringLiteral("CREATE ROLE %1 ").arg(qav::moduleUser()),
                          QStringLiteral("CREATE ROLE qavtest_verifier "));
        QString why;
        qavtest::TestServer::admin(QStringLiteral("DROP ROLE IF EXISTS qavtest_verifier"));
        QVERIFY2(qavtest::TestServer::admin(statement, &why), qPrintable(why));
        auto dropRole = qScopeGuard([] { qavtest::TestServer::admin(QStringLiteral("DROP ROLE IF EXISTS qavtest_verifier")); });
        qav::Database db(QStringLiteral("verifier"));
        qav::OpenOptions o;
        o.server = qavtest::TestServer::uri(QStringLiteral("postgres"));
        o.user = QStringLiteral("qavtest_verifier");
        o.password = qav::modulePassword();
        QVERIFY2(db.open(o), qPrintable(db.lastError().text));
        db.close();
        o.password = QStringLiteral("otraclav");
        QVERIFY(!db.open(o));
        QCOMPARE(db.lastError().number, int(qav::ErrBadAccount));
    }

    // devhost init --pg makes a whole sandbox on a server database; devhost send (with
    // sendrep) and decltool work on it.
    void devhostSandbox()
    {
        QString database, why;
        QVERIFY2(qavtest::TestServer::createDatabase(&database, &why), qPrintable(why));
        auto drop = qScopeGuard([&] { qavtest::TestServer::dropDatabase(database); });
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("sb"));
        const QString admin = QStringLiteral("postgresql://postgres@/%1?host=%2")
                                  .arg(database, qavtest::TestServer::socketDir());
        Run r = runProgram(QStringLiteral("devhost"), {QStringLiteral("init"), root, QStringLiteral("--pg"), admin});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(!QFile::exists(root + QStringLiteral("/qav/qav.mdb")));
        QStringList ini;
        QVERIFY(qav::readTextLines(root + QStringLiteral("/windows/PM000.INI"), &ini));
        const QString setting = QStringLiteral("DBServer=postgresql:///%1?host=%2")
                                    .arg(database, qavtest::TestServer::socketDir());
        QVERIFY2(ini.contains(setting), qPrintable(ini.join(u'\n')));

        // A second init on the same database is refused and changes nothing.
        r = runProgram(QStringLiteral("devhost"),
                       {QStringLiteral("init"), dir.filePath(QStringLiteral("sb2")), QStringLiteral("--pg"), admin});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("ya tiene las tablas del host")), qPrintable(r.err));

        qav::Database db(QStringLiteral("devhost-check"));
        qav::OpenOptions o;
        o.server = qavtest::TestServer::uri(database);
        o.user = qav::moduleUser();
        o.password = qav::modulePassword();
        QVERIFY2(db.open(o), qPrintable(db.lastError().text));
        const QSqlRecord cab = db.rows(QStringLiteral("SELECT * FROM CAB WHERE estado=0")).value(0);
        const QString ruc = cab.value(QStringLiteral("DOC_ID_D")).toString();
        const QString year = cab.value(QStringLiteral("PERIODO")).toString();
        QVERIFY(!ruc.isEmpty());
        const int records = db.scalar(QStringLiteral("SELECT count(*) FROM f7093des WHERE doc_id_d=? AND periodo=?"),
                                      {ruc, year}).toInt();
        QVERIFY(records > 0);

        r = runProgram(QStringLiteral("devhost"), {QStringLiteral("send"), root, ruc, year});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err + r.out));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM hf7093des WHERE doc_id_d=? AND periodo=?"
                                          " AND correl='001'"), {ruc, year}).toInt(),
                 records);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE CodRep='DE0002' AND Doc_id_d=?"),
                           {ruc}).toInt(),
                 1);

        const QString windir = root + QStringLiteral("/windows");
        r = runProgram(QStringLiteral("decltool"),
                       {QStringLiteral("report"), QStringLiteral("--ruc"), ruc, QStringLiteral("--year"), year},
                       windir);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QString document = r.out.trimmed().split(u'\t').value(0);
        QVERIFY2(QFile::exists(document), qPrintable(r.out));
        r = runProgram(QStringLiteral("decltool"),
                       {QStringLiteral("report"), QStringLiteral("--ruc"), ruc, QStringLiteral("--year"), year,
                        QStringLiteral("--correl"), QStringLiteral("001")},
                       windir);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestServerInstall)
#include "tst_serverinstall.moc"
