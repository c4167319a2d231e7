// Spool registration: the numbering of sequences and file names, and distinct names when
// several processes register at the same moment.

#include "common/report/spool.h"
#include "common/time/clock.h"
#include "tests/support/sandbox.h"

#include <QProcess>
#include <QSet>
#include <QtTest>

using namespace qav;

class TstSpool : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void numbering();
    void rowWritten();
    void foreignRowsDoNotBreakNumbering();
    void failureLeavesNoRow();
    void numbersKeepTheirWidth_data();
    void numbersKeepTheirWidth();
    void lockHeldTooLongIsReported();
    void concurrentProcesses();

private:
    std::unique_ptr<qavtest::Sandbox> m_box;
    std::unique_ptr<Database> m_db;
};

void TstSpool::init()
{
    m_box = std::make_unique<qavtest::Sandbox>();
    QString error;
    QVERIFY2(m_box->create(&error), qPrintable(error));
    m_db = std::make_unique<Database>(QStringLiteral("spooltest"));
    QVERIFY2(m_db->open(m_box->openOptions()), qPrintable(m_db->lastError().text));
}

void TstSpool::cleanup()
{
    m_db.reset();
    m_box.reset();
}

void TstSpool::numbering()
{
    // Sequences count per report code; file names rise across all codes.
    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("DE0001"), QStringLiteral("000001")},
        {QStringLiteral("DE0003"), QStringLiteral("000001")},
        {QStringLiteral("DE0001"), QStringLiteral("000002")},
        {QStringLiteral("DE0002"), QStringLiteral("000001")},
        {QStringLiteral("DE0003"), QStringLiteral("000002")},
    };
    for (int i = 0; i < expected.size(); ++i) {
        DbError e;
        const QString name = RegistraSpool(*m_db, expected[i].first, 6, QStringLiteral("20100070970"),
                                           QStringLiteral("JPEREZ"), &e);
        QCOMPARE(name, QStringLiteral("%1.PRN").arg(i + 1, 8, 10, QLatin1Char('0')));
        QVERIFY(!e.isError());
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT Secuencia FROM SPOOL WHERE Archivo = ?"), {name}).toString(),
                 expected[i].second);
    }
}

void TstSpool::rowWritten()
{
    setFixedNow(QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));
    const QString name = RegistraSpool(*m_db, QStringLiteral("DE0002"), 6, QStringLiteral(" 20100070970 "),
                                       QStringLiteral("O'Brien"));
    setFixedNow(QDateTime());
    QCOMPARE(name, QStringLiteral("00000001.PRN"));
    const QList<QSqlRecord> rows = m_db->rows(QStringLiteral("SELECT * FROM SPOOL"));
    QCOMPARE(rows.size(), 1);
    const QSqlRecord &r = rows.first();
    QCOMPARE(r.value(QStringLiteral("CodRep")).toString(), QStringLiteral("DE0002"));
    QCOMPARE(r.value(QStringLiteral("Usuario")).toString(), QStringLiteral("O'Brien"));
    QCOMPARE(r.value(QStringLiteral("tip_doc_d")).toInt(), 6);
    QCOMPARE(r.value(QStringLiteral("Doc_id_d")).toString(), QStringLiteral("20100070970"));
    QCOMPARE(r.value(QStringLiteral("Fecha")).toDateTime(), QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));
}

void TstSpool::foreignRowsDoNotBreakNumbering()
{
    // The host's own rows with other codes count for the file name; a row whose name is
    // not numeric is left out of the numbering (read as a number it would count as 0 and
    // hand out names already taken).
    QVERIFY(m_db->execute(QStringLiteral("INSERT INTO SPOOL (CodRep, Secuencia, Archivo) VALUES "
                                         "('PR0101','000007','00000041.PRN'), ('PR0101','000008','MANUAL01.PRN'), "
                                         "('DE0001','ABC001','9.PRN')")));
    QCOMPARE(RegistraSpool(*m_db, QStringLiteral("DE0001"), 6, QStringLiteral("1"), QStringLiteral("U")),
             QStringLiteral("00000042.PRN"));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT Secuencia FROM SPOOL WHERE Archivo='00000042.PRN'")).toString(),
             QStringLiteral("000001"));
    QCOMPARE(RegistraSpool(*m_db, QStringLiteral("PR0101"), 6, QStringLiteral("1"), QStringLiteral("U")),
             QStringLiteral("00000043.PRN"));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT Secuencia FROM SPOOL WHERE Archivo='00000043.PRN'")).toString(),
             QStringLiteral("000009"));
}

void TstSpool::failureLeavesNoRow()
{
    QVERIFY(m_db->execute(QStringLiteral("DROP TABLE SPOOL")));
    DbError e;
    QVERIFY(RegistraSpool(*m_db, QStringLiteral("DE0001"), 6, QStringLiteral("1"), QStringLiteral("U"), &e).isNull());
    QCOMPARE(e.number, int(ErrNoSuchTable));
    // The failed registration left no transaction open behind it.
    QVERIFY(m_db->execute(QStringLiteral("CREATE TABLE after_failure (x INTEGER)")));
}

// The last numbers of each width are handed out; beyond them the registration is refused
// (a ninth digit would make every later document "100000000.PRN" and overwrite the one
// before), and nothing is written.
void TstSpool::numbersKeepTheirWidth_data()
{
    QTest::addColumn<QString>("secuencia");
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<QString>("expected"); // the name handed out, empty when refused
    QTest::newRow("last file number") << "000001" << "99999998.PRN" << "99999999.PRN";
    QTest::newRow("file numbers used up") << "000001" << "99999999.PRN" << "";
    QTest::newRow("last sequence") << "999998" << "00000001.PRN" << "00000002.PRN";
    QTest::newRow("sequences used up") << "999999" << "00000001.PRN" << "";
    QTest::newRow("sequence wider than its column") << "12345678901234567890123" << "00000001.PRN" << "";
}

void TstSpool::numbersKeepTheirWidth()
{
    QFETCH(QString, secuencia);
    QFETCH(QString, archivo);
    QFETCH(QString, expected);
    QVERIFY(m_db->execute(QStringLiteral("INSERT INTO SPOOL (CodRep, Secuencia, Archivo) VALUES ('DE0001', ?, ?)"),
                          {secuencia, archivo}));
    DbError e;
    const QString name = RegistraSpool(*m_db, QStringLiteral("DE0001"), 6, QStringLiteral("1"), QStringLiteral("U"), &e);
    QCOMPARE(name, expected.isEmpty() ? QString() : expected);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM SPOOL")).toInt(), expected.isEmpty() ? 1 : 2);
    if (expected.isEmpty()) {
        QCOMPARE(e.number, ErrSpoolFull);
        QCOMPARE(e.text, QStringLiteral("No se puede registrar el reporte DE0001: la numeración del spool "
                                        "llegó a su límite (archivo 99999999.PRN o secuencia 999999). "
                                        "Depure la tabla SPOOL e intente nuevamente."));
        // No transaction stays open behind the refusal.
        QVERIFY(m_db->execute(QStringLiteral("CREATE TABLE after_refusal (x INTEGER)")));
    } else {
        QVERIFY(!e.isError());
    }
}

void TstSpool::lockHeldTooLongIsReported()
{
    Database other(QStringLiteral("spoolother"));
    OpenOptions o = m_box->openOptions();
    o.busyTimeoutMs = 100;
    QVERIFY(other.open(o));
    {
        Transaction holder(*m_db, spoolWriteLock());
        QVERIFY(holder.isActive());
        DbError e;
        QVERIFY(RegistraSpool(other, QStringLiteral("DE0001"), 6, QStringLiteral("1"), QStringLiteral("U"), &e).isNull());
        QCOMPARE(e.number, int(ErrLocked));
    }
    // Once the lock is gone the same connection registers normally.
    QCOMPARE(RegistraSpool(other, QStringLiteral("DE0001"), 6, QStringLiteral("1"), QStringLiteral("U")),
             QStringLiteral("00000001.PRN"));
}

void TstSpool::concurrentProcesses()
{
    m_db->close();
    constexpr int processes = 4;
    constexpr int each = 50;
    const QStringList codes = {QStringLiteral("DE0001"), QStringLiteral("DE0003")};
    QList<QProcess *> running;
    for (int i = 0; i < processes; ++i) {
        auto *p = new QProcess(this);
        p->start(QStringLiteral(SPOOL_REGISTER),
                 {m_box->server ? m_box->serverUri : m_box->dbFile, codes[i % 2], QString::number(each)});
        running << p;
    }
    QSet<QString> names;
    for (QProcess *p : running) {
        QVERIFY(p->waitForFinished(120000));
        QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
        const QStringList got = QString::fromLatin1(p->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(got.size(), each);
        for (const QString &n : got)
            names.insert(n);
        delete p;
    }
    QCOMPARE(names.size(), processes * each);

    QVERIFY(m_db->open(m_box->openOptions()));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(DISTINCT Archivo) FROM SPOOL")).toInt(), processes * each);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT max(Archivo) FROM SPOOL")).toString(),
             QStringLiteral("%1.PRN").arg(processes * each, 8, 10, QLatin1Char('0')));
    for (const QString &code : codes) {
        // Per code the sequences run 1..n without gaps or repeats.
        const QList<QSqlRecord> rows = m_db->rows(
            QStringLiteral("SELECT Secuencia FROM SPOOL WHERE CodRep = ? ORDER BY Secuencia"), {code});
        QCOMPARE(rows.size(), processes / 2 * each);
        for (int i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[i].value(0).toString(), QStringLiteral("%1").arg(i + 1, 6, 10, QLatin1Char('0')));
    }
}

QTEST_GUILESS_MAIN(TstSpool)
#include "tst_spool.moc"
