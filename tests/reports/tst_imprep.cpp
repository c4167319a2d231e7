// The report builders: the declaration report (DE0001) and the transfer-error report
// (DE0003) byte for byte against golden documents, their page counts and layout rules, exact
// sums, failures, and the helpers MesNombre, RellenaDerecha and TipoComprobanteDesc.
//
// The golden documents were reviewed by hand, and tst_goldenfacts checks them against facts
// worked out without the builder; QAV_WRITE_GOLDEN=1 rewrites them after an
// intended change of layout.

#include "tests/reports/reportfixture.h"

#include "declmod/import/transferlog.h"
#include "declmod/reports/imprep.h"
#include "declmod/session/hostservices.h"

#include "common/amount/amount.h"
#include "common/report/reportreader.h"
#include "common/report/reportwriter.h"
#include "common/text/textfile.h"
#include "common/time/clock.h"
#include "tests/support/damagedpage.h"

#include <QFileInfo>
#include <QtTest>

using namespace declmod;
using namespace reporttest;

namespace {

struct Built {
    ReportOutcome outcome;
    QByteArray bytes;
    qav::ReportDocument doc;
    QStringList lines;
};

// The elements of one kind on one page, in order.
QList<qav::ReportElement> texts(const qav::ReportDocument &doc, int page)
{
    QList<qav::ReportElement> out;
    for (const qav::ReportElement &e : doc.elements)
        if (e.kind == qav::ReportElement::Text && e.page == page)
            out << e;
    return out;
}

const qav::ReportElement *findText(const qav::ReportDocument &doc, const QString &text, int page = -1)
{
    for (const qav::ReportElement &e : doc.elements)
        if (e.kind == qav::ReportElement::Text && e.text == text && (page < 0 || e.page == page))
            return &e;
    return nullptr;
}

} // namespace

class TstImpRep : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReportFixture> m_fx;
    HostServices m_host;
    int m_serial = 0;

    Built build(ReportInput in)
    {
        Built b;
        if (in.TaxpayerId.isEmpty())
            in.TaxpayerId = kRuc;
        if (in.TaxpayerName.isEmpty())
            in.TaxpayerName = kName;
        if (in.Period.isEmpty())
            in.Period = QStringLiteral("2023");
        if (in.ReportDir.isEmpty())
            in.ReportDir = m_fx->reportDir();
        qav::ReportWriter writer;
        writer.ReportPath = m_fx->reportDir() + QStringLiteral("/%1.PRN").arg(++m_serial, 8, 10, QLatin1Char('0'));
        b.outcome = buildReport(*m_fx->db, m_host, in, writer);
        b.bytes = readBytes(writer.ReportPath);
        b.doc = qav::parseReportDocument(qav::decodeCp1252(b.bytes));
        b.lines = qav::splitLines(qav::decodeCp1252(b.bytes));
        return b;
    }

    void compareGolden(const QByteArray &actual, const QString &name)
    {
        const QString path = fixture(name);
        if (qEnvironmentVariableIntValue("QAV_WRITE_GOLDEN") == 1)
            QVERIFY(writeBytes(path, actual));
        const QByteArray expected = readBytes(path);
        QVERIFY2(!expected.isEmpty(), qPrintable(QStringLiteral("missing golden ") + path));
        if (actual != expected) {
            const QStringList a = qav::splitLines(qav::decodeCp1252(actual));
            const QStringList e = qav::splitLines(qav::decodeCp1252(expected));
            for (qsizetype i = 0; i < qMax(a.size(), e.size()); ++i)
                QCOMPARE(a.value(i), e.value(i));
            QCOMPARE(actual, expected); // line ends
        }
    }

private slots:
    void init()
    {
        qav::setFixedNow(QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3)));
        m_fx = std::make_unique<ReportFixture>();
        QString error;
        QVERIFY2(m_fx->create(&error), qPrintable(error));
    }
    void cleanup()
    {
        m_fx.reset();
        qav::setFixedNow(QDateTime());
    }

    void helpers_data();
    void helpers();
    void tipoComprobanteDesc();

    void declarationGolden_data();
    void declarationGolden();
    void declaredPagesAreTheRealPages_data();
    void declaredPagesAreTheRealPages();
    void secondPageStartsWithBreakAndHeader();
    void monthTotalsTakeRowPlaces();
    void controlBoxOnlyWithOrderNumber_data();
    void controlBoxOnlyWithOrderNumber();
    void sentDeclarationReadsItsCorrelative();
    void sumsAreExact();
    void longAmountsPrintWholeAndAddUp();
    void badRecordFailsWithoutDocument_data();
    void badRecordFailsWithoutDocument();
    void damagedPageFailsWithoutDocument();
    void barInNameAndSeriesStaysText();

    void errorGolden_data();
    void errorGolden();
    void errorReportPages();
    void errorReportHeaderLines();
    void missingErrorListListsNothing();
    void errorReportShowsTheMonthUnderMes();
};

void TstImpRep::helpers_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << "0" << true << "";
    QTest::newRow("00") << "00" << true << "";
    QTest::newRow("01") << "01" << true << "Enero";
    QTest::newRow("1") << "1" << true << "Enero";
    QTest::newRow("09 Setiembre") << "09" << true << "Setiembre";
    QTest::newRow("12") << "12" << true << "Diciembre";
    QTest::newRow(" 7 spaced") << " 7 " << true << "Julio";
    QTest::newRow("13") << "13" << false << "";
    QTest::newRow("-1") << "-1" << false << "";
    QTest::newRow("1.5") << "1.5" << false << "";
    QTest::newRow("letters") << "ab" << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void TstImpRep::helpers()
{
    QFETCH(QString, month);
    QFETCH(bool, valid);
    QFETCH(QString, name);
    const auto got = MesNombre(month);
    QCOMPARE(got.has_value(), valid);
    if (valid)
        QCOMPARE(*got, name);

    QCOMPARE(RellenaDerecha(QStringLiteral("123"), 8), QStringLiteral("123     "));
    QCOMPARE(RellenaDerecha(QStringLiteral("123456789"), 8), QStringLiteral("123456789"));
    QCOMPARE(RellenaDerecha(QString(), 3), QStringLiteral("   "));
}

void TstImpRep::tipoComprobanteDesc()
{
    const struct {
        const char *code, *padded, *description;
    } cases[] = {
        {"1", "01", "FACTURA"},
        {"07", "07", "NOTA DE CREDITO"},
        {"16", "16", "BOLETO DE VIAJE-TRA"}, // the first 19 characters
        {"5", "05", ""},                     // no such type
        {"0'", "0'", ""},                    // a quote stays a value
    };
    for (const auto &c : cases) {
        QString code = QString::fromUtf8(c.code);
        QCOMPARE(TipoComprobanteDesc(*m_fx->db, m_host, code), QString::fromUtf8(c.description));
        QCOMPARE(code, QString::fromUtf8(c.padded));
    }
}

void TstImpRep::declarationGolden_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("byMonth");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("golden");
    for (int n : {40, 41, 81}) {
        QTest::addRow("month %d", n) << n << true << false << QStringLiteral("de0001/month-%1.PRN").arg(n);
        QTest::addRow("series %d", n) << n << false << false << QStringLiteral("de0001/series-%1.PRN").arg(n);
    }
    QTest::addRow("sent 41 series") << 41 << false << true << QStringLiteral("de0001/sent-series-41.PRN");
}

void TstImpRep::declarationGolden()
{
    QFETCH(int, records);
    QFETCH(bool, byMonth);
    QFETCH(bool, sent);
    QFETCH(QString, golden);
    const QString file = fixture(QStringLiteral("de0001/records-%1.txt").arg(records));
    QVERIFY(m_fx->addRecords(file, kRuc, QStringLiteral("2023"), sent ? QStringLiteral("001") : QString()));
    ReportInput in;
    in.byMonth = byMonth;
    in.SentMode = sent;
    if (sent) {
        in.SentCorrel = QStringLiteral("001");
        in.SentOrderNumber = QStringLiteral("1234567");
        in.SentControl = QStringLiteral("40012");
    }
    const Built b = build(in);
    QVERIFY2(b.outcome.ok, qPrintable(b.outcome.message()));
    QCOMPARE(b.outcome.records, records);
    QCOMPARE(b.doc.skippedLines, 0);
    QCOMPARE(int(b.outcome.declaredPages), b.doc.pageCount());
    compareGolden(b.bytes, golden);
}

void TstImpRep::declaredPagesAreTheRealPages_data()
{
    QTest::addColumn<QList<int>>("recordsPerMonth");
    QTest::addColumn<bool>("byMonth");
    QTest::addColumn<int>("pages");
    QTest::newRow("none") << QList<int>{} << false << 1;
    QTest::newRow("40 by series") << QList<int>{40} << false << 1;
    QTest::newRow("41 by series") << QList<int>{41} << false << 2;
    QTest::newRow("80 by series") << QList<int>{40, 40} << false << 2;
    QTest::newRow("81 by series") << QList<int>{40, 41} << false << 3;
    // One month: its total line follows the 40th row on the same page.
    QTest::newRow("40 in one month") << QList<int>{40} << true << 1;
    // Two months of 20: the first month's total takes a row place, so the 40th record
    // starts a second page the old count did not declare.
    QTest::newRow("40 in two months") << QList<int>{20, 20} << true << 2;
    QTest::newRow("39 in two months") << QList<int>{20, 19} << true << 1;
    QTest::newRow("12 months of 7") << QList<int>{7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7} << true << 3;
    QTest::newRow("12 months of 7 by series") << QList<int>{7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7} << false << 3;
}

void TstImpRep::declaredPagesAreTheRealPages()
{
    QFETCH(QList<int>, recordsPerMonth);
    QFETCH(bool, byMonth);
    QFETCH(int, pages);
    QStringList lines;
    for (int m = 0; m < recordsPerMonth.size(); ++m)
        for (int i = 0; i < recordsPerMonth[m]; ++i)
            lines << QStringLiteral("01|S%1|%2|10.00|8.20").arg(i, 3, 10, QLatin1Char('0')).arg(m + 1, 2, 10, QLatin1Char('0'));
    QVERIFY(m_fx->addRecordLines(lines, kRuc, QStringLiteral("2023")));
    ReportInput in;
    in.byMonth = byMonth;
    const Built b = build(in);
    QVERIFY2(b.outcome.ok, qPrintable(b.outcome.message()));
    QCOMPARE(int(b.outcome.declaredPages), pages);
    QCOMPARE(b.doc.pageCount(), pages);
    QCOMPARE(int(b.doc.declaredPages.value_or(-1)), pages);
    QCOMPARE(b.doc.pageBreaks, pages - 1);
    const QString last = QStringLiteral("Pag. %1/%1").arg(pages);
    QVERIFY(findText(b.doc, last, pages - 1));
}

void TstImpRep::secondPageStartsWithBreakAndHeader()
{
    QVERIFY(m_fx->addRecords(fixture(QStringLiteral("de0001/records-41.txt")), kRuc, QStringLiteral("2023")));
    ReportInput in;
    in.byMonth = false;
    const Built b = build(in);
    QVERIFY(b.outcome.ok);
    // The 40 rows of page 0, then the break, the header and the heading block of page 1.
    qsizetype breakAt = -1;
    for (qsizetype i = 0; i < b.doc.elements.size(); ++i)
        if (b.doc.elements[i].kind == qav::ReportElement::PageBreak)
            breakAt = i;
    QVERIFY(breakAt > 0);
    QVERIFY(breakAt + 1 < b.doc.elements.size());
    const qav::ReportElement &header = b.doc.elements[breakAt + 1];
    QCOMPARE(header.text, QStringLiteral("ORTAX"));
    QCOMPARE(header.page, qint16(1));
    QVERIFY(findText(b.doc, QStringLiteral("Pag. 2/2"), 1));
    QVERIFY(findText(b.doc, QStringLiteral("INFORMACIÓN DESAGREGADA "), 1));
    // The 41st record (by series, the last one) lands at the first row position.
    const QList<qav::ReportElement> page1 = texts(b.doc, 1);
    QList<int> rowYs;
    for (const qav::ReportElement &e : page1)
        if (e.x == 2550)
            rowYs << e.y;
    QCOMPARE(rowYs, QList<int>{3360});
    // Page 0 holds 40 rows, from 3360 every 270 twips.
    int rows0 = 0;
    for (const qav::ReportElement &e : texts(b.doc, 0))
        if (e.x == 2550) {
            QCOMPARE(int(e.y), 3360 + rows0 * 270);
            ++rows0;
        }
    QCOMPARE(rows0, 40);
    QVERIFY(findText(b.doc, QStringLiteral("Registros : 41"), 1));
}

void TstImpRep::monthTotalsTakeRowPlaces()
{
    QVERIFY(m_fx->addRecordLines({QStringLiteral("01|A1|03|100.10|82.08"),
                                  QStringLiteral("03|B1|03|0.20|0.16"),
                                  QStringLiteral("07|C1|05|-50.00|-41.00")},
                                 kRuc, QStringLiteral("2023")));
    ReportInput in;
    in.byMonth = true;
    const Built b = build(in);
    QVERIFY(b.outcome.ok);
    struct Line {
        int x, y;
        QString text;
    };
    const QList<Line> expected = {
        {250, 3360, QStringLiteral("FACTURA        ")},
        {4500, 3360, QStringLiteral("Marzo               ")},
        {250, 3630, QStringLiteral("BOLETA DE VENTA")},
        {5000, 3460 + 540, QStringLiteral("TOTAL MES:")},
        {6150, 3460 + 540, QStringLiteral("                100.30")},
        {8650, 3460 + 540, QStringLiteral("                 82.24")},
        {250, 3360 + 810, QStringLiteral("NOTA DE CREDITO")},
        {6900, 3360 + 810, QStringLiteral("         -50.00")},
        {5000, 3460 + 1080, QStringLiteral("TOTAL MES:")},
        {6150, 3460 + 1080, QStringLiteral("                -50.00")},
        {250, 3460 + 1350, QStringLiteral("Registros : 3")},
        {5000, 3460 + 1350, QStringLiteral("TOTAL :")},
        {6150, 3460 + 1350, QStringLiteral("                 50.30")},
        {8650, 3460 + 1350, QStringLiteral("                 41.24")},
    };
    for (const Line &l : expected) {
        const qav::ReportElement *e = findText(b.doc, l.text);
        bool found = false;
        for (const qav::ReportElement &t : texts(b.doc, 0))
            found = found || (t.x == l.x && t.y == l.y && t.text == l.text);
        QVERIFY2(found, qPrintable(QStringLiteral("%1 at %2,%3 (first found at %4,%5)")
                                       .arg(l.text).arg(l.x).arg(l.y)
                                       .arg(e ? e->x : -1).arg(e ? e->y : -1)));
    }
}

void TstImpRep::controlBoxOnlyWithOrderNumber_data()
{
    QTest::addColumn<QString>("orderNumber");
    QTest::addColumn<bool>("box");
    QTest::newRow("pending, no order number") << QString() << false;
    QTest::newRow("blank order number") << QStringLiteral("   ") << false;
    QTest::newRow("order number") << QStringLiteral("7654321") << true;
}

void TstImpRep::controlBoxOnlyWithOrderNumber()
{
    QFETCH(QString, orderNumber);
    QFETCH(bool, box);
    QVERIFY(m_fx->addRecordLines({QStringLiteral("01|A1|03|1.00|1.00")}, kRuc, QStringLiteral("2023")));
    ReportInput in;
    in.SentOrderNumber = orderNumber;
    in.SentControl = QStringLiteral("4001");
    const Built b = build(in);
    QVERIFY(b.outcome.ok);
    QCOMPARE(findText(b.doc, QStringLiteral("NRO. CONTROL: ")) != nullptr, box);
    const qav::ReportElement *control = findText(b.doc, QStringLiteral("4001    "));
    QCOMPARE(control != nullptr, box);
    if (box) {
        QCOMPARE(int(control->x), 1800);
        QVERIFY(control->bold);
    }
    bool controlBox = false;
    for (const qav::ReportElement &e : b.doc.elements)
        controlBox = controlBox || (e.kind == qav::ReportElement::Box && e.x == 150 && e.y == 1640
                                    && e.x2 == 2650 && e.y2 == 1910);
    QCOMPARE(controlBox, box);
}

void TstImpRep::sentDeclarationReadsItsCorrelative()
{
    QVERIFY(m_fx->addRecordLines({QStringLiteral("01|PEND|01|1.00|1.00")}, kRuc, QStringLiteral("2022")));
    QVERIFY(m_fx->addRecordLines({QStringLiteral("01|ONE|01|2.00|2.00")}, kRuc, QStringLiteral("2022"),
                                 QStringLiteral("001")));
    QVERIFY(m_fx->addRecordLines({QStringLiteral("01|TWO|01|3.00|3.00"), QStringLiteral("03|TWO|02|4.00|4.00")},
                                 kRuc, QStringLiteral("2022"), QStringLiteral("002")));
    const struct {
        bool sent;
        const char *correl;
        QStringList series;
    } cases[] = {
        {false, "", {QStringLiteral("PEND           ")}},
        {true, "001", {QStringLiteral("ONE            ")}},
        {true, "002", {QStringLiteral("TWO            "), QStringLiteral("TWO            ")}},
    };
    for (const auto &c : cases) {
        ReportInput in;
        in.Period = QStringLiteral("2022");
        in.SentMode = c.sent;
        in.SentCorrel = QString::fromLatin1(c.correl);
        const Built b = build(in);
        QVERIFY(b.outcome.ok);
        QStringList series;
        for (const qav::ReportElement &e : texts(b.doc, 0))
            if (e.x == 2550)
                series << e.text;
        QCOMPARE(series, c.series);
    }
}

void TstImpRep::sumsAreExact()
{
    // Twenty records of the largest stored amount and a thousand cents: the totals are exact
    // to the cent, which binary floating point sums are not at this size.
    QStringList lines;
    for (int i = 0; i < 20; ++i)
        lines << QStringLiteral("01|BIG%1|01|999999999999.99|999999999999.99").arg(i);
    for (int i = 0; i < 1000; ++i)
        lines << QStringLiteral("03|C%1|02|0.01|0.10").arg(i, 4, 10, QLatin1Char('0'));
    lines << QStringLiteral("07|NC1|02|-0.03|-0.03");
    QVERIFY(m_fx->addRecordLines(lines, kRuc, QStringLiteral("2023")));
    ReportInput in;
    in.byMonth = true;
    const Built b = build(in);
    QVERIFY2(b.outcome.ok, qPrintable(b.outcome.message()));
    const int last = b.doc.pageCount() - 1;
    // Month 1, month 2 and the grand totals, right-aligned in 22 characters.
    const qav::ReportElement *month1 = findText(b.doc, QStringLiteral(" 19,999,999,999,999.80"));
    QVERIFY(month1);
    QCOMPARE(int(month1->x), 6150);
    QVERIFY(findText(b.doc, QStringLiteral("                  9.97")));
    QVERIFY(findText(b.doc, QStringLiteral("                 99.97")));
    QVERIFY(findText(b.doc, QStringLiteral(" 20,000,000,000,009.77"), last));
    QVERIFY(findText(b.doc, QStringLiteral(" 20,000,000,000,099.77"), last));
}

// Amounts of 12 integer digits (the largest the entry allows) and a credit note print with
// every digit: a text longer than its column starts further left, one character (96 twips
// of Courier New at 8 points) for each extra character, and still ends where the column
// ends. The printed rows add up to the printed total.
void TstImpRep::longAmountsPrintWholeAndAddUp()
{
    QVERIFY(m_fx->addRecordLines({QStringLiteral("01|F001|01|1234567890.12|1234567890.12"),
                                  QStringLiteral("01|F002|02|999999999999.99|0.01"),
                                  QStringLiteral("07|NC1|02|-123456789012.50|-123456789012.50")},
                                 kRuc, QStringLiteral("2023")));
    ReportInput in;
    in.byMonth = false;
    const Built b = build(in);
    QVERIFY2(b.outcome.ok, qPrintable(b.outcome.message()));
    struct Column {
        int x;
        int width;
        QStringList expected;
    };
    const Column columns[] = {
        {6900, 15, {"1,234,567,890.12", "999,999,999,999.99", "-123,456,789,012.50"}},
        {9050, 18, {"1,234,567,890.12", "0.01", "-123,456,789,012.50"}},
    };
    auto amountOf = [](const QString &t) {
        const auto a = qav::Amount::parse(QString(t).remove(u',').trimmed());
        return a ? *a : qav::Amount();
    };
    const QList<qav::ReportElement> page = texts(b.doc, 0);
    for (int c = 0; c < 2; ++c) {
        qav::Amount sum;
        for (int row = 0; row < 3; ++row) {
            QList<qav::ReportElement> onRow;
            for (const qav::ReportElement &e : page)
                if (e.y == 3360 + 270 * row)
                    onRow << e;
            QCOMPARE(onRow.size(), 5); // type, series, month, ventas, gravadas
            const qav::ReportElement &e = onRow.at(3 + c);
            const QString expected = columns[c].expected.at(row);
            QCOMPARE(e.text.trimmed(), expected);
            QCOMPARE(e.text.size(), qMax<qsizetype>(columns[c].width, expected.size()));
            // The last character ends where the column does.
            QCOMPARE(int(e.x) + int(e.text.size()) * 96, columns[c].x + columns[c].width * 96);
            sum += amountOf(e.text);
        }
        QList<qav::ReportElement> onTotal; // "Registros : 3", "TOTAL :", ventas, gravadas
        for (const qav::ReportElement &e : page)
            if (e.y == 3460 + 270 * 3)
                onTotal << e;
        QCOMPARE(onTotal.size(), 4);
        QCOMPARE(onTotal.at(1).text, QStringLiteral("TOTAL :"));
        QCOMPARE(amountOf(onTotal.at(2 + c).text), sum);
    }
}

void TstImpRep::badRecordFailsWithoutDocument_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("message");
    QTest::newRow("month 13") << "01|A1|13|1.00|1.00"
                              << QString::fromUtf8("Error Técnico : (9102) Mes no válido en la serie A1: \"13\"");
    QTest::newRow("amount") << "01|A1|01|1,0x|1.00"
                            << QString::fromUtf8("Error Técnico : (9103) Importe no válido en la serie A1, mes 01: \"1,0x\"");
}

void TstImpRep::badRecordFailsWithoutDocument()
{
    QFETCH(QString, record);
    QFETCH(QString, message);
    QVERIFY(m_fx->addRecordLines({record}, kRuc, QStringLiteral("2023")));
    const Built b = build(ReportInput());
    QVERIFY(!b.outcome.ok);
    QCOMPARE(b.outcome.message(), message);
    QVERIFY(b.bytes.isEmpty());
    QCOMPARE(QDir(m_fx->reportDir()).entryList(QDir::Files), QStringList());
}

// The engine fails part-way through the records (a damaged table page): no report from the
// records read before it.
void TstImpRep::damagedPageFailsWithoutDocument()
{
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << QStringLiteral("01|S%1|01|1.00|1.00").arg(i, 4, 10, QLatin1Char('0'));
    QVERIFY(m_fx->addRecordLines(lines, kRuc, QStringLiteral("2023")));
    // Long series spread the records over many pages.
    QVERIFY(m_fx->db->execute(QStringLiteral("UPDATE f7093des SET num_ser = num_ser || '-' || ?"),
                              {QString(300, u'x')}));
    QVERIFY(m_fx->db->execute(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
    m_fx->db->close();
    QString why;
    QVERIFY2(qavtest::damagePageHolding(m_fx->box.dbFile, "S0200-", &why), qPrintable(why));
    QVERIFY(m_fx->db->open(m_fx->box.openOptions()));
    for (const bool byMonth : {true, false}) {
        ReportInput in;
        in.byMonth = byMonth;
        const Built b = build(in);
        QVERIFY(!b.outcome.ok);
        QCOMPARE(b.outcome.message(), QStringLiteral("Error Técnico : (%1) Error del motor de base de datos: el "
                                                     "archivo de la base de datos está dañado.")
                                          .arg(int(qav::ErrEngine)));
        QVERIFY(b.bytes.isEmpty());
    }
    QCOMPARE(QDir(m_fx->reportDir()).entryList(QDir::Files), QStringList());
}

// A "|" or a line end in a name, a series or a line of the error list never splits a line
// of the document: read back, every line is read, and the texts are whole, the bar drawn as
// "¦".
void TstImpRep::barInNameAndSeriesStaysText()
{
    QVERIFY(m_fx->addRecordLines({QStringLiteral("01|SERIE|01|1.00|1.00")}, kRuc, QStringLiteral("2023")));
    QVERIFY(m_fx->db->execute(QStringLiteral("UPDATE f7093des SET num_ser = ?"), {QStringLiteral("A|1|")}));
    QVERIFY(writeBytes(m_fx->reportDir() + kRuc + QStringLiteral(".err"),
                       "01    B|2  03  |True|72|\r\n"));
    const QString name = QStringLiteral("ACME |True|72|\nS.A.");
    ReportInput declaration;
    declaration.TaxpayerName = name;
    ReportInput errors;
    errors.kind = TransferErrorReport;
    errors.TaxpayerName = name;
    for (const ReportInput &in : {declaration, errors}) {
        const Built b = build(in);
        QVERIFY(b.outcome.ok);
        QCOMPARE(b.doc.skippedLines, 0);
        bool nameFound = false;
        for (const qav::ReportElement &e : b.doc.elements) {
            QVERIFY2(e.size != 72, qPrintable(e.text));
            nameFound = nameFound || e.text.contains(QStringLiteral("ACME ¦True¦72¦ S.A."));
        }
        QVERIFY(nameFound);
        if (in.kind == DeclarationReport) {
            QVERIFY(findText(b.doc, m_host.alignLeft(QStringLiteral("A¦1¦"), 15)));
        } else {
            QVERIFY(findText(b.doc, QString(20, u' ') + QStringLiteral("01    B¦2  03  ¦True¦72¦")));
        }
    }
}

void TstImpRep::errorGolden_data()
{
    QTest::addColumn<int>("errors");
    for (int n : {0, 69, 70})
        QTest::addRow("%d errors", n) << n;
}

void TstImpRep::errorGolden()
{
    QFETCH(int, errors);
    QVERIFY(QFile::copy(fixture(QStringLiteral("de0003/errors-%1.err").arg(errors)),
                        m_fx->reportDir() + kRuc + QStringLiteral(".Err")));
    ReportInput in;
    in.kind = TransferErrorReport;
    in.ReportDir = m_fx->reportDir();
    const Built b = build(in);
    QVERIFY2(b.outcome.ok, qPrintable(b.outcome.message()));
    QCOMPARE(b.outcome.records, errors);
    QCOMPARE(b.doc.skippedLines, 0);
    QCOMPARE(int(b.outcome.declaredPages), b.doc.pageCount());
    compareGolden(b.bytes, QStringLiteral("de0003/errors-%1.PRN").arg(errors));
}

void TstImpRep::errorReportPages()
{
    const struct {
        int errors;
        int pages;
        QStringList totals; // the sub-total and total lines, trimmed, in order
    } cases[] = {
        {0, 1, {QStringLiteral("Total de Errores:      0")}},
        {69, 2, {QStringLiteral("Sub-Total de Errores:  69"), QStringLiteral("Total de Errores:      69")}},
        {70, 2, {QStringLiteral("Sub-Total de Errores:  69"), QStringLiteral("Total de Errores:      70")}},
        {138, 3, {QStringLiteral("Sub-Total de Errores:  69"), QStringLiteral("Sub-Total de Errores:  138"),
                  QStringLiteral("Total de Errores:      138")}},
    };
    for (const auto &c : cases) {
        QStringList errors;
        for (int i = 0; i < c.errors; ++i)
            errors << QStringLiteral("01          F%1 01       Error").arg(i, 3, 10, QLatin1Char('0'));
        QVERIFY(qav::writeTextLines(m_fx->reportDir() + kRuc + QStringLiteral(".err"), errors));
        ReportInput in;
        in.kind = TransferErrorReport;
        const Built b = build(in);
        QVERIFY(b.outcome.ok);
        QCOMPARE(int(b.outcome.declaredPages), c.pages);
        QCOMPARE(b.doc.pageCount(), c.pages);
        QStringList totals;
        for (const qav::ReportElement &e : b.doc.elements)
            if (e.text.contains(QStringLiteral("Total de Errores")))
                totals << e.text.trimmed();
        QCOMPARE(totals, c.totals);
        // Every full page holds exactly 85 lines: 84 drawn after the tag line, the last at
        // 84 x 175 twips.
        for (int p = 0; p + 1 < c.pages; ++p) {
            const QList<qav::ReportElement> page = texts(b.doc, p);
            QCOMPARE(page.size(), 84);
            QCOMPARE(int(page.last().y), 84 * 175);
        }
        // The last page begins with its own header: the page label and the column heading.
        const QList<qav::ReportElement> last = texts(b.doc, c.pages - 1);
        QVERIFY(last.size() >= 12);
        QVERIFY(last[4].text.trimmed().endsWith(QStringLiteral("Pag:%1").arg(c.pages)));
        QCOMPARE(int(last.first().y), 175);
    }
}

void TstImpRep::errorReportHeaderLines()
{
    ReportInput in;
    in.kind = TransferErrorReport;
    const Built b = build(in);
    QVERIFY(b.outcome.ok);
    const QList<qav::ReportElement> t = texts(b.doc, 0);
    QVERIFY2(t.size() >= 11, qPrintable(QString::number(t.size())));
    const QString margin(15, u' ');
    QCOMPARE(t[0].text, QString());
    QCOMPARE(t[3].text, margin + QStringLiteral("ORTAX") + QString(39, u' ') + QStringLiteral("QAV")
                            + QString(38, u' ') + QStringLiteral("DE0003"));
    QCOMPARE(t[4].text, margin + QStringLiteral("10/12/2026") + QString(11, u' ')
                            + QStringLiteral("REPORTE DE ERRORES DE TRANSFERENCIA - PERIODO 2023")
                            + QString(15, u' ') + QStringLiteral("Pag:1"));
    QCOMPARE(t[5].text, margin + QStringLiteral("09:05:03") + QString(79, u' '));
    QCOMPARE(t[8].text, (margin + QStringLiteral("CONTRIBUYENTE:  ") + kRuc + QStringLiteral("  ") + kName)
                            .leftJustified(110, u' '));
    QCOMPARE(t[9].text, margin + QString(91, u'_'));
    QCOMPARE(t[10].text, QString(20, u' ') + QStringLiteral("TIPO        SERIE      MES      DESCRIPCION DEL ERROR  "));
    QCOMPARE(b.doc.color, QStringLiteral("&H80000005&"));
    // The header is written in the code page: "Ñ" is one byte.
    QVERIFY(b.bytes.contains(QByteArray("COMERCIAL \xD1" "AND\xDA S.A.C.")));
}

void TstImpRep::missingErrorListListsNothing()
{
    ReportInput in;
    in.kind = TransferErrorReport;
    in.TaxpayerId = kOtherRuc;
    const Built b = build(in);
    QVERIFY(b.outcome.ok);
    QCOMPARE(b.outcome.records, 0);
    QVERIFY(findText(b.doc, QString(20, u' ') + QStringLiteral("Total de Errores:      0")));
}

// The error lines an import writes print with the month whole under the heading's MES and
// the description under DESCRIPCION.
void TstImpRep::errorReportShowsTheMonthUnderMes()
{
    const QString description = QStringLiteral("El mes del comprobante no es valido");
    struct Case {
        const char *line;
        const char *month;
    };
    const Case cases[] = {{"01|F001|12|1|1|", "12"}, {"01|F002|3|1|1|", " 3"}, {"03|B001|05|1|1|", "05"}};
    QStringList list;
    for (const Case &c : cases)
        list << errorLine(CadDevPer(QByteArray(c.line), m_host), true, description, m_host);
    QVERIFY(qav::writeTextLines(m_fx->reportDir() + kRuc + QStringLiteral(".Err"), list));
    ReportInput in;
    in.kind = TransferErrorReport;
    const Built b = build(in);
    QVERIFY2(b.outcome.ok, qPrintable(b.outcome.message()));
    QCOMPARE(b.outcome.records, 3);
    QStringList printed;
    for (const qav::ReportElement &e : texts(b.doc, 0))
        printed << e.text;
    const auto heading = std::find_if(printed.cbegin(), printed.cend(), [](const QString &l) {
        return l.contains(QStringLiteral("TIPO        SERIE      MES"));
    });
    QVERIFY(heading != printed.cend());
    const qsizetype mes = heading->indexOf(u"MES");
    const qsizetype descriptionColumn = heading->indexOf(u"DESCRIPCION");
    for (const Case &c : cases) {
        const QString series = QString::fromLatin1(c.line).section(u'|', 1, 1);
        const auto line = std::find_if(printed.cbegin(), printed.cend(),
                                       [&](const QString &l) { return l.contains(series); });
        QVERIFY2(line != printed.cend(), qPrintable(series));
        QCOMPARE(line->mid(mes + 1, 2), QString::fromLatin1(c.month));
        QCOMPARE(line->mid(descriptionColumn), description);
    }
}

QTEST_GUILESS_MAIN(TstImpRep)
#include "tst_imprep.moc"
