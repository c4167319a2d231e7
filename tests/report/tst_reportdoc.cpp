// Report documents: what the writer puts in the file, byte for byte, and how the reader
// takes documents apart, including ones the writers never produce.

#include "common/report/reportreader.h"
#include "common/report/reportwriter.h"
#include "common/text/textfile.h"

#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace qav;

class TstReportDoc : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void smallDocumentBytes();
    void flowingPageBreak_data();
    void flowingPageBreak();
    void tagsOnlyOnFirstPage();
    void pageBreakThroughTextoPos();
    void rowOverflowFails();
    void unwritableFolderFails();
    void failingDiskIsReported();
    void readsWhatWasWritten();
    void readerSkipsBadLines_data();
    void readerSkipsBadLines();
    void numericFields_data();
    void numericFields();
    void boolFields_data();
    void boolFields();
    void neverReadsPastTheLine();
    void foreignDocument();
    void randomGarbageNeverCrashes();
    void leeNumHojas_data();
    void leeNumHojas();

private:
    QStringList linesOf(const QString &path);
    QTemporaryDir m_dir;
    QString m_path;
};

void TstReportDoc::init()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("00000001.PRN"));
    QFile::remove(m_path);
}

QStringList TstReportDoc::linesOf(const QString &path)
{
    QStringList lines;
    [&] { QVERIFY(readTextLines(path, &lines)); }();
    return lines;
}

void TstReportDoc::smallDocumentBytes()
{
    ReportWriter w;
    QVERIFY(w.open(m_path));
    w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
    w.pLinea(QStringLiteral("<!nHojas!>1<!/nHojas!>"));
    w.pTextoPos(300, 350, QStringLiteral("ORTAX"), true, 16, 0);
    w.pCuadroPos(150, 300, 1700, 1640, 0);
    w.pLinea(QStringLiteral("   Año ñandú €"));
    w.pTextoPos(-5, 32767, QStringLiteral("  lead and trail  "), false, 8, 2);
    QVERIFY(w.close());

    QFile f(m_path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray expected =
        "<!font!>Courier New<!/font!>\r\n"
        "<!nHojas!>1<!/nHojas!>\r\n"
        "pPos|300|350|ORTAX|True|16|0|\r\n"
        "pCuadro|150|300|1700|1640|0|\r\n"
        "pPos|10|175|   A\xF1o \xF1\x61nd\xFA \x80|False|8|0|\r\n"
        "pPos|-5|32767|  lead and trail  |False|8|2|\r\n";
    QCOMPARE(f.readAll(), expected);
}

void TstReportDoc::flowingPageBreak_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("pageLength");
    QTest::newRow("width 104: 83 lines") << 104 << 83;
    QTest::newRow("width 83: 83 lines") << 83 << 83;
    QTest::newRow("width 82: 85 lines") << 82 << 85;
}

void TstReportDoc::flowingPageBreak()
{
    QFETCH(int, width);
    QFETCH(int, pageLength);
    ReportWriter w;
    w.ReportWidth = qint16(width);
    QVERIFY(w.open(m_path));
    for (int i = 1; i <= pageLength + 3; ++i)
        w.pLinea(QStringLiteral("line %1").arg(i));
    QVERIFY(w.close());
    QCOMPARE(w.PageNumber, qint16(2));
    QCOMPARE(w.LineCount, qint16(3));

    const QStringList lines = linesOf(m_path);
    QCOMPARE(lines.size(), pageLength + 3 + 1);
    QCOMPARE(lines[pageLength - 1],
             QStringLiteral("pPos|10|%1|line %2|False|8|0|").arg(175 * pageLength).arg(pageLength));
    QCOMPARE(lines[pageLength], QStringLiteral("pNuevaHoja"));
    // The row position is not reset by the break: the builder's page header does that.
    QCOMPARE(lines[pageLength + 1],
             QStringLiteral("pPos|10|%1|line %2|False|8|1|").arg(175 * (pageLength + 1)).arg(pageLength + 1));
}

void TstReportDoc::tagsOnlyOnFirstPage()
{
    ReportWriter w;
    QVERIFY(w.open(m_path));
    w.pLinea(QStringLiteral("<!Color!>&H80000005&<!/Color!>"));
    w.pTextoPos(0, 0, QStringLiteral("<!Orientacion!>V<!/Orientacion!>"), false, 8, 0);
    for (int i = 0; i < 82; ++i) // with the tag written through pLinea: 83 lines, one page
        w.pLinea(QStringLiteral("x"));
    QCOMPARE(w.PageNumber, qint16(2));
    w.RowPos = 0;
    w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
    w.pTextoPos(0, 0, QStringLiteral("<!nHojas!>2<!/nHojas!>"), false, 8, 1);
    w.pLinea(QStringLiteral("second page"));
    QVERIFY(w.close());

    const QStringList lines = linesOf(m_path);
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.first(), QStringLiteral("<!Color!>&H80000005&<!/Color!>"));
    QCOMPARE(lines[1], QStringLiteral("<!Orientacion!>V<!/Orientacion!>"));
    QCOMPARE(lines.filter(QStringLiteral("<!")).size(), 2);
    QCOMPARE(lines.last(), QStringLiteral("pPos|10|175|second page|False|8|1|"));
}

void TstReportDoc::pageBreakThroughTextoPos()
{
    ReportWriter w;
    QVERIFY(w.open(m_path));
    w.pTextoPos(300, 350, QStringLiteral("pNuevaHoja"), true, 16, 0);
    w.pTextoPos(300, 350, QStringLiteral(" pNuevaHoja"), false, 8, 1);
    QVERIFY(w.close());
    QCOMPARE(linesOf(m_path),
             (QStringList{QStringLiteral("pNuevaHoja"), QStringLiteral("pPos|300|350| pNuevaHoja|False|8|1|")}));
    QCOMPARE(w.PageNumber, qint16(1)); // callers of pTextoPos count their own pages
}

void TstReportDoc::rowOverflowFails()
{
    qint16 pos = 32700;
    QCOMPARE(AvanzaFila(pos, 67).value_or(QString()), QStringLiteral("32767"));
    QVERIFY(!AvanzaFila(pos, 1).has_value());
    QCOMPARE(pos, qint16(32767));
    pos = -32768;
    QVERIFY(!AvanzaFila(pos, -1).has_value());

    ReportWriter last;
    QVERIFY(last.open(m_path));
    last.PageNumber = 32767;
    last.LineCount = 82;
    last.pLinea(QStringLiteral("last line of the last possible page"));
    QVERIFY(last.failed());
    QCOMPARE(last.PageNumber, qint16(32767));
    QVERIFY(!last.close());

    ReportWriter w;
    QVERIFY(w.open(m_path));
    w.RowPos = 32700;
    w.pLinea(QStringLiteral("too far down"));
    QVERIFY(w.failed());
    QVERIFY(!w.close());
    QVERIFY(!QFile::exists(m_path)); // no half-written document
}

void TstReportDoc::unwritableFolderFails()
{
    ReportWriter w;
    QVERIFY(!w.open(m_dir.filePath(QStringLiteral("no/such/folder/x.PRN"))));
    QVERIFY(w.failed());
    QVERIFY(!w.errorString().isEmpty());
    w.pLinea(QStringLiteral("dropped"));
    QVERIFY(!w.close());
}

void TstReportDoc::failingDiskIsReported()
{
    // A file size limit makes the disk refuse the document part way: the writer must say
    // so and leave no truncated document behind.
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    ReportWriter w;
    const bool opened = w.open(m_path);
    for (int i = 0; i < 20000; ++i)
        w.pTextoPos(250, 3360, QStringLiteral("FACTURA        F001"), false, 8, qint16(i / 40));
    const bool closed = w.close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(opened);
    QVERIFY(!closed);
    QVERIFY(w.failed());
    QVERIFY(!w.errorString().isEmpty());
    QVERIFY(!QFile::exists(m_path));
}

void TstReportDoc::readsWhatWasWritten()
{
    ReportWriter w;
    QVERIFY(w.open(m_path));
    w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
    w.pLinea(QStringLiteral("<!nHojas!>2<!/nHojas!>"));
    w.pLinea(QStringLiteral("<!Orientacion!>V<!/Orientacion!>"));
    w.pLinea(QStringLiteral("<!Color!>&H00FFFFC0&<!/Color!>"));
    w.pTextoPos(2100, 400, QStringLiteral("                  DETALLE DE OPERACIONES   "), true, 9, 0);
    w.pCuadroPos(150, 2490, 11000, 2760, 0);
    w.pTextoPos(0, 0, QStringLiteral("pNuevaHoja"), false, 8, 1);
    w.pTextoPos(9000, 400, QStringLiteral("Pag. 2/2"), false, 8, 1);
    QVERIFY(w.close());

    ReportDocument doc;
    QVERIFY(readReportDocument(m_path, &doc));
    QCOMPARE(doc.font, QStringLiteral("Courier New"));
    QCOMPARE(doc.declaredPages.value_or(-1), qint16(2));
    QCOMPARE(doc.orientation, QStringLiteral("V"));
    QCOMPARE(doc.color, QStringLiteral("&H00FFFFC0&"));
    QCOMPARE(doc.skippedLines, 0);
    QCOMPARE(doc.pageCount(), 2);
    QCOMPARE(doc.pageBreaks, 1);
    QCOMPARE(doc.elements.size(), 4);
    const ReportElement &title = doc.elements[0];
    QCOMPARE(title.kind, ReportElement::Text);
    QCOMPARE(title.text, QStringLiteral("                  DETALLE DE OPERACIONES   "));
    QVERIFY(title.bold);
    QCOMPARE(title.size, qint16(9));
    const ReportElement &box = doc.elements[1];
    QCOMPARE(box.kind, ReportElement::Box);
    QCOMPARE(QList<int>({box.x, box.y, box.x2, box.y2, box.page}), QList<int>({150, 2490, 11000, 2760, 0}));
    QCOMPARE(doc.elements[2].kind, ReportElement::PageBreak);
    QCOMPARE(doc.elements[2].page, qint16(0)); // the page it closes
    QCOMPARE(doc.elements[3].page, qint16(1));
    const QList<QList<ReportElement>> pages = doc.pages();
    QCOMPARE(pages.size(), 2);
    QCOMPARE(pages[0].size(), 2);
    QCOMPARE(pages[1].size(), 1);
    QCOMPARE(pages[1][0].text, QStringLiteral("Pag. 2/2"));
    QCOMPARE(LeeNumHojas(m_path), qint16(2));
}

void TstReportDoc::readerSkipsBadLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("no token ending") << QStringLiteral("pPos 10 20 text");
    QTest::newRow("empty command") << QStringLiteral("|1|2|3|");
    QTest::newRow("unknown command") << QStringLiteral("pLinea|1|2|x|False|8|0|");
    QTest::newRow("truncated pPos") << QStringLiteral("pPos|10|20|text|Fal");
    QTest::newRow("pPos with five fields") << QStringLiteral("pPos|10|20|text|False|8|");
    QTest::newRow("truncated pCuadro") << QStringLiteral("pCuadro|1|2|3|");
    QTest::newRow("bold not a truth value") << QStringLiteral("pPos|10|20|t|maybe|8|0|");
    QTest::newRow("x beyond 16 bits") << QStringLiteral("pPos|99999|20|t|False|8|0|");
    QTest::newRow("huge number") << QStringLiteral("pCuadro|1|2|3|4|123456789012345678901234567890|");
    QTest::newRow("negative page") << QStringLiteral("pCuadro|1|2|3|4|-1|");
    QTest::newRow("tag without closing") << QStringLiteral("<!font!>Courier New");
    QTest::newRow("unknown tag") << QStringLiteral("<!Papel!>A4<!/Papel!>");
    QTest::newRow("page count beyond 16 bits") << QStringLiteral("<!nHojas!>99999<!/nHojas!>");
    QTest::newRow("bold field empty") << QStringLiteral("pPos|10|20|t||8|0|");
    QTest::newRow("bold field with trailing text") << QStringLiteral("pPos|10|20|t|1x|8|0|");
    QTest::newRow("closing tag of another tag") << QStringLiteral("<!font!>Courier New<!/Color!>");
    QTest::newRow("closing tag alone") << QStringLiteral("<!/nHojas!>");
    QTest::newRow("break with a prefix") << QStringLiteral("xpNuevaHoja");
    QTest::newRow("only a tag opener") << QStringLiteral("<!");
}

void TstReportDoc::readerSkipsBadLines()
{
    QFETCH(QString, line);
    const QString text = QStringLiteral("pPos|1|2|before|False|8|0|\r\n") + line
                         + QStringLiteral("\r\npCuadro|1|2|3|4|0|\r\n");
    const ReportDocument doc = parseReportDocument(text);
    QCOMPARE(doc.skippedLines, 1);
    QCOMPARE(doc.elements.size(), 2);
    QCOMPARE(doc.elements[0].text, QStringLiteral("before"));
    QCOMPARE(doc.elements[1].kind, ReportElement::Box);
    QCOMPARE(doc.pageBreaks, 0);
}

void TstReportDoc::numericFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("expected"); // -99999: not a 16-bit value
    QTest::newRow("plain") << QStringLiteral("1720") << 1720;
    QTest::newRow("negative") << QStringLiteral("-60") << -60;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("letters") << QStringLiteral("abc") << 0;
    QTest::newRow("leading spaces and trailing text") << QStringLiteral("  12px") << 12;
    QTest::newRow("half rounds to even, down") << QStringLiteral("2.5") << 2;
    QTest::newRow("half rounds to even, up") << QStringLiteral("3.5") << 4;
    QTest::newRow("above half") << QStringLiteral("2.51") << 3;
    QTest::newRow("largest") << QStringLiteral("32767") << 32767;
    QTest::newRow("smallest") << QStringLiteral("-32768") << -32768;
    QTest::newRow("one too many") << QStringLiteral("32768") << -99999;
    QTest::newRow("many digits") << QStringLiteral("000000000000000000007") << 7;
    QTest::newRow("negative half to even") << QStringLiteral("-2.5") << -2;
    QTest::newRow("negative half to even, away") << QStringLiteral("-3.5") << -4;
    QTest::newRow("half by a hair more") << QStringLiteral("2.50000000000000000001") << 3;
    QTest::newRow("just under a half") << QStringLiteral("1.49999999999999999999") << 1;
    QTest::newRow("fraction only") << QStringLiteral(".6") << 1;
    QTest::newRow("plus sign") << QStringLiteral("+7") << 7;
    QTest::newRow("sign alone") << QStringLiteral("-") << 0;
    QTest::newRow("second point ends the number") << QStringLiteral("1.2.9") << 1;
    QTest::newRow("space inside ends the number") << QStringLiteral("1 2") << 1;
    QTest::newRow("largest rounded up is too large") << QStringLiteral("32767.5") << -99999;
    QTest::newRow("smallest half rounds to even") << QStringLiteral("-32768.5") << -32768;
    QTest::newRow("below the smallest") << QStringLiteral("-32769") << -99999;
    QTest::newRow("huge") << QStringLiteral("123456789012345678901234567890") << -99999;
}

void TstReportDoc::numericFields()
{
    QFETCH(QString, field);
    QFETCH(int, expected);
    const std::optional<qint16> v = readNumericField(field);
    if (expected == -99999)
        QVERIFY(!v.has_value());
    else
        QCOMPARE(int(v.value_or(-1234)), expected);
}

void TstReportDoc::boolFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 not a truth value
    QTest::newRow("True") << QStringLiteral("True") << 1;
    QTest::newRow("False") << QStringLiteral("False") << 0;
    QTest::newRow("other case, spaces") << QStringLiteral("  tRUE ") << 1;
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("zero with decimals") << QStringLiteral("-0.00") << 0;
    QTest::newRow("minus one") << QStringLiteral("-1") << 1;
    QTest::newRow("fraction") << QStringLiteral("0.001") << 1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("word") << QStringLiteral("Yes") << -1;
    QTest::newRow("exponent") << QStringLiteral("1e3") << -1;
    QTest::newRow("infinity") << QStringLiteral("inf") << -1;
}

void TstReportDoc::boolFields()
{
    QFETCH(QString, field);
    QFETCH(int, expected);
    const std::optional<bool> v = readBoolField(field);
    QCOMPARE(v.has_value() ? int(*v) : -1, expected);
}

void TstReportDoc::neverReadsPastTheLine()
{
    // The line is a view into a larger text whose next characters would complete it: the
    // reader must stop at the end of the view.
    const QString text = QStringLiteral("pCuadro|1|2|3|4|0|<!nHojas!>5<!/nHojas!>pNuevaHoja");
    struct Cut { qsizetype length; int elements; };
    for (const Cut &c : {Cut{12, 0}, Cut{17, 0}, Cut{18, 1}}) {
        ReportDocument doc;
        parseReportLine(QStringView(text).left(c.length), &doc);
        QCOMPARE(doc.elements.size(), c.elements);
    }
    ReportDocument tag;
    QVERIFY(!parseReportLine(QStringView(text).mid(18, 15), &tag)); // "<!nHojas!>5<!/n"
    QVERIFY(!tag.declaredPages.has_value());
    ReportDocument brk;
    QVERIFY(!parseReportLine(QStringView(text).mid(40, 9), &brk)); // "pNuevaHoj"
    QCOMPARE(brk.pageBreaks, 0);

    // A command cut by a line end is not joined with the next line.
    const ReportDocument doc = parseReportDocument(u"pPos|1|2|abc\r\n|False|8|0|\r\n");
    QCOMPARE(doc.elements.size(), 0);
    QCOMPARE(doc.skippedLines, 2);
}

void TstReportDoc::foreignDocument()
{
    // Not written by these writers: LF and lone CR line ends, blank lines, tabs, spaces
    // around command words, a control character, a very long line without any token
    // ending, bytes above 0x7F, and fields beyond the ones a command takes.
    QByteArray bytes = "<!nHojas!>2<!/nHojas!>\n"
                       "\n"
                       "  pPos |100|200|\x93quoted\x94 \t|true|10|1|extra|\r"
                       "\tpNuevaHoja   \r\n"
                       "pCuadro|1|2|3|4|0|5|6|\n"
                       "\x01\x02garbage\n";
    bytes += QByteArray(1 << 20, 'x');
    bytes += "\r\n<!Orientacion!> H <!/Orientacion!>trailing\r\n";
    QFile f(m_path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();

    ReportDocument doc;
    QVERIFY(readReportDocument(m_path, &doc));
    QCOMPARE(doc.declaredPages.value_or(-1), qint16(2));
    QCOMPARE(doc.orientation, QStringLiteral("H"));
    QCOMPARE(doc.skippedLines, 2); // the garbage line and the long one
    QCOMPARE(doc.elements.size(), 3);
    QCOMPARE(doc.elements[0].text, QStringLiteral("\u201Cquoted\u201D \t"));
    QVERIFY(doc.elements[0].bold);
    QCOMPARE(doc.elements[0].page, qint16(1));
    QCOMPARE(doc.elements[1].kind, ReportElement::PageBreak);
    QCOMPARE(doc.elements[2].kind, ReportElement::Box);
    QCOMPARE(doc.pageCount(), 2);
    QCOMPARE(LeeNumHojas(m_path), qint16(2));
}

void TstReportDoc::randomGarbageNeverCrashes()
{
    // Lines cut from a valid document at random places and sprinkled with random
    // characters: the reader must take what it can and skip the rest.
    const QString good = QStringLiteral("pPos|300|350|ORTAX|True|16|0|<!nHojas!>3<!/nHojas!>pCuadro|1|2|3|4|0|pNuevaHoja");
    QRandomGenerator rng(7093);
    const QString alphabet = QStringLiteral("|!<>/aHojpPosCudr0123456789-. TrueFals");
    int read = 0;
    for (int round = 0; round < 5000; ++round) {
        QString line = good.mid(rng.bounded(int(good.size())), rng.bounded(int(good.size())));
        for (int k = rng.bounded(4); k > 0; --k)
            line.insert(rng.bounded(int(line.size()) + 1), alphabet[rng.bounded(int(alphabet.size()))]);
        ReportDocument doc;
        const bool ok = parseReportLine(line, &doc);
        QCOMPARE(doc.skippedLines, ok ? 0 : 1);
        if (ok)
            ++read;
    }
    QVERIFY(read > 0);

    // Whole documents of random bytes, line ends included.
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes(rng.bounded(1, 4000), Qt::Uninitialized);
        for (char &b : bytes)
            b = rng.bounded(8) == 0 ? "|\r\n!<>"[rng.bounded(6)] : char(rng.bounded(256));
        const ReportDocument doc = parseReportDocument(decodeCp1252(bytes));
        QVERIFY(doc.pageCount() >= 1);
        qsizetype drawn = 0;
        for (const QList<ReportElement> &page : doc.pages())
            drawn += page.size();
        QCOMPARE(drawn + doc.pageBreaks, doc.elements.size());
    }
}

void TstReportDoc::leeNumHojas_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("expected");
    QTest::newRow("three pages") << QByteArray("<!font!>Courier New<!/font!>\r\n<!nHojas!>3<!/nHojas!>\r\npPos|1|2|x|False|8|0|\r\n") << 3;
    QTest::newRow("no tag") << QByteArray("pPos|1|2|x|False|8|0|\r\npNuevaHoja\r\n") << 0;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("spaces around the number") << QByteArray("<!nHojas!> 12 <!/nHojas!>\r\n") << 12;
    QTest::newRow("no closing tag") << QByteArray("<!nHojas!>4\r\n") << 4;
}

void TstReportDoc::leeNumHojas()
{
    QFETCH(QByteArray, content);
    QFETCH(int, expected);
    QFile f(m_path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    QCOMPARE(int(LeeNumHojas(m_path)), expected);
    QCOMPARE(int(LeeNumHojas(m_dir.filePath(QStringLiteral("missing.PRN")))), 0);
}

QTEST_GUILESS_MAIN(TstReportDoc)
#include "tst_reportdoc.moc"
