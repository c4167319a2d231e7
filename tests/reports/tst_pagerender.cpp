// The page renderer: documents opened page by page (ReportPages) against the whole-document
// reader, printing onto a recording printer (page ranges, landscape, vertical texts, no empty
// trailing page, device failures, progress and cancelling) and PDF output.

#include "declmod/reports/pagerenderer.h"
#include "declmod/reports/pdfexport.h"
#include "declmod/reports/printtarget.h"
#include "declmod/reports/reportpages.h"
#include "declmod/reports/reportstate.h"

#include "common/report/reportreader.h"
#include "common/text/textfile.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace declmod;
using Call = RecordingPrintTarget::Call;

namespace {

// A document of `pages` pages: on each, a text naming the page, and a box; breaks between
// pages and one after the last.
QStringList pagedLines(int pages, const char *orientation = "V")
{
    QStringList l = {QStringLiteral("<!font!>Courier New<!/font!>"),
                     QStringLiteral("<!nHojas!>%1<!/nHojas!>").arg(pages),
                     QStringLiteral("<!Orientacion!>%1<!/Orientacion!>").arg(QLatin1String(orientation)),
                     QStringLiteral("<!Color!>&H00FFFFC0&<!/Color!>")};
    for (int p = 0; p < pages; ++p) {
        l << QStringLiteral("pPos|300|350|page %1|True|16|%1|").arg(p);
        l << QStringLiteral("pCuadro|150|300|1700|1640|%1|").arg(p);
        l << QStringLiteral("pNuevaHoja");
    }
    return l;
}

QStringList textsOn(const RecordingPrintTarget &t, int page)
{
    QStringList out;
    for (const Call &c : t.onPage(page, Call::Text))
        out << c.text;
    return out;
}

} // namespace

class TstPageRender : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString &name, const QStringList &lines)
    {
        const QString path = m_dir.filePath(name);
        return qav::writeTextLines(path, lines) ? path : QString();
    }

private slots:
    void pagesMatchTheWholeReader_data();
    void pagesMatchTheWholeReader();
    void largeDocumentAcrossReadChunks();
    void missingDocument();
    void printRanges_data();
    void printRanges();
    void landscapeThenPortrait();
    void drawing();
    void nothingToPrint();
    void deviceFailure();
    void cancelStopsAfterThePage_data();
    void cancelStopsAfterThePage();
    void pdfOutput();
    void pdfUnwritable();
    void pdfCancelledLeavesNoFile();
};

void TstPageRender::pagesMatchTheWholeReader_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("in order") << pagedLines(3);
    QTest::newRow("out of order") << QStringList{
        QStringLiteral("pPos|1|1|b0|False|8|0|"), QStringLiteral("pPos|1|1|a2|False|8|2|"),
        QStringLiteral("pPos|1|2|c0|False|8|0|"), QStringLiteral("<!nHojas!>3<!/nHojas!>"),
        QStringLiteral("pCuadro|1|2|3|4|2|")};
    QTest::newRow("odd spacing and foreign lines") << QStringList{
        QStringLiteral(" pPos |10|20|  spaced  |True|8|1|"), QStringLiteral("garbage"),
        QStringLiteral("pPos|10|20|no page|True|8|"), QStringLiteral("pPosVerti|1|2|abc|False|8|0|"),
        QStringLiteral("pPos|1|2|page 1.5 rounds to 2|False|8|1.5|"), QStringLiteral(""),
        QStringLiteral("pPos|1|2|neg|False|8|-1|")};
    QTest::newRow("tags between commands") << QStringList{
        QStringLiteral("<!nHojas!>1<!/nHojas!>"), QStringLiteral("pPos|1|2||False|8|0|"),
        QStringLiteral("<!Orientacion!>H<!/Orientacion!>"), QStringLiteral("pPos|1|3|x|False|8|0|")};
}

void TstPageRender::pagesMatchTheWholeReader()
{
    QFETCH(QStringList, lines);
    const QString path = write(QStringLiteral("doc.PRN"), lines);
    ReportPages pages;
    QVERIFY(pages.open(path));
    qav::ReportDocument whole;
    QVERIFY(qav::readReportDocument(path, &whole));
    QCOMPARE(pages.pageCount(), whole.pageCount());
    QCOMPARE(pages.skippedLines(), whole.skippedLines);
    QCOMPARE(pages.header().declaredPages, whole.declaredPages);
    QCOMPARE(pages.header().orientation, whole.orientation);
    const QList<QList<qav::ReportElement>> expected = whole.pages();
    for (int p = 0; p < pages.pageCount(); ++p) {
        const QList<qav::ReportElement> got = pages.page(p);
        QCOMPARE(got.size(), expected[p].size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].text, expected[p][i].text);
            QCOMPARE(got[i].y, expected[p][i].y);
            QCOMPARE(got[i].kind, expected[p][i].kind);
        }
    }
}

void TstPageRender::largeDocumentAcrossReadChunks()
{
    // Lines of varied length, so that line ends (CR LF) fall across the reader's 1 MiB
    // chunks at every offset; every page must read back as the whole reader reads it.
    QStringList lines = {QStringLiteral("<!nHojas!>1200<!/nHojas!>")};
    for (int p = 0; p < 1200; ++p)
        for (int r = 0; r < 60; ++r)
            lines << QStringLiteral("pPos|250|%1|%2|False|8|%3|").arg(3360 + r).arg(QString(r % 37, u'x')).arg(p);
    const QString path = write(QStringLiteral("big.PRN"), lines);
    QVERIFY(QFileInfo(path).size() > 2 * (1 << 20));
    ReportPages pages;
    QVERIFY(pages.open(path));
    QCOMPARE(pages.pageCount(), 1200);
    QCOMPARE(pages.skippedLines(), 0);
    for (int p : {0, 1, 599, 600, 1198, 1199}) {
        const QList<qav::ReportElement> got = pages.page(p);
        QCOMPARE(got.size(), 60);
        for (int r = 0; r < 60; ++r) {
            QCOMPARE(int(got[r].y), 3360 + r);
            QCOMPARE(got[r].text.size(), r % 37);
        }
    }
    int total = 0;
    for (int p = 0; p < 1200; ++p)
        total += int(pages.page(p).size());
    QCOMPARE(total, 1200 * 60);
}

void TstPageRender::missingDocument()
{
    ReportPages pages;
    QString error;
    QVERIFY(!pages.open(m_dir.filePath(QStringLiteral("none.PRN")), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(pages.page(0).isEmpty());
}

void TstPageRender::printRanges_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("printed"); // the first text of every printed page
    QTest::newRow("whole") << 0 << 0
                           << QStringList{"page 0", "page 1", "page 2", "page 3", "page 4"};
    QTest::newRow("3 to 4") << 3 << 4 << QStringList{"page 2", "page 3"};
    QTest::newRow("1 to 1") << 1 << 1 << QStringList{"page 0"};
    QTest::newRow("5 to 5, the break after it opens no page") << 5 << 5 << QStringList{"page 4"};
    QTest::newRow("4 to 99, beyond the end") << 4 << 99 << QStringList{"page 3", "page 4"};
}

void TstPageRender::printRanges()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, printed);
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("five.PRN"), pagedLines(5))));
    PageRange range{first, last};
    RecordingPrintTarget target;
    const PrintOutcome out = printReport(pages, first ? &range : nullptr, target);
    QVERIFY(out.ok());
    QCOMPARE(out.pages, int(printed.size()));
    QCOMPARE(target.pages, int(printed.size()));
    QVERIFY(target.ended);
    QCOMPARE(target.calls.last().kind, Call::EndJob);
    for (int p = 0; p < target.pages; ++p) {
        QCOMPARE(textsOn(target, p), QStringList{printed[p]});
        QCOMPARE(target.onPage(p, Call::Line).size(), 4);
    }
}

void TstPageRender::landscapeThenPortrait()
{
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("h.PRN"), pagedLines(2, "H"))));
    QVERIFY(pages.landscape());
    RecordingPrintTarget target;
    QVERIFY(printReport(pages, nullptr, target).ok());
    QVERIFY(target.calls.size() >= 4);
    QCOMPARE(target.calls.first().kind, Call::Orientation);
    QCOMPARE(target.calls.first().orientation, PageOrientation::Landscape);
    QCOMPARE(target.calls[1].kind, Call::StartPage);
    QCOMPARE(target.calls.last().kind, Call::Orientation);
    QCOMPARE(target.calls.last().orientation, PageOrientation::Portrait);
    QCOMPARE(target.calls[target.calls.size() - 2].kind, Call::EndJob);

    ReportPages portrait;
    QVERIFY(portrait.open(write(QStringLiteral("v.PRN"), pagedLines(1))));
    RecordingPrintTarget plain;
    QVERIFY(printReport(portrait, nullptr, plain).ok());
    for (const Call &c : plain.calls)
        QVERIFY(c.kind != Call::Orientation);
}

void TstPageRender::drawing()
{
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("d.PRN"),
                             {QStringLiteral("pPosVerti|500|1000|abc|True|10|0|"),
                              QStringLiteral("pPos|10|20|  lead and trail  |False|8|0|"),
                              QStringLiteral("pCuadro|150|300|1700|1640|0|")})));
    RecordingPrintTarget t;
    QVERIFY(printReport(pages, nullptr, t).ok());
    const QList<Call> texts = t.onPage(0, Call::Text);
    QCOMPARE(texts.size(), 4);
    const int ys[] = {1000, 1190, 1380};
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(texts[k].text, QString(QChar(u'a' + k)));
        QCOMPARE(texts[k].x, 500);
        QCOMPARE(texts[k].y, ys[k]);
        QCOMPARE(texts[k].size, 10);
        QVERIFY(texts[k].bold);
    }
    QCOMPARE(texts[3].text, QStringLiteral("  lead and trail  "));
    QCOMPARE(texts[3].font, QStringLiteral("Courier New"));
    QCOMPARE(texts[3].size, 8);
    QVERIFY(!texts[3].bold);
    const QList<Call> lines = t.onPage(0, Call::Line);
    QCOMPARE(lines.size(), 4);
    const int corners[4][4] = {{150, 300, 1700, 300}, {1700, 300, 1700, 1640},
                               {1700, 1640, 150, 1640}, {150, 1640, 150, 300}};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(lines[i].x, corners[i][0]);
        QCOMPARE(lines[i].y, corners[i][1]);
        QCOMPARE(lines[i].x2, corners[i][2]);
        QCOMPARE(lines[i].y2, corners[i][3]);
    }
}

void TstPageRender::nothingToPrint()
{
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("two.PRN"), pagedLines(2))));
    PageRange range{3, 9};
    RecordingPrintTarget t;
    const PrintOutcome out = printReport(pages, &range, t);
    QCOMPARE(out.status, PrintOutcome::NothingToPrint);
    QCOMPARE(out.message(), QStringLiteral("No Existe Información a Imprimir.Verifique."));
    QCOMPARE(t.pages, 0);
}

void TstPageRender::deviceFailure()
{
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("three.PRN"), pagedLines(3))));
    RecordingPrintTarget t;
    t.failFromPage = 1;
    const PrintOutcome out = printReport(pages, nullptr, t);
    QCOMPARE(out.status, PrintOutcome::DeviceFailed);
    QCOMPARE(out.pages, 1);
    QCOMPARE(out.message(), QStringLiteral("No existe una impresora seleccionada.Verifique."));
    QVERIFY(t.ended); // the job is ended all the same
}

void TstPageRender::cancelStopsAfterThePage_data()
{
    QTest::addColumn<QString>("orientation");
    QTest::addColumn<int>("first"); // 0: no range
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("cancelAfter"); // pages done when the callback answers false
    QTest::addColumn<QStringList>("printed");
    QTest::newRow("portrait, after page 1") << "V" << 0 << 0 << 1 << QStringList{"page 0"};
    QTest::newRow("landscape, after page 2")
        << "H" << 0 << 0 << 2 << QStringList{"page 0", "page 1"};
    QTest::newRow("landscape, after page 4 of 5")
        << "H" << 0 << 0 << 4 << QStringList{"page 0", "page 1", "page 2", "page 3"};
    QTest::newRow("range 2 to 4, after its first page") << "H" << 2 << 4 << 1 << QStringList{"page 1"};
}

void TstPageRender::cancelStopsAfterThePage()
{
    QFETCH(QString, orientation);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, cancelAfter);
    QFETCH(QStringList, printed);
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("c.PRN"), pagedLines(5, qPrintable(orientation)))));
    PageRange range{first, last};
    const int total = first ? last - first + 1 : 5;
    RecordingPrintTarget t;
    QList<int> heard;
    const PrintOutcome out = printReport(pages, first ? &range : nullptr, t, [&](int done, int all) {
        heard << done;
        if (all != total)
            heard << -all; // shows up in the comparison below
        // Each call comes after the page is complete on the target.
        if (t.pages != done)
            heard << -1000 - t.pages;
        return done < cancelAfter;
    });
    QList<int> expectedHeard;
    for (int k = 1; k <= cancelAfter; ++k)
        expectedHeard << k;
    QCOMPARE(heard, expectedHeard);
    QCOMPARE(out.status, PrintOutcome::Cancelled);
    QCOMPARE(out.message(), QStringLiteral("La Impresión ha sido Cancelada."));
    QCOMPARE(out.pages, cancelAfter);
    QCOMPARE(t.pages, cancelAfter);
    for (int p = 0; p < t.pages; ++p)
        QCOMPARE(textsOn(t, p), QStringList{printed[p]});
    // Aborted, not ended, and (landscape) back to portrait afterwards.
    QVERIFY(t.aborted);
    QVERIFY(!t.ended);
    QCOMPARE(t.orientation, PageOrientation::Portrait);
    const bool landscape = orientation == u"H";
    QCOMPARE(t.calls.last().kind, landscape ? Call::Orientation : Call::AbortJob);
    if (landscape)
        QCOMPARE(t.calls[t.calls.size() - 2].kind, Call::AbortJob);

    // A cancel heard after the last page comes too late: the job is complete and ended.
    RecordingPrintTarget tooLate;
    const PrintOutcome lastPage = printReport(pages, nullptr, tooLate, [](int d, int all) { return d != all; });
    QVERIFY(lastPage.ok());
    QCOMPARE(tooLate.pages, 5);
    QVERIFY(tooLate.ended);
    QVERIFY(!tooLate.aborted);
}

void TstPageRender::pdfOutput()
{
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("pdf.PRN"), pagedLines(4))));
    const struct {
        bool ranged;
        int first, last, pages;
    } cases[] = {{false, 0, 0, 4}, {true, 2, 3, 2}};
    for (const auto &c : cases) {
        const QString out = m_dir.filePath(QStringLiteral("out.pdf"));
        PageRange range{c.first, c.last};
        QString error;
        int written = 0;
        QVERIFY2(renderToPdf(pages, c.ranged ? &range : nullptr, out, &error, &written), qPrintable(error));
        QCOMPARE(written, c.pages);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray pdf = f.readAll();
        QVERIFY(pdf.startsWith("%PDF-"));
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
        QCOMPARE(int(QString::fromLatin1(pdf).count(page)), c.pages);
    }
}

void TstPageRender::pdfUnwritable()
{
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("one.PRN"), pagedLines(1))));
    QString error;
    const QString out = m_dir.filePath(QStringLiteral("no/such/folder/out.pdf"));
    QVERIFY(!renderToPdf(pages, nullptr, out, &error));
    QVERIFY2(error.startsWith(QStringLiteral("No se pudo crear el archivo ") + out), qPrintable(error));
    QVERIFY(!QFileInfo::exists(out));
}

void TstPageRender::pdfCancelledLeavesNoFile()
{
    ReportPages pages;
    QVERIFY(pages.open(write(QStringLiteral("four.PRN"), pagedLines(4))));
    const QString out = m_dir.filePath(QStringLiteral("cancelled.pdf"));
    QString error;
    int written = 0;
    bool cancelled = false;
    QVERIFY(!renderToPdf(pages, nullptr, out, &error, &written, [](int done, int) { return done < 2; },
                         &cancelled));
    QVERIFY(cancelled);
    QCOMPARE(written, 2);
    QVERIFY(!QFileInfo::exists(out));
    // A file of the same name written before stays as it was.
    QVERIFY(renderToPdf(pages, nullptr, out, &error));
    const qint64 size = QFileInfo(out).size();
    QVERIFY(!renderToPdf(pages, nullptr, out, &error, nullptr, [](int, int) { return false; }, &cancelled));
    QVERIFY(cancelled);
    QCOMPARE(QFileInfo(out).size(), size);
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TstPageRender t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_pagerender.moc"
