// The database layer: opening with the workgroup check, the error numbers callers react
// to, bound parameters, statements prepared once for many rows, and the transaction guard.

#include "common/db/account.h"
#include "common/db/database.h"
#include "tests/support/damagedpage.h"
#include "tests/support/sandbox.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QDir>
#include <QtTest>

#include <limits>

class TestDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;

    qav::OpenOptions options(int busyMs = 300) const
    {
        qav::OpenOptions o = m_sb->openOptions();
        o.busyTimeoutMs = busyMs;
        return o;
    }

private slots:
    void init()
    {
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
    }

    void cleanup() { m_sb.reset(); }

    void openRefused_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("number");
        QTest::newRow("missing database file") << "nofile" << int(qav::ErrFileNotFound);
        QTest::newRow("missing workgroup file") << "nomdw" << int(qav::ErrNoWorkgroup);
        QTest::newRow("wrong password") << "password" << int(qav::ErrBadAccount);
        QTest::newRow("wrong user") << "user" << int(qav::ErrBadAccount);
        QTest::newRow("workgroup of another account") << "othermdw" << int(qav::ErrBadAccount);
        QTest::newRow("not a database") << "garbage" << int(qav::ErrNotADatabase);
    }

    void openRefused()
    {
        QFETCH(QString, change);
        QFETCH(int, number);
        qav::OpenOptions o = options();
        if (change == "nofile")
            o.file = m_sb->sysPath + "otra.mdb";
        else if (change == "nomdw")
            QVERIFY(QFile::remove(m_sb->workgroupFile()));
        else if (change == "password")
            o.password = qav::modulePassword().left(7) + u'x';
        else if (change == "user")
            o.user = qav::moduleUser().toUpper();
        else if (change == "othermdw")
            QVERIFY(qav::writeWorkgroupFile(m_sb->workgroupFile(), "otro", qav::modulePassword()));
        else if (change == "garbage") {
            QFile f(m_sb->dbFile);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray(4096, 'x'));
        }
        qav::Database db("t");
        QVERIFY(!db.open(o));
        QCOMPARE(db.lastError().number, number);
        QVERIFY(!db.lastError().text.isEmpty());
        QVERIFY(!db.isOpen());
    }

    void openSharedWithAnotherConnection()
    {
        qav::Database a("a"), b("b");
        QVERIFY(a.open(options()));
        QVERIFY2(b.open(options()), qPrintable(b.lastError().text));
        QVERIFY(a.execute("INSERT INTO PARAM VALUES ('044','6','x','')"));
        QCOMPARE(b.scalar("SELECT count(*) FROM PARAM").toInt(), 1);
        QCOMPARE(a.scalar("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
    }

    // Settings written on another system may spell the file's name in other capitals.
    void openFindsNameInOtherCase()
    {
        qav::OpenOptions o = options();
        const QFileInfo real(o.file);
        o.file = real.absolutePath() + u'/' + real.fileName().toUpper();
        QVERIFY(o.file != real.absoluteFilePath());
        qav::Database db("t");
        QVERIFY2(db.open(o), qPrintable(db.lastError().text));
        QVERIFY(db.execute("INSERT INTO PARAM VALUES ('044','6','x','')"));
        db.close();
        // No second file was created under the other spelling.
        QVERIFY(!QFileInfo::exists(o.file));
        qav::Database again("again");
        QVERIFY(again.open(options()));
        QCOMPARE(again.scalar("SELECT count(*) FROM PARAM").toInt(), 1);
    }

    // A workgroup file named without a folder (an empty SysPath) is the one in the
    // current folder, as every other file name is.
    void workgroupFileInCurrentFolder()
    {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_sb->sysPath));
        qav::OpenOptions o = options();
        o.workgroupFile = QFileInfo(m_sb->workgroupFile()).fileName();
        qav::Database db("t");
        const bool opened = db.open(o);
        QDir::setCurrent(before);
        QVERIFY2(opened, qPrintable(db.lastError().text));
    }

    // A connection holding the file exclusively refuses another's open with 3051.
    void lockedWhileOpening()
    {
        qav::Database holder("holder");
        QVERIFY(holder.open(options()));
        QVERIFY(holder.execute("PRAGMA locking_mode=EXCLUSIVE"));
        QVERIFY(holder.execute("INSERT INTO PARAM VALUES ('044','6','x','')"));
        qav::Database other("other");
        QElapsedTimer t;
        t.start();
        QVERIFY(!other.open(options(200)));
        QCOMPARE(other.lastError().number, int(qav::ErrLocked));
        QVERIFY(other.lastError().text.contains(m_sb->dbFile));
        QVERIFY2(t.elapsed() < 3000, "the busy timeout given was not used");
    }

    // In WAL mode a writer does not keep readers out: the open asks for the write lock, so
    // that a file another program is writing is refused as locked when it is opened.
    void lockedByWriterWhileOpening()
    {
        qav::Database holder("holder");
        QVERIFY(holder.open(options()));
        QVERIFY(holder.execute("BEGIN IMMEDIATE"));
        QVERIFY(holder.execute("INSERT INTO PARAM VALUES ('044','6','x','')"));
        qav::Database other("other");
        qav::OpenOptions o = options(200);
        QVERIFY(other.open(o)); // without asking, a reader gets in
        other.close();
        o.refuseWhileWriting = true;
        QVERIFY(!other.open(o));
        QCOMPARE(other.lastError().number, int(qav::ErrLocked));
        QCOMPARE(other.lastError().text, qav::dbErrorText(qav::ErrLocked, m_sb->dbFile));
        QVERIFY(!other.isOpen());
        QVERIFY(holder.execute("COMMIT"));
        QVERIFY(other.open(o));
    }

    // A write while another connection holds the write lock is 3051 after the timeout, its
    // text naming the file, and the guard that could not start says so.
    void lockedWhileWriting()
    {
        qav::Database holder("holder"), other("other");
        QVERIFY(holder.open(options()));
        QVERIFY(other.open(options(200)));
        QVERIFY(holder.execute("BEGIN EXCLUSIVE"));
        QVERIFY(!other.execute("INSERT INTO PARAM VALUES ('044','6','x','')"));
        QCOMPARE(other.lastError().number, int(qav::ErrLocked));
        QCOMPARE(other.lastError().text, qav::dbErrorText(qav::ErrLocked, m_sb->dbFile));
        {
            qav::Transaction tx(other);
            QVERIFY(!tx.isActive());
            QCOMPARE(other.lastError().number, int(qav::ErrLocked));
            QVERIFY(!tx.commit());
        }
        QVERIFY(holder.execute("COMMIT"));
        QVERIFY(other.execute("INSERT INTO PARAM VALUES ('044','6','x','')"));
    }

    void statementErrors_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("number");
        QTest::newRow("table exists") << "CREATE TABLE PARAM (x)" << int(qav::ErrTableExists);
        QTest::newRow("table exists, other case") << "CREATE TABLE param (x)" << int(qav::ErrTableExists);
        QTest::newRow("stored query of that name") << "CREATE TABLE VPARAM (x)" << int(qav::ErrTableExists);
        QTest::newRow("key exists") << "CREATE UNIQUE INDEX PK_PARAM ON PARAM (Numero)"
                                    << int(qav::ErrPrimaryKeyExists);
        QTest::newRow("duplicate key") << "INSERT INTO PARAM VALUES ('233','01','otra','')"
                                       << int(qav::ErrDuplicateKey);
        QTest::newRow("duplicate by update") << "UPDATE PARAM SET Argumento='01' WHERE Argumento='03'"
                                             << int(qav::ErrDuplicateKey);
        QTest::newRow("no such table") << "SELECT * FROM NOEXISTE" << int(qav::ErrNoSuchTable);
        QTest::newRow("unknown column") << "SELECT Nada FROM PARAM" << int(qav::ErrUnknownColumn);
        QTest::newRow("syntax") << "SELEC 1" << int(qav::ErrEngine);
    }

    void statementErrors()
    {
        QFETCH(QString, sql);
        QFETCH(int, number);
        qav::Database db("t");
        QVERIFY(db.open(options()));
        QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','01','FACTURA','')"));
        QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','03','BOLETA','')"));
        QVERIFY(db.execute("CREATE VIEW VPARAM AS SELECT * FROM PARAM"));
        QVERIFY(!db.execute(sql));
        QCOMPARE(db.lastError().number, number);
        QVERIFY(!db.lastError().text.isEmpty());
        // A failure is not remembered past the next success.
        QVERIFY(db.execute("DELETE FROM PARAM WHERE Numero='999'"));
        QCOMPARE(db.lastError().number, int(qav::ErrNone));
    }

    // Failures of the engine without a number of their own reach the operator in Spanish,
    // by their cause; a cause without a text keeps the engine's number and words.
    void engineFailuresInSpanish_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("text");
        const QString engine = QStringLiteral("Error del motor de base de datos: %1.");
        QTest::newRow("index on a stored query")
            << "CREATE INDEX ix ON VPARAM (Numero)"
            << engine.arg(QStringLiteral("no se puede crear un índice sobre una consulta"));
        QTest::newRow("syntax") << "SELEC 1"
                                << engine.arg(QStringLiteral("la instrucción SQL no está bien escrita"));
        QTest::newRow("no such function") << "SELECT nofunc(1)"
                                          << engine.arg(QStringLiteral("la instrucción usa una función que no existe"));
        QTest::newRow("required field") << "INSERT INTO OBLIGA (x) VALUES (NULL)"
                                        << engine.arg(QStringLiteral("un campo obligatorio quedó vacío"));
        QTest::newRow("rule of a column") << "INSERT INTO OBLIGA (x) VALUES (-1)"
                                          << engine.arg(QStringLiteral("un valor no cumple la regla de su columna"));
        QTest::newRow("no text of its own") << "SELECT abs(-9223372036854775807 - 1)"
                                            << QStringLiteral("Error del motor de base de datos número 1: integer overflow");
    }
    void engineFailuresInSpanish()
    {
        QFETCH(QString, sql);
        QFETCH(QString, text);
        qav::Database db("t");
        QVERIFY(db.open(options()));
        QVERIFY(db.execute("CREATE VIEW VPARAM AS SELECT * FROM PARAM"));
        QVERIFY(db.execute("CREATE TABLE OBLIGA (x INTEGER NOT NULL CHECK (x >= 0))"));
        QVERIFY(!db.execute(sql));
        QCOMPARE(db.lastError().number, int(qav::ErrEngine));
        QCOMPARE(db.lastError().text, text);
    }

    // A read that stops at a damaged page fails as a whole: rows(), scalar() and exists()
    // never hand out the rows before the damage as if they were all.
    void damagedPageFailsTheRead()
    {
        {
            qav::Database db("t");
            QVERIFY(db.open(options()));
            QVERIFY(db.execute("CREATE TABLE MUCHAS (n INTEGER, marca TEXT)"));
            qav::Transaction tx(db);
            for (int i = 0; i < 400; ++i)
                QVERIFY(db.execute("INSERT INTO MUCHAS VALUES (?, ?)",
                                   {i, QStringLiteral("fila%1-").arg(i, 4, 10, QLatin1Char('0')) + QString(200, u'x')}));
            QVERIFY(tx.commit());
            QVERIFY(db.execute("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
        QString why;
        QVERIFY2(qavtest::damagePageHolding(m_sb->dbFile, "fila0300-", &why), qPrintable(why));
        qav::Database db("t");
        QVERIFY(db.open(options()));
        QVERIFY(db.rows("SELECT n FROM MUCHAS").isEmpty());
        QCOMPARE(db.lastError().number, int(qav::ErrEngine));
        QCOMPARE(db.lastError().text,
                 QStringLiteral("Error del motor de base de datos: el archivo de la base de datos está dañado."));
        QVERIFY(!db.scalar("SELECT n FROM MUCHAS WHERE marca LIKE 'fila0350%'").isValid());
        QCOMPARE(db.lastError().number, int(qav::ErrEngine));
        QVERIFY(!db.exists("SELECT n FROM MUCHAS WHERE n = 399"));
        QCOMPARE(db.lastError().number, int(qav::ErrEngine));
        // The rows before the damage are still there to be read one by one.
        QCOMPARE(db.scalar("SELECT marca FROM MUCHAS WHERE rowid = 1").toString().left(9), QStringLiteral("fila0000-"));
    }

    void notOpen()
    {
        qav::Database db("t");
        QVERIFY(!db.execute("SELECT 1"));
        QCOMPARE(db.lastError().number, int(qav::ErrNotOpen));
        QVERIFY(db.rows("SELECT 1").isEmpty());
        QVERIFY(!db.scalar("SELECT 1").isValid());
    }

    // Quotes in values are data: stored as typed through every way of writing, and found
    // again by a bound filter.
    void boundParameters_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("apostrophe") << "0'1";
        QTest::newRow("double quote") << "A\"B";
        QTest::newRow("statement text") << "x'); DELETE FROM PARAM; --";
        QTest::newRow("accents") << QString::fromUtf8("Año ñandú €");
    }

    void boundParameters()
    {
        QFETCH(QString, value);
        qav::Database db("t");
        QVERIFY(db.open(options()));
        QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','00','fija','')"));
        QVERIFY(db.execute("INSERT INTO PARAM VALUES (?,?,?,?)", {"233", value, value, ""}));
        QVERIFY(db.insert("PARAM", {{"Numero", "234"}, {"Argumento", value}, {"Funcion", value}}));
        QVERIFY(db.update("PARAM", {{"Funcion", value + value}}, "Numero=? AND Argumento=?", {"234", value}));
        QCOMPARE(db.scalar("SELECT count(*) FROM PARAM").toInt(), 3);
        QCOMPARE(db.scalar("SELECT Funcion FROM PARAM WHERE Numero='233' AND Argumento=?", {value}).toString(),
                 value);
        QCOMPARE(db.scalar("SELECT Funcion FROM PARAM WHERE Numero='234' AND Argumento=?", {value}).toString(),
                 value + value);
        QVERIFY(db.exists("SELECT * FROM PARAM WHERE Argumento=?", {value}));
        const QList<QSqlRecord> rows = db.rows("SELECT Argumento FROM PARAM WHERE Numero=? ORDER BY 1", {"233"});
        QCOMPARE(rows.size(), 2);
    }

    void sqlFunctions_data()
    {
        QTest::addColumn<QString>("expr");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("mid") << "MID('REG. UNICO',6,5)" << QVariant("UNICO");
        QTest::newRow("mid to end") << "mid('2009',5,2) || mid('2009',1,4)" << QVariant("2009");
        QTest::newRow("left, quoted") << "max(\"left\"('00000012.PRN',8))" << QVariant("00000012");
        QTest::newRow("substr as left") << "substr('00000012.PRN',1,8)" << QVariant("00000012");
        QTest::newRow("len") << QString::fromUtf8("len(trim(' Año  '))") << QVariant(3);
        QTest::newRow("val number") << "VAL(' 11 000')" << QVariant(11000);
        QTest::newRow("val text") << "VAL('abc')" << QVariant(0);
        QTest::newRow("val decimal") << "VAL('12.5x')" << QVariant(12.5);
    }

    void sqlFunctions()
    {
        QFETCH(QString, expr);
        QFETCH(QVariant, expected);
        qav::Database db("t");
        QVERIFY(db.open(options()));
        const QVariant got = db.scalar("SELECT " + expr);
        QVERIFY2(got.isValid(), qPrintable(db.lastError().text));
        if (expected.typeId() == QMetaType::QString)
            QCOMPARE(got.toString(), expected.toString());
        else
            QCOMPARE(got.toDouble(), expected.toDouble());
    }

    // VAL hands back a whole number as an integer only while it is exact as a real too;
    // anything larger, up to the largest real and infinity past it, comes back as the
    // nearest real, never as a wrapped or clamped 64-bit integer. valOf gives the same
    // value. VAL reads no exponent and no word for infinity.
    void valAtTheEdgesOfItsRanges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("type");
        QTest::addColumn<double>("value");
        const double inf = std::numeric_limits<double>::infinity();
        const QString zeros308(308, u'0');
        const QString zeros400(400, u'0');
        QTest::newRow("largest integer") << "8999999999999999" << "integer" << 8999999999999999.0;
        QTest::newRow("smallest integer") << "-8999999999999999" << "integer" << -8999999999999999.0;
        QTest::newRow("whole, written with decimals") << "12.000" << "integer" << 12.0;
        QTest::newRow("first real") << "9000000000000000" << "real" << 9e15;
        QTest::newRow("beyond exact reals, rounded") << "9007199254740993" << "real" << 9007199254740992.0;
        QTest::newRow("largest 64-bit integer") << "9223372036854775807" << "real" << 9223372036854775807.0;
        QTest::newRow("just past 64 bits") << "9223372036854775808" << "real" << 9223372036854775808.0;
        QTest::newRow("smallest 64-bit integer") << "-9223372036854775808" << "real" << -9223372036854775808.0;
        QTest::newRow("9.3e18") << "9300000000000000000" << "real" << 9.3e18;
        QTest::newRow("1e19") << "10000000000000000000" << "real" << 1e19;
        QTest::newRow("-1e19") << "-10000000000000000000" << "real" << -1e19;
        QTest::newRow("decimals past 64 bits") << " 12345678901234567890.5 " << "real" << 12345678901234567890.5;
        QTest::newRow("1e308") << "1" + zeros308 << "real" << 1e308;
        QTest::newRow("past the largest real") << "1" + zeros400 << "real" << inf;
        QTest::newRow("negative past the largest real") << "-1" + zeros400 << "real" << -inf;
        QTest::newRow("exponent not read") << "1e19" << "integer" << 1.0;
        QTest::newRow("infinity not read") << "inf" << "integer" << 0.0;
        QTest::newRow("empty") << "" << "integer" << 0.0;
    }

    void valAtTheEdgesOfItsRanges()
    {
        QFETCH(QString, text);
        QFETCH(QString, type);
        QFETCH(double, value);
        qav::Database db("t");
        QVERIFY(db.open(options()));
        const QList<QSqlRecord> got = db.rows("SELECT typeof(VAL(?)), VAL(?)", {text, text});
        QVERIFY2(got.size() == 1, qPrintable(db.lastError().text));
        QCOMPARE(got[0].value(0).toString(), type);
        // Seventeen digits tell every real apart.
        const QString expected = QString::number(value, 'g', 17);
        QCOMPARE(QString::number(got[0].value(1).toDouble(), 'g', 17), expected);
        QCOMPARE(QString::number(qav::valOf(text), 'g', 17), expected);
    }

    void transactionRollsBackUnlessCommitted()
    {
        qav::Database db("t"), other("o");
        QVERIFY(db.open(options()));
        QVERIFY(other.open(options()));
        {
            qav::Transaction tx(db);
            QVERIFY(tx.isActive());
            QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','01','FACTURA','')"));
            QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','03','BOLETA','')"));
            QCOMPARE(db.scalar("SELECT count(*) FROM PARAM").toInt(), 2);
            QCOMPARE(other.scalar("SELECT count(*) FROM PARAM").toInt(), 0);
        }
        QCOMPARE(db.scalar("SELECT count(*) FROM PARAM").toInt(), 0);
        {
            qav::Transaction tx(db);
            QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','01','FACTURA','')"));
            QVERIFY(!db.execute("INSERT INTO PARAM VALUES ('233','01','otra','')"));
            QVERIFY(tx.commit());
            QVERIFY(!tx.isActive());
        }
        QCOMPARE(other.scalar("SELECT count(*) FROM PARAM").toInt(), 1);
    }

    // A transaction begun inside another is a savepoint of it: its rollback undoes only its
    // own rows, its commit stores nothing before the outer one commits, and the write lock
    // is held (another connection's transaction refused) until the outermost one ends.
    void nestedTransactionsAreSavepoints()
    {
        qav::Database db("t"), other("o");
        QVERIFY(db.open(options()));
        QVERIFY(other.open(options(100)));
        auto count = [&](qav::Database &d) { return d.scalar("SELECT count(*) FROM PARAM").toInt(); };
        {
            qav::Transaction outer(db, "7093/20100066603/2023");
            QVERIFY(outer.isActive());
            QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','01','FACTURA','')"));
            {
                qav::Transaction inner(db);
                QVERIFY2(inner.isActive(), qPrintable(db.lastError().text));
                QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','03','BOLETA','')"));
            } // rolled back alone
            QCOMPARE(count(db), 1);
            {
                qav::Transaction inner(db);
                QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','07','NOTA','')"));
                {
                    qav::Transaction innermost(db);
                    QVERIFY(innermost.isActive());
                    QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','08','DEBITO','')"));
                    QVERIFY(innermost.commit());
                }
                QVERIFY(inner.commit());
                QVERIFY(!inner.isActive());
            }
            QCOMPARE(count(db), 3);
            QCOMPARE(count(other), 0);
            qav::Transaction rival(other, "7093/20100066603/2023");
            QVERIFY(!rival.isActive());
            QCOMPARE(other.lastError().number, int(qav::ErrLocked));
        } // the outer one rolls everything back
        QCOMPARE(count(other), 0);
        {
            qav::Transaction outer(db);
            {
                qav::Transaction inner(db);
                QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','01','FACTURA','')"));
                QVERIFY(inner.commit());
            }
            QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','03','BOLETA','')"));
            QVERIFY(outer.commit());
        }
        QCOMPARE(count(other), 2);
        // After the outermost one ends, the next one is outermost again and takes the lock.
        qav::Transaction again(other);
        QVERIFY2(again.isActive(), qPrintable(other.lastError().text));
        QVERIFY(other.execute("DELETE FROM PARAM"));
        QVERIFY(again.commit());
        QCOMPARE(count(db), 0);
    }

    // A transaction left open when its database is closed and opened again does not make
    // the next one a savepoint of a transaction that no longer exists.
    void transactionAcrossReopen()
    {
        qav::Database db("t"), other("o");
        QVERIFY(db.open(options()));
        {
            qav::Transaction stale(db);
            QVERIFY(stale.isActive());
            db.close();
            QVERIFY(db.open(options()));
            qav::Transaction fresh(db);
            QVERIFY2(fresh.isActive(), qPrintable(db.lastError().text));
            QVERIFY(db.execute("INSERT INTO PARAM VALUES ('233','01','FACTURA','')"));
            QVERIFY(fresh.commit());
        }
        QVERIFY(other.open(options()));
        QCOMPARE(other.scalar("SELECT count(*) FROM PARAM").toInt(), 1);
    }

    void tableList()
    {
        qav::Database db("t"), other("o");
        QVERIFY(db.open(options()));
        QVERIFY(other.open(options()));
        QVERIFY(!db.tableExists("f7093des"));
        QVERIFY(other.execute("CREATE TABLE F7093DES (x)"));
        QVERIFY(db.tableExists("f7093des"));
        QVERIFY(db.tableExists("F7093DES"));
        QVERIFY(db.tables().contains("F7093DES"));
        QVERIFY(db.execute("CREATE VIEW V1 AS SELECT 1"));
        QVERIFY(!db.tableExists("V1"));
    }

    // One statement for many rows: every row stored as bound, a refused row reported and
    // the statement usable again, and the rows kept or dropped with their transaction.
    void preparedInsertRunsManyRows()
    {
        qav::Database db("t"), other("o");
        QVERIFY(db.open(options()));
        QVERIFY(other.open(options()));
        const QStringList columns{"Numero", "Argumento", "Funcion", "Correl_Param"};
        {
            qav::Transaction tx(db);
            qav::PreparedStatement add = db.prepareInsert("PARAM", columns);
            QVERIFY2(add.isValid(), qPrintable(db.lastError().text));
            for (int i = 0; i < 2000; ++i) {
                QVERIFY2(add.run({"900", QString::number(i), QStringLiteral("0'1\"%1").arg(i), ""}),
                         qPrintable(db.lastError().text));
                QCOMPARE(add.rowsAffected(), 1);
            }
            QVERIFY(!add.run({"900", "7", "repetido", ""}));
            QCOMPARE(db.lastError().number, int(qav::ErrDuplicateKey));
            QCOMPARE(add.rowsAffected(), 0);
            QVERIFY(add.run({"900", "2000", "tras el rechazo", ""}));
            QVERIFY(!db.lastError().isError());
            QCOMPARE(other.scalar("SELECT count(*) FROM PARAM").toInt(), 0);
            QVERIFY(tx.commit());
        }
        QCOMPARE(other.scalar("SELECT count(*) FROM PARAM WHERE Numero='900'").toInt(), 2001);
        QCOMPARE(other.scalar("SELECT Funcion FROM PARAM WHERE Argumento='1234'").toString(),
                 QStringLiteral("0'1\"1234"));
        QCOMPARE(other.scalar("SELECT Funcion FROM PARAM WHERE Argumento='7'").toString(),
                 QStringLiteral("0'1\"7"));
        {
            qav::Transaction tx(db);
            qav::PreparedStatement add = db.prepareInsert("PARAM", columns);
            QVERIFY(add.run({"901", "1", "", ""}));
        }
        QCOMPARE(other.scalar("SELECT count(*) FROM PARAM WHERE Numero='901'").toInt(), 0);
    }

    void preparedStatementFailures()
    {
        qav::Database db("t");
        qav::PreparedStatement early = db.prepare("SELECT 1");
        QVERIFY(!early.isValid());
        QVERIFY(!early.run({}));
        QCOMPARE(db.lastError().number, int(qav::ErrNotOpen));

        QVERIFY(db.open(options()));
        qav::PreparedStatement wrongTable = db.prepareInsert("NOEXISTE", {"a"});
        QVERIFY(!wrongTable.isValid());
        QCOMPARE(db.lastError().number, int(qav::ErrNoSuchTable));
        QVERIFY(db.execute("SELECT 1"));
        QVERIFY(!wrongTable.run({1}));
        QCOMPARE(db.lastError().number, int(qav::ErrNoSuchTable));
        QVERIFY(!qav::PreparedStatement().run({}));

        // A statement of an earlier opening is refused, not run on the new one.
        qav::PreparedStatement add = db.prepareInsert("CLAVES", {"Usuario"});
        QVERIFY(add.run({"UNO"}));
        db.close();
        QVERIFY(!add.run({"DOS"}));
        QCOMPARE(db.lastError().number, int(qav::ErrNotOpen));
        QVERIFY(db.open(options()));
        QVERIFY(!add.run({"TRES"}));
        QCOMPARE(db.lastError().number, int(qav::ErrNotOpen));
        QCOMPARE(db.scalar("SELECT count(*) FROM CLAVES").toInt(), 1);
    }

    // insert() runs its kept statement again only for the same table and columns.
    void insertKeepsItsStatementPerTableAndColumns()
    {
        qav::Database db("t");
        QVERIFY(db.open(options()));
        QVERIFY(db.insert("CLAVES", {{"Usuario", "A"}, {"Nombre", "uno"}}));
        QVERIFY(db.insert("CLAVES", {{"Usuario", "B"}, {"Nombre", "dos"}}));
        QVERIFY(db.insert("CLAVES", {{"Usuario", "C"}, {"Tipo", "1"}}));
        QVERIFY(db.insert("Error", {{"CodError", "0001"}, {"DescError", "x"}}));
        QVERIFY(db.insert("CLAVES", {{"Usuario", "D"}, {"Nombre", "cuatro"}}));
        QCOMPARE(db.rowsAffected(), 1);
        QVERIFY(!db.insert("CLAVES", {{"Usuario", "D"}, {"Nombre", "otra vez"}}));
        QCOMPARE(db.lastError().number, int(qav::ErrDuplicateKey));
        QCOMPARE(db.rowsAffected(), 0);
        db.close();
        QVERIFY(db.open(options()));
        QVERIFY(db.insert("CLAVES", {{"Usuario", "E"}, {"Nombre", "cinco"}}));

        QStringList rows;
        for (const QSqlRecord &r : db.rows("SELECT Usuario, Nombre, Tipo FROM CLAVES ORDER BY Usuario"))
            rows << r.value(0).toString() + u'/' + r.value(1).toString() + u'/' + r.value(2).toString();
        QCOMPARE(rows, QStringList({"A/uno/", "B/dos/", "C//1", "D/cuatro/", "E/cinco/"}));
        QCOMPARE(db.scalar("SELECT count(*) FROM Error").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
