// The same statements on both engines: the embedded file and the PostgreSQL server give the
// same results and the same error numbers. Each case runs once per engine; the server's
// runs are skipped, saying why, when the test run has no server.

#include "common/db/amounttotals.h"
#include "common/db/database.h"
#include "common/db/rowdigest.h"
#include "common/db/tableinfo.h"
#include "common/text/textfile.h"
#include "declmod/declaration/numerocontrol.h"
#include "declmod/declaration/sqlfunctions.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/import/importtarget.h"
#include "tests/support/sandbox.h"
#include "tests/support/testserver.h"

#include <QSqlQuery>
#include <QtTest>

#include <map>
#include <memory>

namespace {

const QVariant kNull = QVariant();

// The engines a case runs on, as rows of its data table.
void addEngines(const char *caseName, const std::function<void(QTestData &)> &fill)
{
    for (const char *engine : {"file", "server"}) {
        QTestData &row = QTest::addRow("%s: %s", engine, caseName) << QString::fromLatin1(engine);
        fill(row);
    }
}

} // namespace

class TestEngines : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;
    std::unique_ptr<qav::Database> m_db;
    // The cases that only read, or write the session's own working table, share one
    // sandbox per engine (a server database takes a while to make).
    std::map<QString, std::pair<std::unique_ptr<qavtest::Sandbox>, std::unique_ptr<qav::Database>>> m_shared;

    bool openShared(const QString &engine)
    {
        auto &entry = m_shared[engine];
        if (!entry.second) {
            if (!open(engine))
                return false;
            entry.first = std::move(m_sb);
            entry.second = std::move(m_db);
        }
        m_db.reset();
        m_sb.reset();
        m_current = entry.second.get();
        return true;
    }
    qav::Database *m_current = nullptr;
    qav::Database &db() { return m_db ? *m_db : *m_current; }

    // Opens a sandbox of the engine named by the row; false (the case skipped) when the
    // server is asked for and the run has none.
    bool open(const QString &engine)
    {
        m_db.reset();
        m_sb = std::make_unique<qavtest::Sandbox>();
        m_sb->server = engine == QLatin1String("server");
        if (m_sb->server && !qavtest::TestServer::unavailableReason().isEmpty())
            return false;
        QString why;
        if (!m_sb->create(&why)) {
            qWarning("%s", qPrintable(why));
            return false;
        }
        static int connections = 0;
        m_db = std::make_unique<qav::Database>(QStringLiteral("engines-%1").arg(++connections));
        if (!m_db->open(m_sb->openOptions())) {
            qWarning("%s", qPrintable(m_db->lastError().text));
            return false;
        }
        declmod::registerDeclarationFunctions(m_db->handle());
        return true;
    }

    std::unique_ptr<qav::Database> another(int busyMs = 300)
    {
        auto db = std::make_unique<qav::Database>(QStringLiteral("engines-other"));
        qav::OpenOptions o = m_sb->openOptions();
        o.busyTimeoutMs = busyMs;
        if (!db->open(o))
            return nullptr;
        declmod::registerDeclarationFunctions(db->handle());
        return db;
    }

#define SKIP_WITHOUT_SERVER()                                                              \
    QFETCH(QString, engine);                                                               \
    if (engine == QLatin1String("server")                                                  \
        && !qavtest::TestServer::unavailableReason().isEmpty())                            \
        QSKIP(qPrintable(QStringLiteral("server variant skipped: ")                        \
                         + qavtest::TestServer::unavailableReason()))
#define OPEN_ENGINE()                                                                      \
    SKIP_WITHOUT_SERVER();                                                                 \
    QVERIFY(open(engine))
#define OPEN_SHARED_ENGINE()                                                               \
    SKIP_WITHOUT_SERVER();                                                                 \
    QVERIFY(openShared(engine))

private slots:
    void cleanup()
    {
        m_db.reset();
        m_sb.reset();
        m_current = nullptr;
    }

    void cleanupTestCase() { m_shared.clear(); }

    // Functions of one value: MID, LEN, VAL, ALLDIGITS at their edges.
    void functions_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        const struct {
            const char *name;
            const char *sql;
            QVariant value;
            QVariant expected;
        } cases[] = {
            {"mid inside", "SELECT mid(?, 2, 3)", "ABCDEF", "BCD"},
            {"mid start below 1", "SELECT mid(?, 0, 2)", "ABCDEF", "AB"},
            {"mid past the end", "SELECT mid(?, 5, 2)", "ABC", ""},
            {"mid negative length", "SELECT mid(?, 2, -1)", "ABC", ""},
            {"mid to the end", "SELECT mid(?, 3)", "ABCDEF", "CDEF"},
            {"mid of no value", "SELECT mid(?, 1, 2)", kNull, kNull},
            {"mid of a period", "SELECT mid(?,5,2) || mid(?,1,4)", "202312", "122023"},
            {"len counts blanks", "SELECT len(?)", "ab  ", 4},
            {"len empty", "SELECT len(?)", "", 0},
            {"val leading number", "SELECT val(?)", " 12abc", 12},
            {"val spaces inside", "SELECT val(?)", "- 1 2.5x", -12.5},
            {"val tab before", "SELECT val(?)", "\t7", 7},
            {"val point first", "SELECT val(?)", ".5", 0.5},
            {"val no exponent", "SELECT val(?)", "1e3", 1},
            {"val stops at comma", "SELECT val(?)", "1,234", 1},
            {"val of letters", "SELECT val(?)", "abc", 0},
            {"val of a sign", "SELECT val(?)", "-", 0},
            {"val empty", "SELECT val(?)", "", 0},
            {"val of no value", "SELECT val(?)", kNull, 0},
            {"alldigits", "SELECT alldigits(?)", "0123", true},
            {"alldigits with a letter", "SELECT alldigits(?)", "12a", false},
            {"alldigits empty", "SELECT alldigits(?)", "", false},
            {"alldigits with a blank", "SELECT alldigits(?)", "12 ", false},
            {"isamount grouped", "SELECT isamount(?)", " -1,234.5 ", true},
            {"isamount of a point and digits", "SELECT isamount(?)", ".5", true},
            {"isamount of no value", "SELECT isamount(?)", kNull, true},
            {"isamount of letters", "SELECT isamount(?)", "12a", false},
            {"isamount empty", "SELECT isamount(?)", "", false},
            {"isamount bad grouping", "SELECT isamount(?)", "1,23", false},
            {"isamount exponent", "SELECT isamount(?)", "1e3", false},
            {"isamount largest", "SELECT isamount(?)", "922337203685477.5807", true},
            {"isamount beyond the smallest", "SELECT isamount(?)", "-922337203685477.5808", false},
            {"isamount beyond range", "SELECT isamount(?)", "999999999999999999", false},
        };
        for (const auto &c : cases)
            addEngines(c.name, [&](QTestData &row) {
                row << QString::fromLatin1(c.sql) << c.value << c.expected;
            });
    }

    void functions()
    {
        OPEN_SHARED_ENGINE();
        QFETCH(QString, sql);
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        const QVariantList params(sql.count(u'?'), value.isNull() ? QVariant(QMetaType::fromType<QString>()) : value);
        QSqlQuery q;
        QVERIFY2(db().select(&q, sql, params), qPrintable(db().lastError().text));
        QVERIFY(q.next());
        const QVariant got = q.value(0);
        if (expected.isNull())
            QVERIFY2(got.isNull(), qPrintable(got.toString()));
        else if (expected.typeId() == QMetaType::Bool)
            QCOMPARE(got.toBool(), expected.toBool());
        else if (expected.typeId() == QMetaType::Int || expected.typeId() == QMetaType::Double)
            QCOMPARE(got.toDouble(), expected.toDouble());
        else
            QCOMPARE(got.toString(), expected.toString());
    }

    // The control value of a row, computed by the engine, is the program's own.
    void controlValue_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("k");
        QTest::addColumn<QStringList>("fields");
        const struct {
            const char *name;
            int k;
            QStringList fields;
        } cases[] = {
            {"a voucher line", 7,
             {"6", "20100066603", "2023", "7093", "01", "F001", "01", "100.00", "18.00"}},
            {"credit note", 7,
             {"6", "20100066603", "2023", "7093", "07", "0001", "12", "-1500.50", "-254.33"}},
            {"series with letters", 7, {"6", "10456789012", "2024", "7093", "12", "ab12cd", "03", "1.5", "0"}},
            {"grouping, sign, blanks", 3, {" -3,000.5 ", "+1,234,567.891", "\t12", "x"}},
            {"decimals rounded at the fourth", 2, {"0.00005", "-0.00005", ""}},
            {"exponent", 2, {"1.5e3", "2E-2", "z"}},
            {"beyond the exact range", 2, {"1e50", "123456789012345678901234567890123", "q"}},
            {"not finite as a double", 1, {"1e400", "w"}},
            {"not numbers", 3, {"abc", "1,23", "1e", "text"}},
            {"Windows-1252 letters", 1, {"5", QStringLiteral("Año €uro ñandú"), QStringLiteral("ŒœŠšŸ")}},
            {"characters outside the code page", 0, {QStringLiteral("→∑"), "ok"}},
            {"text blanks trimmed", 0, {"  ab  ", "\tx"}},
            {"long text", 0, {QString(200, u'Z'), "y"}},
        };
        for (const auto &c : cases)
            addEngines(c.name, [&](QTestData &row) { row << c.k << c.fields; });
    }

    void controlValue()
    {
        OPEN_SHARED_ENGINE();
        QFETCH(int, k);
        QFETCH(QStringList, fields);
        QStringList marks;
        QVariantList params{k};
        QVariantList values;
        for (const QString &f : fields) {
            marks << QStringLiteral("?");
            params << f;
            values << f;
        }
        // The program computes over the row with its control value last (left out).
        QVariantList row = values;
        row << QString();
        const QString expected = declmod::NumeroControl(row, k);
        const QVariant got = db().scalar(
            QStringLiteral("SELECT numerocontrol(?, %1)").arg(marks.join(u',')), params);
        QVERIFY2(!db().lastError().isError(), qPrintable(db().lastError().text));
        QCOMPARE(got.toString(), expected);
    }

    // Exact sums of amounts written as text, and counts, over the working table.
    void sums_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QVariant>("sum"); // in ten-thousandths; null for no rows
        const struct {
            const char *name;
            QStringList amounts;
            QVariant sum;
        } cases[] = {
            {"no rows", {}, kNull},
            {"cents that floating point loses", {"0.10", "0.20", "0.30", "-0.60"}, 0},
            {"large amounts exactly", {"999999999999.99", "999999999999.99", "0.02"}, QVariant(qlonglong(20000000000000000))},
            {"grouped and signed", {"1,234.50", "-34.5", " +10 "}, QVariant(qlonglong(12100000))},
            {"rounded at four decimals", {"0.00005", "0.00004", "-0.00005"}, QVariant(qlonglong(0))},
            {"a point without decimals, decimals without units", {"7.", " .5\t"}, QVariant(qlonglong(75000))},
        };
        for (const auto &c : cases)
            addEngines(c.name, [&](QTestData &row) { row << c.amounts << c.sum; });
    }

    void sums()
    {
        OPEN_SHARED_ENGINE();
        QFETCH(QStringList, amounts);
        QFETCH(QVariant, sum);
        declmod::WorkingTable table(db());
        QVERIFY2(table.create() && table.clear(), qPrintable(db().lastError().text));
        int n = 0;
        for (const QString &a : amounts)
            QVERIFY2(db().execute(QStringLiteral("INSERT INTO tmpf7093des (tip_com, num_ser, per_tri,"
                                                  " tot_ven, tot_gra) VALUES ('01', ?, '01', ?, ?)"),
                                   {QString::number(++n), a, a}),
                     qPrintable(db().lastError().text));
        QSqlQuery q;
        QVERIFY(db().select(&q, QStringLiteral("SELECT amountsum(tot_ven), count(*) FROM tmpf7093des")));
        QVERIFY(q.next());
        if (sum.isNull())
            QVERIFY(q.value(0).isNull());
        else
            QCOMPARE(q.value(0).toLongLong(), sum.toLongLong());
        QCOMPARE(q.value(1).toLongLong(), qlonglong(amounts.size()));
        q.finish();
        // The same sums as the grid's totals take them.
        qav::DbError error;
        const auto totals = qav::amountTotals(db(), QStringLiteral("tmpf7093des"),
                                              {QStringLiteral("tot_ven"), QStringLiteral("tot_gra")},
                                              &error);
        QVERIFY2(totals, qPrintable(error.text));
        QCOMPARE(totals->rows, qint64(amounts.size()));
        QCOMPARE(totals->sums.size(), 2);
        for (const auto &s : totals->sums) {
            if (sum.isNull())
                QVERIFY(!s);
            else
                QCOMPARE(s.value_or(-1), sum.toLongLong());
        }
    }

    void sumBeyondRangeFails_data()
    {
        QTest::addColumn<QString>("engine");
        addEngines("beyond 64 bits", [](QTestData &) {});
    }

    void sumBeyondRangeFails()
    {
        OPEN_ENGINE();
        declmod::WorkingTable table(*m_db);
        QVERIFY(table.create());
        for (int i = 0; i < 3; ++i)
            QVERIFY(m_db->execute(QStringLiteral("INSERT INTO tmpf7093des VALUES ('01', ?, '01', ?, '0')"),
                                  {QString::number(i), QStringLiteral("500000000000000.00")}));
        QVERIFY(!m_db->scalar(QStringLiteral("SELECT amountsum(tot_ven) FROM tmpf7093des")).isValid());
        QVERIFY(m_db->lastError().isError());
    }

    // A sum over a text that is not an amount, or one that leaves the range of an amount,
    // fails with the same number and words on both engines; what is not a number is told
    // first, wherever it stands.
    void sumRefusals_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("words");
        const QString big = QStringLiteral("500000000000000.00");
        const struct {
            const char *name;
            QStringList amounts;
            const char *words;
        } cases[] = {
            {"letters", {"1.00", "abc", "2.00"}, "amount not a number"},
            {"bad grouping", {"1,23"}, "amount not a number"},
            {"empty text", {"5", ""}, "amount not a number"},
            {"beyond the range of an amount", {big, big, "-1"}, "amount sum out of range"},
            {"not a number after the range was left", {big, big, "x"}, "amount not a number"},
        };
        for (const auto &c : cases)
            addEngines(c.name, [&](QTestData &row) {
                row << c.amounts << QString::fromLatin1(c.words);
            });
    }

    void sumRefusals()
    {
        OPEN_SHARED_ENGINE();
        QFETCH(QStringList, amounts);
        QFETCH(QString, words);
        declmod::WorkingTable table(db());
        QVERIFY2(table.create() && table.clear(), qPrintable(db().lastError().text));
        int n = 0;
        for (const QString &a : amounts)
            QVERIFY2(db().execute(QStringLiteral("INSERT INTO tmpf7093des (tip_com, num_ser, per_tri,"
                                                  " tot_ven, tot_gra) VALUES ('01', ?, '01', ?, '0')"),
                                   {QString::number(++n), a}),
                     qPrintable(db().lastError().text));
        QVERIFY(!db().scalar(QStringLiteral("SELECT amountsum(tot_ven) FROM tmpf7093des")).isValid());
        QCOMPARE(db().lastError().number, int(qav::ErrEngine));
        QCOMPARE(db().lastError().text, qav::engineErrorText(1, words));
        qav::DbError error;
        QVERIFY(!qav::amountTotals(db(), QStringLiteral("tmpf7093des"),
                                   {QStringLiteral("tot_gra"), QStringLiteral("tot_ven")}, &error));
        QCOMPARE(error.number, int(qav::ErrEngine));
        QCOMPARE(error.text, qav::engineErrorText(1, words));
    }

    // Rows inserted with their last column worked out from the others: the same rows on
    // both engines, texts with tabs, line ends, backslashes, letters beyond ASCII and no
    // value kept as they are; a repeated key fails as one statement inside a transaction.
    void insertComputed_data()
    {
        QTest::addColumn<QString>("engine");
        addEngines("rows with a computed column", [](QTestData &) {});
    }

    void insertComputed()
    {
        OPEN_ENGINE();
        QVERIFY2(m_db->executeDdl(QStringLiteral("CREATE TABLE S1 ([k] Text(10) COLLATE NOCASE,"
                                                 " [v] Text(50) COLLATE NOCASE, [n] INTEGER)")),
                 qPrintable(m_db->lastError().text));
        QVERIFY(m_db->executeDdl(QStringLiteral("CREATE TABLE T2 ([k] Text(10) COLLATE NOCASE,"
                                                " [v] Text(50) COLLATE NOCASE, [n] INTEGER,"
                                                " [c] Text(80) COLLATE NOCASE)")));
        QVERIFY(m_db->executeDdl(QStringLiteral("CREATE UNIQUE INDEX PK_T2 ON T2 ([k])")));
        const QList<QVariantList> rows{
            {"a", "tab\there", 1},
            {"b", "back\\slash \\N", 2},
            {"c", "line\nend\r", 3},
            {"d", QVariant(QMetaType::fromType<QString>()), 4},
            {"e", QStringLiteral("Ñandú €"), -5},
        };
        for (const QVariantList &r : rows)
            QVERIFY(m_db->execute(QStringLiteral("INSERT INTO S1 VALUES (?, ?, ?)"), r));
        auto expected = [](const QVariantList &r) {
            return r[0].toString() + u'|' + (r[1].isNull() ? QStringLiteral("-") : r[1].toString())
                + u'|' + QString::number(r[2].toLongLong());
        };
        auto insert = [&] {
            return m_db->insertComputed(
                QStringLiteral("T2"), {QStringLiteral("k"), QStringLiteral("v"), QStringLiteral("n"), QStringLiteral("c")},
                QStringLiteral("SELECT k, v, n FROM S1 WHERE k <> '?' AND n > ?"), {-10},
                QStringLiteral("k || '|' || coalesce(v, '-') || '|' || n"), expected);
        };
        QVERIFY2(insert(), qPrintable(m_db->lastError().text));
        QCOMPARE(m_db->rowsAffected(), 5);
        const QList<QSqlRecord> stored = m_db->rows(QStringLiteral("SELECT k, v, n, c FROM T2 ORDER BY k"));
        QCOMPARE(stored.size(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(stored[i].value(0).toString(), rows[i][0].toString());
            QCOMPARE(stored[i].value(1).isNull(), rows[i][1].isNull());
            QCOMPARE(stored[i].value(1).toString(), rows[i][1].toString());
            QCOMPARE(stored[i].value(2).toLongLong(), rows[i][2].toLongLong());
            QCOMPARE(stored[i].value(3).toString(), expected(rows[i]));
        }
        {
            qav::Transaction tx(*m_db);
            QVERIFY(tx.isActive());
            QVERIFY(m_db->execute(QStringLiteral("INSERT INTO T2 (k, n) VALUES ('f', 6)")));
            QVERIFY(!insert());
            QCOMPARE(m_db->lastError().number, int(qav::ErrDuplicateKey));
            QVERIFY2(m_db->execute(QStringLiteral("INSERT INTO T2 (k, n) VALUES ('g', 7)")),
                     qPrintable(m_db->lastError().text));
            QVERIFY(tx.commit());
        }
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM T2")).toInt(), 7);
    }

    // The digest of a set of rows is the program's fold of their texts on both engines,
    // whatever order the rows were written in; a missing value is not an empty text.
    void rowDigest_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QList<QStringList>>("rows");
        const QString none; // NULL
        const struct {
            const char *name;
            QList<QStringList> rows;
        } cases[] = {
            {"no rows", {}},
            {"one row", {{"01", "F001", "01", "100.00", "18.00"}}},
            {"rows with accents and blanks",
             {{"01", QStringLiteral("Ñandú"), "02", " 1.5", "0"}, {"07", "b 2", "12", "-3", ""}}},
            {"a missing value", {{"01", "F003", "03", none, "1"}}},
            {"an empty text where the other has none", {{"01", "F003", "03", "", "1"}}},
        };
        for (const auto &c : cases)
            addEngines(c.name, [&](QTestData &row) { row << c.rows; });
    }

    void rowDigest()
    {
        OPEN_SHARED_ENGINE();
        QFETCH(QList<QStringList>, rows);
        declmod::WorkingTable table(db());
        QVERIFY2(table.create() && table.clear(), qPrintable(db().lastError().text));
        const QString values = QStringLiteral("CAST(tip_com AS TEXT), CAST(num_ser AS TEXT),"
                                              " CAST(per_tri AS TEXT), CAST(tot_ven AS TEXT),"
                                              " CAST(tot_gra AS TEXT)");
        auto write = [&](const QList<QStringList> &list) {
            for (const QStringList &r : list)
                if (!db().execute(QStringLiteral("INSERT INTO tmpf7093des (tip_com, num_ser, per_tri,"
                                                 " tot_ven, tot_gra) VALUES (?, ?, ?, ?, ?)"),
                                  {r[0], r[1], r[2], r[3], r[4]}))
                    return false;
            return true;
        };
        QVERIFY2(write(rows), qPrintable(db().lastError().text));
        const std::optional<QVariant> got = qav::rowDigest(db(), values, QStringLiteral("tmpf7093des"));
        QVERIFY2(got, qPrintable(db().lastError().text));
        qav::RowDigest expected;
        for (const QStringList &r : rows) {
            for (const QString &v : r) {
                if (v.isNull())
                    expected.addNull();
                else
                    expected.addValue(v.toUtf8());
            }
            expected.endRow();
        }
        // A table that does not exist: no digest, and the number of the missing table.
        qav::DbError missing;
        QVERIFY(!qav::rowDigest(db(), values, QStringLiteral("NoSuchTable"), {}, &missing));
        QCOMPARE(missing.number, int(qav::ErrNoSuchTable));
        if (rows.isEmpty()) {
            QVERIFY(got->isNull());
            return;
        }
        QCOMPARE(got->toByteArray(), expected.text());
        // The same rows written the other way round.
        QVERIFY(table.clear());
        QList<QStringList> reversed(rows.rbegin(), rows.rend());
        QVERIFY(write(reversed));
        QCOMPARE(qav::rowDigest(db(), values, QStringLiteral("tmpf7093des"))->toByteArray(),
                 expected.text());
        // One value changed changes it.
        QVERIFY(db().execute(QStringLiteral("UPDATE tmpf7093des SET tot_gra = '9' WHERE num_ser = ?"),
                             {rows.first()[1]}));
        QVERIFY(qav::rowDigest(db(), values, QStringLiteral("tmpf7093des"))->toByteArray()
                != expected.text());
    }

    // Which columns hold dates: the host's HCAB keeps its date of sending as a date-time.
    void dateColumns_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QList<bool>>("marks");
        const QList<bool> hcab{false, false, false, false, false, false, false, true,
                               false, false, false, false, false};
        addEngines("HCAB", [&](QTestData &row) { row << QStringLiteral("HCAB") << hcab; });
        addEngines("hcab in lower case", [&](QTestData &row) { row << QStringLiteral("hcab") << hcab; });
        addEngines("CAB keeps its date as text", [&](QTestData &row) {
            row << QStringLiteral("CAB") << QList<bool>(10, false);
        });
        addEngines("no such table", [&](QTestData &row) {
            row << QStringLiteral("NoSuchTable") << QList<bool>();
        });
    }

    void dateColumns()
    {
        OPEN_SHARED_ENGINE();
        QFETCH(QString, table);
        QFETCH(QList<bool>, marks);
        const std::optional<QList<bool>> got = qav::dateColumns(db(), table);
        QVERIFY2(got, qPrintable(db().lastError().text));
        QCOMPARE(*got, marks);
    }

    // The import's target stores every record of a chunk, answers a key repeated in another
    // case at once, and reports (never drops silently) a record whose key the server's
    // collation takes as repeated where the program's case folding does not ("A²" and
    // "a2" are one key on the server, two in the file).
    void importTarget_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QStringList>("series");  // one record each, in the file's code page
        QTest::addColumn<int>("duplicates");      // answered Duplicate at once
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("lost");
        QStringList many;
        for (int i = 0; i < 12; ++i)
            many << QStringLiteral("F%1").arg(i, 3, 10, QLatin1Char('0'));
        for (const char *engine : {"file", "server"}) {
            const bool server = qstrcmp(engine, "server") == 0;
            QTest::addRow("%s: chunks of distinct keys", engine)
                << QString::fromLatin1(engine) << many << 0 << 12 << 0;
            QTest::addRow("%s: a key repeated in another case", engine)
                << QString::fromLatin1(engine) << QStringList{"F001", "f001", "F002"} << 1 << 2 << 0;
            QTest::addRow("%s: a key only the server's collation repeats", engine)
                << QString::fromLatin1(engine) << QStringList{"A2", QStringLiteral("a²"), "B1"} << 0
                << (server ? 2 : 3) << (server ? 1 : 0);
        }
    }

    void importTarget()
    {
        OPEN_ENGINE();
        QFETCH(QStringList, series);
        QFETCH(int, duplicates);
        QFETCH(int, stored);
        QFETCH(int, lost);
        declmod::WorkingTable table(*m_db);
        QVERIFY(table.create());
        int repeated = 0;
        bool finished;
        qav::DbError error;
        qint64 lostRecords;
        {
            declmod::WorkingTableTarget target(*m_db, 5);
            for (const QString &s : series) {
                declmod::ImportRecord r;
                const QByteArray bytes = qav::encodeCp1252(s);
                r.tip_com.assign("01");
                r.num_ser.assign(bytes);
                r.per_tri.assign("01");
                r.tot_ven.assign("1.00");
                r.tot_gra.assign("0.18");
                const auto result = target.add(r);
                QVERIFY(result != declmod::ImportTarget::Result::Failed);
                repeated += result == declmod::ImportTarget::Result::Duplicate ? 1 : 0;
            }
            finished = target.finish();
            error = target.error();
            lostRecords = target.lost();
        }
        QCOMPARE(repeated, duplicates);
        QCOMPARE(table.count(), qint64(stored));
        QCOMPARE(lostRecords, qint64(lost));
        QCOMPARE(finished, lost == 0);
        if (lost > 0)
            QCOMPARE(error.number, int(qav::ErrDuplicateKey));
    }

    // Texts compare without regard to case: lookups, keys and the refusal of a repeated key.
    void textIgnoresCase_data()
    {
        QTest::addColumn<QString>("engine");
        addEngines("keys and lookups", [](QTestData &) {});
    }

    void textIgnoresCase()
    {
        OPEN_ENGINE();
        QVERIFY(m_db->execute(QStringLiteral("INSERT INTO CLAVES (Usuario, Nombre, Tipo) VALUES ('JPEREZ', 'Juan', '1')")));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT Nombre FROM CLAVES WHERE Usuario = ?"), {"jperez"}).toString(),
                 QStringLiteral("Juan"));
        QVERIFY(!m_db->execute(QStringLiteral("INSERT INTO CLAVES (Usuario) VALUES (?)"), {"JPerez"}));
        QCOMPARE(m_db->lastError().number, int(qav::ErrDuplicateKey));

        declmod::WorkingTable table(*m_db);
        QVERIFY(table.create());
        QVERIFY(m_db->execute(QStringLiteral("INSERT INTO tmpf7093des (tip_com, num_ser, per_tri, tot_ven, tot_gra)"
                                             " VALUES ('01', 'a001', '01', '1', '1')")));
        QVERIFY(!m_db->execute(QStringLiteral("INSERT INTO tmpf7093des (tip_com, num_ser, per_tri, tot_ven, tot_gra)"
                                              " VALUES ('01', 'A001', '01', '2', '2')")));
        QCOMPARE(m_db->lastError().number, int(qav::ErrDuplicateKey));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM tmpf7093des WHERE num_ser = 'A001'")).toInt(), 1);
    }

    // A null text bound to a statement is stored as NULL, never as an empty text.
    void nullTextStaysNull_data()
    {
        QTest::addColumn<QString>("engine");
        addEngines("bound null text", [](QTestData &) {});
    }

    void nullTextStaysNull()
    {
        OPEN_ENGINE();
        QVERIFY(m_db->execute(QStringLiteral("INSERT INTO CLAVES (Usuario, Nombre, Tipo) VALUES (?, ?, ?)"),
                              {QStringLiteral("N"), QString(), QStringLiteral("")}));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM CLAVES WHERE Nombre IS NULL")).toInt(), 1);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM CLAVES WHERE Tipo = ''")).toInt(), 1);
    }

    // Table definitions and keys made twice, a repeated key, a missing table: the numbers
    // the callers react to.
    void errorNumbers_data()
    {
        QTest::addColumn<QString>("engine");
        addEngines("3010 3283 3022 3078", [](QTestData &) {});
    }

    void errorNumbers()
    {
        OPEN_ENGINE();
        const QString table = QStringLiteral("CREATE TABLE T1( [a] Byte, [b] text(15) COLLATE NOCASE,"
                                             " [c] Text (4) );");
        const QString key = QStringLiteral("CREATE UNIQUE INDEX PK_T1 ON T1 ([a],[b]) ");
        QVERIFY2(m_db->executeDdl(table), qPrintable(m_db->lastError().text));
        QVERIFY2(m_db->executeDdl(key), qPrintable(m_db->lastError().text));
        QVERIFY(m_db->tableExists(QStringLiteral("T1")));
        QVERIFY(!m_db->executeDdl(table));
        QCOMPARE(m_db->lastError().number, int(qav::ErrTableExists));
        QVERIFY(!m_db->executeDdl(key));
        QCOMPARE(m_db->lastError().number, int(qav::ErrPrimaryKeyExists));
        QVERIFY(m_db->execute(QStringLiteral("INSERT INTO T1 VALUES (6, 'abc', 'x')")));
        QVERIFY(!m_db->execute(QStringLiteral("INSERT INTO T1 VALUES (6, 'ABC', 'y')")));
        QCOMPARE(m_db->lastError().number, int(qav::ErrDuplicateKey));
        QVERIFY(!m_db->execute(QStringLiteral("SELECT * FROM NoSuchTable")));
        QCOMPARE(m_db->lastError().number, int(qav::ErrNoSuchTable));
        QVERIFY(!m_db->execute(QStringLiteral("SELECT nosuchcolumn FROM T1")));
        QCOMPARE(m_db->lastError().number, int(qav::ErrUnknownColumn));
    }

    // A failed statement inside a transaction undoes only itself: the rest commits.
    void transactionOutlivesFailedStatement_data()
    {
        QTest::addColumn<QString>("engine");
        addEngines("repeated key inside", [](QTestData &) {});
    }

    void transactionOutlivesFailedStatement()
    {
        OPEN_ENGINE();
        {
            qav::Transaction tx(*m_db);
            QVERIFY(tx.isActive());
            QVERIFY(m_db->execute(QStringLiteral("INSERT INTO CLAVES (Usuario) VALUES ('A')")));
            QVERIFY(!m_db->execute(QStringLiteral("INSERT INTO CLAVES (Usuario) VALUES ('a')")));
            QCOMPARE(m_db->lastError().number, int(qav::ErrDuplicateKey));
            QVERIFY2(m_db->execute(QStringLiteral("INSERT INTO CLAVES (Usuario) VALUES ('B')")),
                     qPrintable(m_db->lastError().text));
            QVERIFY(tx.commit());
        }
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM CLAVES")).toInt(), 2);
        {
            qav::Transaction tx(*m_db);
            QVERIFY(m_db->execute(QStringLiteral("INSERT INTO CLAVES (Usuario) VALUES ('C')")));
        } // not committed: undone
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM CLAVES")).toInt(), 2);
    }

    // A writer holding the database keeps another out beyond the busy timeout: 3051.
    void lockBeyondBusyTimeout_data()
    {
        QTest::addColumn<QString>("engine");
        addEngines("second writer", [](QTestData &) {});
    }

    void lockBeyondBusyTimeout()
    {
        OPEN_ENGINE();
        auto other = another(300);
        QVERIFY(other);
        qav::Transaction holder(*m_db);
        QVERIFY(holder.isActive());
        QVERIFY(m_db->execute(QStringLiteral("INSERT INTO CLAVES (Usuario) VALUES ('H')")));
        QElapsedTimer t;
        t.start();
        qav::Transaction waiting(*other);
        QVERIFY(!waiting.isActive());
        QCOMPARE(other->lastError().number, int(qav::ErrLocked));
        QVERIFY(t.elapsed() >= 250);
        QVERIFY(holder.commit());
        qav::Transaction after(*other);
        QVERIFY(after.isActive());
    }

    // The working table is the session's own: another connection never sees its rows.
    void workingTableIsPrivate_data()
    {
        QTest::addColumn<QString>("engine");
        addEngines("two sessions", [](QTestData &) {});
    }

    void workingTableIsPrivate()
    {
        OPEN_ENGINE();
        auto other = another();
        QVERIFY(other);
        declmod::WorkingTable mine(*m_db), theirs(*other);
        QVERIFY(mine.create());
        QVERIFY(theirs.create());
        QVERIFY(mine.insert({"01", "F001", "01", "1.00", "1.00"}));
        QVERIFY(mine.insert({"01", "F002", "01", "2.00", "2.00"}));
        QCOMPARE(mine.count(), qint64(2));
        QCOMPARE(theirs.count(), qint64(0));
        QVERIFY(theirs.insert({"01", "F001", "01", "9.00", "9.00"}));
        QCOMPARE(mine.find("01", "f001", "01")->tot_ven, QStringLiteral("1.00"));
        // Rows come back in the order they were added, an update keeping its place.
        QVERIFY(mine.insert({"01", "A000", "01", "3.00", "3.00"}));
        QVERIFY(mine.update({"01", "F001", "01", "5.00", "5.00"}));
        const QList<declmod::VoucherRecord> rows = mine.rows(declmod::GridOrder::AsStored, 0, 10);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].num_ser, QStringLiteral("F001"));
        QCOMPARE(rows[2].num_ser, QStringLiteral("A000"));
        QCOMPARE(mine.rowsAfter(declmod::GridOrder::AsStored, rows[0], 10).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestEngines)
#include "tst_engines.moc"
