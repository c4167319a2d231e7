// The golden report documents checked against facts worked out from the layout rules and
// from the fixture records alone, never from the builder: line ends and code page, the
// header tags, the page count, the rows on every page and what each row shows, the page
// labels, the control box, the month and grand totals summed here from the records, and the
// line count of every page of the error report. A golden rewritten by a faulty builder fails here even though
// the builder then matches it.
//
// Documents are read with a plain split on "|" (no text in these documents holds one).

#include <QFile>
#include <QMap>
#include <QtTest>

namespace {

QString fixture(const QString &relative)
{
    return qEnvironmentVariable("QAV_SOURCE_DIR") + QStringLiteral("/tests/reports/fixtures/") + relative;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lines of a CR LF file; `ok` false when a line ends otherwise or the last has no end.
QList<QByteArray> crlfLines(const QByteArray &bytes, bool *ok)
{
    *ok = bytes.endsWith("\r\n");
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // after the final LF
    for (QByteArray &l : lines) {
        if (!l.endsWith('\r') || l.count('\r') != 1)
            *ok = false;
        l.chop(1);
    }
    return lines;
}

struct Element {
    QByteArray kind;
    QList<QByteArray> fields;
    int page = -1;
};

Element element(const QByteArray &line)
{
    Element e;
    QList<QByteArray> parts = line.split('|');
    e.kind = parts.takeFirst();
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast(); // the "|" that ends the last field
    e.fields = parts;
    if (e.kind == "pPos" && parts.size() == 6)
        e.page = parts[5].toInt();
    else if (e.kind == "pCuadro" && parts.size() == 5)
        e.page = parts[4].toInt();
    return e;
}

// An amount as written ("-1,234.56") in cents.
qint64 cents(QByteArray text)
{
    text = text.trimmed();
    text.replace(",", "");
    const bool negative = text.startsWith('-');
    if (negative)
        text.remove(0, 1);
    const QList<QByteArray> parts = text.split('.');
    const qint64 value = parts[0].toLongLong() * 100 + (parts.size() > 1 ? parts[1].leftJustified(2, '0').toLongLong() : 0);
    return negative ? -value : value;
}

struct RecordSums {
    int count = 0;
    qint64 ventas = 0, gravadas = 0;
    QMap<QByteArray, QPair<qint64, qint64>> byMonth;
    // "type|series|month" -> the amounts of that record, as rows print them.
    QMap<QByteArray, QPair<qint64, qint64>> rows;
};

// How a row names its type and month: the description cut to 15 characters, the Spanish
// month name.
QByteArray rowKey(const QByteArray &type, const QByteArray &series, const QByteArray &month)
{
    static const QMap<QByteArray, QByteArray> types = {
        {"01", "FACTURA"},         {"03", "BOLETA DE VENTA"}, {"07", "NOTA DE CREDITO"},
        {"08", "NOTA DE DEBITO"},  {"12", "TICKET DE MAQUI"}, {"99", "OTROS"}};
    static const char *const months[] = {"Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio",
                                         "Agosto", "Setiembre", "Octubre", "Noviembre", "Diciembre"};
    return types.value(type, "?" + type) + '|' + series + '|' + months[qBound(1, month.toInt(), 12) - 1];
}

RecordSums recordSums(const QString &file)
{
    RecordSums s;
    bool ok = false;
    for (const QByteArray &line : crlfLines(readAll(file), &ok)) {
        const QList<QByteArray> f = line.split('|');
        if (f.size() != 5)
            continue;
        ++s.count;
        s.ventas += cents(f[3]);
        s.gravadas += cents(f[4]);
        s.byMonth[f[2]].first += cents(f[3]);
        s.byMonth[f[2]].second += cents(f[4]);
        s.rows.insert(rowKey(f[0], f[1], f[2]), {cents(f[3]), cents(f[4])});
    }
    return s;
}

} // namespace

class TstGoldenFacts : public QObject
{
    Q_OBJECT

private slots:
    void declarationReport_data();
    void declarationReport();
    void errorReport_data();
    void errorReport();
};

void TstGoldenFacts::declarationReport_data()
{
    QTest::addColumn<QString>("golden");
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("byMonth");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QList<int>>("rowsPerPage");
    QTest::addColumn<QList<int>>("monthLinesPerPage");
    // By series: 40 rows a page; the pages are 1 + ceiling((records - 40) / 40).
    QTest::newRow("series 40") << "series-40" << 40 << false << false << QList<int>{40} << QList<int>{0};
    QTest::newRow("series 41") << "series-41" << 41 << false << false << QList<int>{40, 1} << QList<int>{0, 0};
    QTest::newRow("series 81") << "series-81" << 81 << false << false << QList<int>{40, 40, 1}
                               << QList<int>{0, 0, 0};
    QTest::newRow("sent series 41") << "sent-series-41" << 41 << false << true << QList<int>{40, 1}
                                    << QList<int>{0, 0};
    // By month every month line takes a row place; a page break comes only before a record.
    // Records per month 4 3 3 4 3 4 3 3 3 3 4 3: nine months (30 records, 39 places), then
    // the 31st record on the 40th place; the 32nd starts page 2.
    QTest::newRow("month 40") << "month-40" << 40 << true << false << QList<int>{31, 9} << QList<int>{9, 3};
    // 4 3 3 4 3 4 3 3 4 3 4 3: the same first page, one record more on the second.
    QTest::newRow("month 41") << "month-41" << 41 << true << false << QList<int>{31, 10} << QList<int>{9, 3};
    // 7 7 6 7 7 7 7 6 7 6 7 7: five months and one record of the sixth on page 1 (35 + 5
    // places), the rest of the sixth to three records of the eleventh on page 2, the rest
    // on page 3.
    QTest::newRow("month 81") << "month-81" << 81 << true << false << QList<int>{35, 35, 11}
                              << QList<int>{5, 5, 2};
}

void TstGoldenFacts::declarationReport()
{
    QFETCH(QString, golden);
    QFETCH(int, records);
    QFETCH(bool, byMonth);
    QFETCH(bool, sent);
    QFETCH(QList<int>, rowsPerPage);
    QFETCH(QList<int>, monthLinesPerPage);
    const int pages = int(rowsPerPage.size());
    const QByteArray bytes = readAll(fixture(QStringLiteral("de0001/%1.PRN").arg(golden)));
    QVERIFY(!bytes.isEmpty());
    bool crlf = false;
    const QList<QByteArray> lines = crlfLines(bytes, &crlf);
    QVERIFY2(crlf, "every line ends with CR LF");
    // Windows-1252: the accented letters are single bytes, never UTF-8 pairs.
    QVERIFY(bytes.contains("|Raz\xF3n Social|"));
    QVERIFY(bytes.contains("|INFORMACI\xD3N DESAGREGADA |"));
    QVERIFY(bytes.contains("|COMERCIAL \xD1" "AND\xDA S.A.C.|"));
    QVERIFY(!bytes.contains('\xC3'));

    QCOMPARE(lines.mid(0, 4), (QList<QByteArray>{"<!font!>Courier New<!/font!>",
                                                  "<!nHojas!>" + QByteArray::number(pages) + "<!/nHojas!>",
                                                  "<!Orientacion!>V<!/Orientacion!>",
                                                  "<!Color!>&H00FFFFC0&<!/Color!>"}));

    QList<int> rows(pages, 0), monthLines(pages, 0), breaks;
    QList<bool> labelled(pages, false), controlBox(pages, false), controlText(pages, false);
    QMap<int, QList<int>> rowYs;
    QMap<QByteArray, QPair<qint64, qint64>> printedRows;
    QList<QPair<qint64, qint64>> monthTotals;
    QByteArray registros, totalVentas, totalGravadas;
    int registrosPage = -1, lastPage = 0;
    for (qsizetype i = 4; i < lines.size(); ++i) {
        if (lines[i] == "pNuevaHoja") {
            breaks << int(i);
            // Each break opens the next page with its header.
            QCOMPARE(lines.value(i + 1), "pPos|300|350|ORTAX|True|16|" + QByteArray::number(breaks.size()) + '|');
            continue;
        }
        const Element e = element(lines[i]);
        QVERIFY2(e.page >= 0 && e.page < pages, lines[i].constData());
        QVERIFY2(e.page >= lastPage, "elements in page order");
        lastPage = e.page;
        if (e.kind == "pCuadro") {
            if (e.fields.mid(0, 4) == QList<QByteArray>{"150", "1640", "2650", "1910"})
                controlBox[e.page] = true;
            continue;
        }
        const int x = e.fields[0].toInt(), y = e.fields[1].toInt();
        const QByteArray &text = e.fields[2];
        if (x == 9000 && y == 400)
            labelled[e.page] = text == "Pag. " + QByteArray::number(e.page + 1) + '/' + QByteArray::number(pages);
        if (x == 300 && y == 1720 && text == "NRO. CONTROL: ")
            controlText[e.page] = true;
        if (x == 2550 && y >= 3360) {
            ++rows[e.page];
            rowYs[e.page] << y;
            // The row: type, series, month and the two amounts at their places and widths.
            const Element type = element(lines.value(i - 1)), month = element(lines.value(i + 1)),
                          ventas = element(lines.value(i + 2)), gravadas = element(lines.value(i + 3));
            QCOMPARE(type.fields.mid(0, 2), (QList<QByteArray>{"250", e.fields[1]}));
            QCOMPARE(month.fields.mid(0, 2), (QList<QByteArray>{"4500", e.fields[1]}));
            QCOMPARE(ventas.fields.mid(0, 2), (QList<QByteArray>{"6900", e.fields[1]}));
            QCOMPARE(gravadas.fields.mid(0, 2), (QList<QByteArray>{"9050", e.fields[1]}));
            QCOMPARE(type.fields[2].size(), 15);
            QCOMPARE(text.size(), 15);
            QCOMPARE(month.fields[2].size(), 20);
            QCOMPARE(ventas.fields[2].size(), 15);
            QCOMPARE(gravadas.fields[2].size(), 18);
            printedRows.insert(type.fields[2].trimmed() + '|' + text.trimmed() + '|' + month.fields[2].trimmed(),
                               {cents(ventas.fields[2]), cents(gravadas.fields[2])});
        }
        if (x == 5000 && text == "TOTAL MES:") {
            // 100 twips below the next row place, its sums at 6150 and 8650.
            ++monthLines[e.page];
            QCOMPARE(y, rowYs[e.page].value(rowYs[e.page].size() - 1) + 370);
            const Element ventas = element(lines.value(i + 1)), gravadas = element(lines.value(i + 2));
            QCOMPARE(ventas.fields.mid(0, 2), (QList<QByteArray>{"6150", e.fields[1]}));
            QCOMPARE(gravadas.fields.mid(0, 2), (QList<QByteArray>{"8650", e.fields[1]}));
            monthTotals.append({cents(ventas.fields.value(2)), cents(gravadas.fields.value(2))});
        }
        if (x == 250 && text.startsWith("Registros : ")) {
            registros = text;
            registrosPage = e.page;
            totalVentas = element(lines[i + 2]).fields[2];
            totalGravadas = element(lines[i + 3]).fields[2];
            QCOMPARE(element(lines[i + 1]).fields[2], QByteArray("TOTAL :"));
            QCOMPARE(totalVentas.size(), 22);
            QCOMPARE(totalGravadas.size(), 22);
        }
    }
    QCOMPARE(breaks.size(), pages - 1);
    QCOMPARE(rows, rowsPerPage);
    QCOMPARE(monthLines, monthLinesPerPage);
    for (int p = 0; p < pages; ++p) {
        QVERIFY2(labelled[p], qPrintable(QStringLiteral("page label of page %1").arg(p + 1)));
        QCOMPARE(controlBox[p], sent);
        QCOMPARE(controlText[p], sent);
        // Rows from 3360 every 270 twips; a month line takes the place of one row.
        const QList<int> &ys = rowYs[p];
        QCOMPARE(ys.value(0), 3360);
        for (qsizetype k = 1; k < ys.size(); ++k)
            QVERIFY((ys[k] - ys[k - 1]) == 270 || (byMonth && ys[k] - ys[k - 1] == 540));
        QVERIFY(ys.last() <= 3360 + 40 * 270);
    }

    // Totals summed here from the fixture records.
    const RecordSums sums = recordSums(fixture(QStringLiteral("de0001/records-%1.txt").arg(records)));
    QCOMPARE(sums.count, records);
    QCOMPARE(printedRows, sums.rows); // every record once, with its own amounts
    QCOMPARE(registros, "Registros : " + QByteArray::number(records));
    QCOMPARE(registrosPage, pages - 1);
    QCOMPARE(cents(totalVentas), sums.ventas);
    QCOMPARE(cents(totalGravadas), sums.gravadas);
    if (byMonth) {
        QList<QPair<qint64, qint64>> expected;
        for (const auto &m : sums.byMonth)
            expected << m;
        QCOMPARE(monthTotals, expected);
    } else {
        QVERIFY(monthTotals.isEmpty());
    }
}

void TstGoldenFacts::errorReport_data()
{
    QTest::addColumn<int>("errors");
    QTest::addColumn<int>("pages");
    // 13 header lines and 69 errors and 3 sub-total lines make the 85 lines of a page.
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("69: the second page holds the header and the totals") << 69 << 2;
    QTest::newRow("70") << 70 << 2;
}

void TstGoldenFacts::errorReport()
{
    QFETCH(int, errors);
    QFETCH(int, pages);
    const QByteArray bytes = readAll(fixture(QStringLiteral("de0003/errors-%1.PRN").arg(errors)));
    QVERIFY(!bytes.isEmpty());
    bool crlf = false;
    const QList<QByteArray> lines = crlfLines(bytes, &crlf);
    QVERIFY(crlf);
    const QList<QByteArray> list = crlfLines(readAll(fixture(QStringLiteral("de0003/errors-%1.err").arg(errors))), &crlf);
    QCOMPARE(int(list.size()), errors);

    // The tags once, at the top.
    QCOMPARE(lines.mid(0, 4), (QList<QByteArray>{"<!font!>Courier New<!/font!>",
                                                  "<!nHojas!>" + QByteArray::number(pages) + "<!/nHojas!>",
                                                  "<!Orientacion!>V<!/Orientacion!>",
                                                  "<!Color!>&H80000005&<!/Color!>"}));
    QCOMPARE(bytes.count("<!"), 8);

    QList<QList<QByteArray>> texts(pages); // the texts of each page
    int breaksSeen = 0;
    for (qsizetype i = 4; i < lines.size(); ++i) {
        if (lines[i] == "pNuevaHoja") {
            ++breaksSeen;
            continue;
        }
        const Element e = element(lines[i]);
        QCOMPARE(e.kind, QByteArray("pPos"));
        QCOMPARE(e.page, breaksSeen);
        // Flowing lines: x 10, 175 twips apart from the top of each page, 8 points.
        QCOMPARE(e.fields[0], QByteArray("10"));
        QCOMPARE(e.fields[1].toInt(), 175 * int(texts[e.page].size() + 1));
        QCOMPARE(e.fields[3], QByteArray("False"));
        QCOMPARE(e.fields[4], QByteArray("8"));
        texts[e.page] << e.fields[2];
    }
    QCOMPARE(breaksSeen, pages - 1);
    const QByteArray margin(15, ' '), indent(20, ' ');
    QList<QByteArray> errorLines;
    for (int p = 0; p < pages; ++p) {
        const QList<QByteArray> &t = texts[p];
        // A full page: 84 lines below the one the tags count for.
        if (p + 1 < pages)
            QCOMPARE(int(t.size()), 84);
        QVERIFY(t.size() >= 12);
        QCOMPARE(t[3].size(), 106);
        QVERIFY(t[3].startsWith(margin + "ORTAX"));
        QVERIFY(t[3].endsWith("DE0003"));
        QVERIFY(t[4].endsWith("Pag:" + QByteArray::number(p + 1)));
        QVERIFY(t[4].contains("REPORTE DE ERRORES DE TRANSFERENCIA - PERIODO 2023"));
        QCOMPARE(t[8].size(), 110);
        QCOMPARE(t[9], margin + QByteArray(91, '_'));
        QCOMPARE(t[11], margin + QByteArray(91, '_'));
        for (qsizetype k = 12; k < t.size(); ++k)
            if (t[k].startsWith(indent) && !t[k].contains("Total de Errores"))
                errorLines << t[k].mid(20);
    }
    QCOMPARE(errorLines, list);
    // Sub-total after every 69 errors, then the total between two rules of 89.
    for (int p = 0; p + 1 < pages; ++p)
        QCOMPARE(texts[p].mid(81), (QList<QByteArray>{margin + QByteArray(91, '_'),
                                                       indent + "Sub-Total de Errores:  " + QByteArray::number(69 * (p + 1)),
                                                       margin + QByteArray(91, '_')}));
    QCOMPARE(texts.last().mid(texts.last().size() - 3),
             (QList<QByteArray>{margin + QByteArray(89, '_'), indent + "Total de Errores:      " + QByteArray::number(errors),
                                margin + QByteArray(89, '_')}));
    QCOMPARE(int(texts.last().size()), 12 + (errors - 69 * (pages - 1)) + 3);
}

QTEST_GUILESS_MAIN(TstGoldenFacts)
#include "tst_goldenfacts.moc"
