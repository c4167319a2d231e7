// The report windows: the preview (surfaces, paging, scroll bars, pages drawn only when
// shown, printing from it, cancelling a print job from its progress window, PDF, a missing
// document), the page range dialog (keys, checks,
// the preview of the range) and the print selection (lists, row reading, preview and
// printing of the declaration report, the return to the chosen row).

#include "tests/reports/reportfixture.h"

#include "declmod/declaration/frmconsist.h"
#include "declmod/reports/frmimprimir.h"
#include "declmod/reports/frmimpxpag.h"
#include "declmod/reports/frmpreview.h"
#include "declmod/reports/muestrareporte.h"
#include "declmod/reports/printers.h"
#include "declmod/reports/printprogress.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/session.h"

#include "common/report/reportwriter.h"
#include "common/text/textfile.h"
#include "common/ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

using namespace declmod;
using namespace reporttest;
using Call = RecordingPrintTarget::Call;

namespace {

QStringList pagedLines(int pages, const char *orientation = "V")
{
    QStringList l = {QStringLiteral("<!font!>Courier New<!/font!>"),
                     QStringLiteral("<!nHojas!>%1<!/nHojas!>").arg(pages),
                     QStringLiteral("<!Orientacion!>%1<!/Orientacion!>").arg(QLatin1String(orientation)),
                     QStringLiteral("<!Color!>&H00FFFFC0&<!/Color!>")};
    for (int p = 0; p < pages; ++p) {
        l << QStringLiteral("pPos|300|350|page %1|True|16|%1|").arg(p);
        l << QStringLiteral("pNuevaHoja");
    }
    return l;
}

QString firstText(const QList<qav::ReportElement> &elements)
{
    return elements.isEmpty() ? QString() : elements.first().text;
}

// What a preview showed while it was open.
struct Seen {
    QString dialog;
    QString title;
    int pageCount = 0;
    QStringList surfaces; // the first text of each surface
    int pagesRead = 0;
};

} // namespace

class TstReportWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReportFixture> m_fx;
    std::shared_ptr<qav::ScriptedMessageService> m_messages;
    QList<RecordingPrintTarget *> m_printed; // owned by the code under test while printing
    QList<Call> m_lastJob;
    int m_jobs = 0;
    QList<Seen> m_seen;
    std::function<void(QDialog &)> m_inside; // run while a dialog is "open"
    int m_cancelAtPage = -1; // the operator chooses "Cancelar" while this page (1-based) prints
    QString m_progressSeen;  // the progress window's texts when "Cancelar" was chosen
    bool m_cancelByKey = false; // Escape instead of a click on "Cancelar"

    QString writeDocument(const QString &name, const QStringList &lines)
    {
        return qav::writeTextLines(m_fx->reportDir() + u'/' + name, lines) ? name : QString();
    }

    // Pages through a preview's surfaces and records what each one shows.
    static Seen look(frmPreview &p)
    {
        Seen s;
        s.dialog = p.objectName();
        s.title = p.windowTitle();
        s.pageCount = p.PageCount();
        p.pMostrar(0);
        for (int i = 0; i < p.PageCount(); ++i) {
            s.surfaces << firstText(p.picPrevia()->elements());
            p.pMostrar(-1);
        }
        s.pagesRead = p.pagesRead();
        return s;
    }

    // Clicks "Cancelar" in the open progress window.
    void chooseCancel()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<PrintProgressWindow *>(w);
            if (!window)
                continue;
            m_progressSeen = window->windowTitle() + u'|' + window->lblPagina()->text() + u'|'
                             + window->cmdCancelar()->text() + u'|' + window->cmdCancelar()->accessibleName();
            if (m_cancelByKey)
                QTest::keyClick(window, Qt::Key_Escape);
            else
                QTest::mouseClick(window->cmdCancelar(), Qt::LeftButton);
        }
    }

private slots:
    void init()
    {
        m_fx = std::make_unique<ReportFixture>();
        QString error;
        QVERIFY2(m_fx->create(&error), qPrintable(error));
        Session &s = session();
        s.ReportDir = m_fx->reportDir();
        s.SysUser = m_fx->box.sysUser;
        s.FormNumber = QStringLiteral("7093");
        s.HistoryList = s.SentMode = false;
        QVERIFY(s.Db.open(m_fx->box.openOptions()));
        reportState() = ReportState();
        m_messages = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_messages);
        m_jobs = 0;
        m_lastJob.clear();
        m_seen.clear();
        m_inside = nullptr;
        m_cancelAtPage = -1;
        m_cancelByKey = false;
        m_progressSeen.clear();
        setPrinterFactory([this]() -> std::unique_ptr<PrintTarget> {
            ++m_jobs;
            struct Recorder : RecordingPrintTarget {
                QList<Call> *sink;
                TstReportWindows *test;
                ~Recorder() override { *sink = calls; }
                bool startPage() override
                {
                    const bool ok = RecordingPrintTarget::startPage();
                    if (pages == test->m_cancelAtPage)
                        test->chooseCancel();
                    return ok;
                }
            };
            auto r = std::make_unique<Recorder>();
            r->sink = &m_lastJob;
            r->test = this;
            return r;
        });
        setDialogRunner([this](QDialog &d) {
            if (auto *p = qobject_cast<frmPreview *>(&d))
                m_seen << look(*p);
            if (m_inside)
                m_inside(d);
            return int(QDialog::Accepted);
        });
    }
    void cleanup()
    {
        setPrinterFactory(nullptr);
        setDialogRunner(nullptr);
        frmPreview::setPdfFileChooser(nullptr);
        setPaperSizeSource(nullptr);
        qav::setMessageService(nullptr);
        session().Db.close();
        m_fx.reset();
    }

    void previewSurfaces_data();
    void previewSurfaces();
    void pagingAndScrollBars();
    void pagesAreDrawnWhenShown();
    void printFromPreview();
    void printWithoutPrinter();
    void cancelPrinting_data();
    void cancelPrinting();
    void saveAsPdf();
    void onePaperForPreviewAndPdf_data();
    void onePaperForPreviewAndPdf();
    void missingDocument();
    void surfaceColour();

    void rangeDialogKeysAndChecks();
    void rangeDialogShowsTheRange();

    void printSelectionLists_data();
    void printSelectionLists();
    void previewOfOnePage();
    void previewOfTwoPagesAsksForRange();
    void printAfterRangePreviewPrintsAll();
    void emptyListDoesNothing();
    void accessKeysOfThePrintSelection();
    void consistencyWindowPrints();
};

void TstReportWindows::previewSurfaces_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("first"); // 0: no range
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("surfaces");
    QTest::newRow("one page") << 1 << 0 << 0 << QStringList{"page 0"};
    QTest::newRow("five pages") << 5 << 0 << 0 << QStringList{"page 0", "page 1", "page 2", "page 3", "page 4"};
    QTest::newRow("range 3-4 of 5") << 5 << 3 << 4 << QStringList{"page 2", "page 3"};
    QTest::newRow("range 1-2 of 5") << 5 << 1 << 2 << QStringList{"page 0", "page 1"};
    QTest::newRow("range 4-15 of 5") << 5 << 4 << 15 << QStringList{"page 3", "page 4"};
    QTest::newRow("landscape is previewed upright") << 2 << 0 << 0 << QStringList{"page 0", "page 1"};
}

void TstReportWindows::previewSurfaces()
{
    QFETCH(int, pages);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, surfaces);
    const bool landscape = QByteArray(QTest::currentDataTag()).startsWith("landscape");
    const QString name = writeDocument(QStringLiteral("00000001.PRN"), pagedLines(pages, landscape ? "H" : "V"));
    reportState().PageRangeActive = first > 0;
    reportState().PageFromTo = {first, last};
    MuestraReporte(name, QStringLiteral("Vprevia"));
    QCOMPARE(m_seen.size(), 1);
    QCOMPARE(m_seen[0].title, QStringLiteral("Presentación Preliminar"));
    QCOMPARE(m_seen[0].pageCount, int(surfaces.size()));
    QCOMPARE(m_seen[0].surfaces, surfaces);
    QCOMPARE(m_jobs, 0);
}

void TstReportWindows::pagingAndScrollBars()
{
    const QString name = writeDocument(QStringLiteral("00000002.PRN"), pagedLines(3));
    frmPreview p;
    p.setReportFileName(name);
    p.resize(500, 400);
    p.load();
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    QCOMPARE(p.PreviewMode, QStringLiteral("PresPrevia"));
    QCOMPARE(p.CurrentPage(), 0);
    p.button(2)->trigger(); // "Pag Anterior" on the first page: nothing
    QCOMPARE(p.CurrentPage(), 0);
    QVERIFY(p.vsbPic(0)->maximum() > 0);
    QVERIFY(p.HScroll1()->maximum() > 0);

    p.vsbPic(1)->setValue(120);
    QCOMPARE(p.vsbPic(0)->value(), 120);
    QCOMPARE(p.picPrevia()->y(), -120);
    p.HScroll1()->setValue(30);
    QCOMPARE(p.picPrevia()->x(), -30);

    p.button(3)->trigger(); // "Pag Sgt"
    QCOMPARE(p.CurrentPage(), 1);
    QCOMPARE(firstText(p.picPrevia()->elements()), QStringLiteral("page 1"));
    QCOMPARE(p.vsbPic(0)->value(), 0);
    QCOMPARE(p.vsbPic(1)->value(), 0);
    QCOMPARE(p.picPrevia()->y(), 0);
    QCOMPARE(p.HScroll1()->value(), 30); // the horizontal bar keeps its value
    QCOMPARE(p.picPrevia()->x(), -30);

    QTest::keyClick(&p, Qt::Key_PageDown);
    QCOMPARE(p.CurrentPage(), 2);
    p.button(3)->trigger(); // beyond the last: nothing
    QCOMPARE(p.CurrentPage(), 2);
    QTest::keyClick(&p, Qt::Key_PageUp);
    QCOMPARE(p.CurrentPage(), 1);
    QTest::keyClick(&p, Qt::Key_Down);
    QVERIFY(p.vsbPic(1)->value() > 0);

    for (int i = 2; i <= 6; ++i)
        QVERIFY(!p.button(i)->text().isEmpty());
    QCOMPARE(p.button(5)->text(), QStringLiteral("Salir"));
    p.button(5)->trigger();
    QVERIFY(!p.isVisible());
}

void TstReportWindows::pagesAreDrawnWhenShown()
{
    // A document of 10,000 pages opens with one page read; each page shown reads one more.
    QStringList lines = pagedLines(10000);
    const QString name = writeDocument(QStringLiteral("00000003.PRN"), lines);
    frmPreview p;
    p.setReportFileName(name);
    p.load();
    QCOMPARE(p.PageCount(), 10000);
    QCOMPARE(p.pagesRead(), 1);
    QCOMPARE(firstText(p.picPrevia()->elements()), QStringLiteral("page 0"));
    p.pMostrar(-1);
    QCOMPARE(p.pagesRead(), 2);
    p.showSurface(9999);
    QCOMPARE(firstText(p.picPrevia()->elements()), QStringLiteral("page 9999"));
    QCOMPARE(p.picPrevia()->elements().size(), 1);
    QCOMPARE(p.pagesRead(), 3);
}

void TstReportWindows::printFromPreview()
{
    const QString name = writeDocument(QStringLiteral("00000004.PRN"), pagedLines(5, "H"));
    for (bool ranged : {false, true}) {
        reportState().PageRangeActive = ranged;
        reportState().PageFromTo = {3, 4};
        frmPreview p;
        p.setReportFileName(name);
        p.load();
        p.pMostrar(-1);
        p.button(4)->trigger(); // "Imprimir"
        QCOMPARE(p.PreviewMode, QStringLiteral("PresPrevia"));
        QStringList printed;
        for (const Call &c : std::as_const(m_lastJob))
            if (c.kind == Call::Text)
                printed << c.text;
        const QStringList expected = ranged ? QStringList{"page 2", "page 3"}
                                            : QStringList{"page 0", "page 1", "page 2", "page 3", "page 4"};
        QCOMPARE(printed, expected);
        QVERIFY(!m_lastJob.isEmpty());
        QCOMPARE(m_lastJob.first().orientation, PageOrientation::Landscape);
        QCOMPARE(m_lastJob.last().orientation, PageOrientation::Portrait);
        // The page on view and the surfaces stay as they were.
        QCOMPARE(p.CurrentPage(), 1);
        QCOMPARE(p.PageCount(), ranged ? 2 : 5);
        p.pMostrar(-1);
        QCOMPARE(p.CurrentPage(), ranged ? 1 : 2);
        p.pMostrar(-2);
        QCOMPARE(p.CurrentPage(), ranged ? 0 : 1);
    }
    QVERIFY(m_messages->shown.isEmpty());

    // Printing straight from MuestraReporte ("xx"): no window, the whole document.
    reportState().PageRangeActive = false;
    m_lastJob.clear();
    MuestraReporte(name, QStringLiteral("xx"));
    QVERIFY(m_seen.isEmpty());
    int pages = 0;
    for (const Call &c : std::as_const(m_lastJob))
        pages += c.kind == Call::StartPage;
    QCOMPARE(pages, 5);
}

void TstReportWindows::printWithoutPrinter()
{
    setPrinterFactory([] { return std::unique_ptr<PrintTarget>(); });
    const QString name = writeDocument(QStringLiteral("00000005.PRN"), pagedLines(1));
    MuestraReporte(name, QStringLiteral("xx"));
    QCOMPARE(m_messages->shown.size(), 1);
    QCOMPARE(m_messages->shown[0].text, QStringLiteral("No existe una impresora seleccionada.Verifique."));
    QCOMPARE(m_messages->shown[0].title, QStringLiteral("Impresión"));
    QCOMPARE(m_messages->shown[0].icon(), int(qav::MbCritical));
}

void TstReportWindows::cancelPrinting_data()
{
    QTest::addColumn<bool>("fromPreview"); // the preview's "Imprimir", else MuestraReporte "xx"
    QTest::addColumn<bool>("ranged");      // the range 2 to 5 of the 6 pages
    QTest::addColumn<int>("cancelAt");     // page of the job (1-based) printing when cancelled
    QTest::addColumn<bool>("byKey");       // Escape instead of a click
    QTest::newRow("preview, page 1") << true << false << 1 << false;
    QTest::newRow("preview, page 3") << true << false << 3 << false;
    QTest::newRow("preview, page 3, Escape") << true << false << 3 << true;
    QTest::newRow("preview, range, page 2") << true << true << 2 << false;
    QTest::newRow("direct, page 1") << false << false << 1 << false;
    QTest::newRow("direct, page 5 of 6") << false << false << 5 << false;
    QTest::newRow("direct, page 2, Escape") << false << false << 2 << true;
}

void TstReportWindows::cancelPrinting()
{
    QFETCH(bool, fromPreview);
    QFETCH(bool, ranged);
    QFETCH(int, cancelAt);
    QFETCH(bool, byKey);
    m_cancelByKey = byKey;
    const QString name = writeDocument(QStringLiteral("00000009.PRN"), pagedLines(6, "H"));
    reportState().PageRangeActive = ranged;
    reportState().PageFromTo = {2, 5};
    m_cancelAtPage = cancelAt;
    frmPreview p;
    if (fromPreview) {
        p.setReportFileName(name);
        p.load();
        p.button(4)->trigger(); // "Imprimir"
    } else {
        MuestraReporte(name, QStringLiteral("xx"));
    }
    // Exactly the pages up to the one printing when "Cancelar" was chosen.
    QStringList printed;
    int pages = 0;
    bool aborted = false, ended = false;
    for (const Call &c : std::as_const(m_lastJob)) {
        pages += c.kind == Call::StartPage;
        aborted = aborted || c.kind == Call::AbortJob;
        ended = ended || c.kind == Call::EndJob;
        if (c.kind == Call::Text)
            printed << c.text;
    }
    QCOMPARE(pages, cancelAt);
    QStringList expected;
    for (int k = 0; k < cancelAt; ++k)
        expected << QStringLiteral("page %1").arg(k + (ranged ? 1 : 0));
    QCOMPARE(printed, expected);
    QVERIFY(aborted);
    QVERIFY(!ended);
    QVERIFY(!m_lastJob.isEmpty());
    QCOMPARE(m_lastJob.first().orientation, PageOrientation::Landscape);
    QCOMPARE(m_lastJob.last().kind, Call::Orientation);
    QCOMPARE(m_lastJob.last().orientation, PageOrientation::Portrait);
    // What the operator saw: the window over the job, then one message.
    const int total = ranged ? 4 : 6;
    QCOMPARE(m_progressSeen, QStringLiteral("Impresión|Imprimiendo la página %1 de %2|&Cancelar|"
                                            "Cancelar la impresión")
                                 .arg(cancelAt).arg(total));
    QCOMPARE(m_messages->shown.size(), 1);
    QCOMPARE(m_messages->shown[0].text, QStringLiteral("La Impresión ha sido Cancelada."));
    QCOMPARE(m_messages->shown[0].title, QStringLiteral("Impresión"));
    QCOMPARE(m_messages->shown[0].icon(), int(qav::MbCritical));
    if (fromPreview) {
        // The preview stays open on its page; printing again prints the whole job.
        QVERIFY(!p.closedOnError());
        m_cancelAtPage = -1;
        p.button(4)->trigger();
        pages = 0;
        for (const Call &c : std::as_const(m_lastJob))
            pages += c.kind == Call::StartPage;
        QCOMPARE(pages, total);
        QCOMPARE(m_messages->shown.size(), 1);
    }
}

void TstReportWindows::saveAsPdf()
{
    const QString name = writeDocument(QStringLiteral("00000006.PRN"), pagedLines(3));
    const QString pdf = m_fx->box.root + QStringLiteral("/copia");
    frmPreview::setPdfFileChooser([&](QWidget *) { return pdf; });
    frmPreview p;
    p.setReportFileName(name);
    p.load();
    p.button(6)->trigger(); // "Guardar PDF"
    const QByteArray bytes = readBytes(pdf + QStringLiteral(".pdf"));
    QVERIFY(bytes.startsWith("%PDF-"));
    QCOMPARE(int(bytes.count("/Type /Page\n") + bytes.count("/Type /Page ") + bytes.count("/Type /Page>")
                 + bytes.count("/Type/Page\n")),
             3);
    QVERIFY(m_messages->shown.isEmpty());

    frmPreview::setPdfFileChooser([&](QWidget *) { return m_fx->box.root + QStringLiteral("/no/folder/x.pdf"); });
    p.button(6)->trigger();
    QCOMPARE(m_messages->shown.size(), 1);
    QVERIFY(m_messages->shown[0].text.startsWith(QStringLiteral("No se pudo crear el archivo")));
    QCOMPARE(m_messages->shown[0].title, QStringLiteral("Guardar PDF"));
}

// The preview's page and the PDF written from it are the paper the report prints on: the
// default printer's, A4 without a printer.
void TstReportWindows::onePaperForPreviewAndPdf_data()
{
    QTest::addColumn<int>("paper"); // QPageSize::PageSizeId; -1: the system's own answer
    QTest::newRow("the system's") << -1;
    QTest::newRow("A4") << int(QPageSize::A4);
    QTest::newRow("Letter") << int(QPageSize::Letter);
    QTest::newRow("Legal") << int(QPageSize::Legal);
}

void TstReportWindows::onePaperForPreviewAndPdf()
{
    QFETCH(int, paper);
    if (paper >= 0)
        setPaperSizeSource([paper] { return QPageSize(QPageSize::PageSizeId(paper)); });
    else
        setPaperSizeSource(nullptr);
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    const QPageSize expected = paper >= 0 ? QPageSize(QPageSize::PageSizeId(paper))
        : !printer.isNull() && printer.defaultPageSize().isValid() ? printer.defaultPageSize()
                                                                   : QPageSize(QPageSize::A4);
    QVERIFY(reportPaperSize().isEquivalentTo(expected));

    const QString name = writeDocument(QStringLiteral("00000007.PRN"), pagedLines(1));
    const QString pdf = m_fx->box.root + QStringLiteral("/papel");
    frmPreview::setPdfFileChooser([&](QWidget *) { return pdf; });
    frmPreview p;
    p.setReportFileName(name);
    p.load();
    const QSizeF inches = expected.size(QPageSize::Inch);
    QWidget *surface = p.picPrevia();
    QCOMPARE(surface->width(), qRound(inches.width() * surface->logicalDpiX()));
    QCOMPARE(surface->height(), qRound(inches.height() * surface->logicalDpiY()));

    p.button(6)->trigger(); // "Guardar PDF"
    const QByteArray bytes = readBytes(pdf + QStringLiteral(".pdf"));
    const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(bytes));
    QVERIFY2(m.hasMatch(), bytes.left(400).constData());
    const QSizeF points = expected.size(QPageSize::Point);
    QVERIFY2(qAbs(m.captured(1).toDouble() - points.width()) < 1, qPrintable(m.captured(0)));
    QVERIFY2(qAbs(m.captured(2).toDouble() - points.height()) < 1, qPrintable(m.captured(0)));
}

void TstReportWindows::missingDocument()
{
    MuestraReporte(QStringLiteral("99999999.PRN"), QStringLiteral("Vprevia"));
    QCOMPARE(m_messages->shown.size(), 1);
    QCOMPARE(m_messages->shown[0].text, QStringLiteral("Archivo Físico del Reporte no Existe"));
    QCOMPARE(m_messages->shown[0].title, QStringLiteral("Error al Imprimir"));
    QCOMPARE(m_messages->shown[0].icon(), int(qav::MbCritical));
    // The window opens empty.
    QCOMPARE(m_seen.size(), 1);
    QCOMPARE(m_seen[0].pageCount, 0);
    QCOMPARE(m_seen[0].pagesRead, 0);
}

void TstReportWindows::surfaceColour()
{
    QCOMPARE(reportColor(QStringLiteral("&H00FFFFC0&")), QColor(0xC0, 0xFF, 0xFF));
    QCOMPARE(reportColor(QStringLiteral("&H000000FF&")), QColor(0xFF, 0, 0));
    QCOMPARE(reportColor(QStringLiteral("&H80000005&")), QApplication::palette().color(QPalette::Base));
    QVERIFY(!reportColor(QStringLiteral("blue")).isValid());
    const QString name = writeDocument(QStringLiteral("00000007.PRN"), pagedLines(1));
    frmPreview p;
    p.setReportFileName(name);
    p.load();
    QCOMPARE(p.picPrevia()->background(), QColor(0xC0, 0xFF, 0xFF));
    QCOMPARE(p.picPrevia()->grab().toImage().pixelColor(2, 2), QColor(0xC0, 0xFF, 0xFF));
}

void TstReportWindows::rangeDialogKeysAndChecks()
{
    frmImpxPag d;
    d.setWindowTitle(QStringLiteral("Impresión de 2 páginas"));
    d.setTotalPages(2);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(d.txtTotPaginas()->text(), QStringLiteral("2"));
    QCOMPARE(d.txtPagDesde()->text(), QStringLiteral("1"));
    QCOMPARE(d.txtPagHasta()->text(), QStringLiteral("2"));

    d.txtPagDesde()->clear();
    d.txtPagDesde()->setFocus();
    QTest::keyClicks(d.txtPagDesde(), QStringLiteral("a3-x. 9"));
    QCOMPARE(d.txtPagDesde()->text(), QStringLiteral("3. 9"));
    QTest::keyClick(d.txtPagDesde(), Qt::Key_Backspace);
    QCOMPARE(d.txtPagDesde()->text(), QStringLiteral("3. "));
    QTest::keyClick(d.txtPagDesde(), Qt::Key_Return);
    QVERIFY(d.txtPagHasta()->hasFocus());

    // First page 3 of 2 pages: refused, under the dialog's caption, focus back on the field.
    d.cmdAccion(0)->click();
    QCOMPARE(m_messages->shown.size(), 1);
    QCOMPARE(m_messages->shown[0].text, QStringLiteral("Página inicial no debe ser mayor a total de páginas del reporte"));
    QCOMPARE(m_messages->shown[0].title, QStringLiteral("Impresión de 2 páginas"));
    QCOMPARE(m_messages->shown[0].icon(), int(qav::MbCritical));
    QVERIFY(d.txtPagDesde()->hasFocus());
    QVERIFY(m_seen.isEmpty());

    d.txtPagDesde()->setText(QStringLiteral("2"));
    d.txtPagHasta()->setText(QStringLiteral("1"));
    d.cmdAccion(0)->click();
    QCOMPARE(m_messages->shown.last().text, QStringLiteral("Página de Inicio debe ser mayor a página de Fin"));
    QVERIFY(d.txtPagHasta()->hasFocus());
    QVERIFY(d.isVisible());
    d.cmdAccion(1)->click();
    QVERIFY(!d.isVisible());
}

void TstReportWindows::rangeDialogShowsTheRange()
{
    const QString name = writeDocument(QStringLiteral("00000008.PRN"), pagedLines(5));
    reportState().PageRangeActive = true;
    frmImpxPag d;
    d.setWindowTitle(QStringLiteral("Impresión de 5 páginas"));
    d.setTotalPages(5);
    d.setReportFileName(name);
    d.txtPagDesde()->setText(QStringLiteral("3"));
    d.txtPagHasta()->setText(QStringLiteral("4"));
    QVERIFY(d.preliminar());
    d.txtPagDesde()->setText(QStringLiteral("5"));
    d.txtPagHasta()->setText(QStringLiteral("5"));
    QVERIFY(d.preliminar()); // the dialog stays for another range
    QCOMPARE(m_seen.size(), 2);
    QCOMPARE(m_seen[0].surfaces, (QStringList{"page 2", "page 3"}));
    QCOMPARE(m_seen[1].surfaces, QStringList{"page 4"});
    QCOMPARE(reportState().PageFromTo.first, 5);
    // A last page far beyond the document (beyond an int too) shows up to its end.
    d.txtPagDesde()->setText(QStringLiteral("3"));
    d.txtPagHasta()->setText(QStringLiteral("3000000000"));
    QVERIFY(d.preliminar());
    QCOMPARE(m_seen.size(), 3);
    QCOMPARE(m_seen[2].surfaces, (QStringList{"page 2", "page 3", "page 4"}));
    QCOMPARE(reportState().PageFromTo.first, 3);
    QCOMPARE(reportState().PageFromTo.last, 5);
    QVERIFY(m_messages->shown.isEmpty());
}

void TstReportWindows::printSelectionLists_data()
{
    QTest::addColumn<bool>("history");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("rucPeriods"); // the listed rows
    QTest::addColumn<QList<int>>("shown");       // the visible columns
    QTest::newRow("pending") << false << "Imprimir " << QStringList{"20100070970 2023", "20100070970 2022"}
                             << QList<int>{0, 1, 3, 4, 10, 11};
    QTest::newRow("sent") << true << "Imprimir Formularios enviados" << QStringList{"20100070970 2021"}
                          << QList<int>{0, 1, 3, 4, 5, 6, 7, 8, 10, 11};
}

void TstReportWindows::printSelectionLists()
{
    QFETCH(bool, history);
    QFETCH(QString, caption);
    QFETCH(QStringList, rucPeriods);
    QFETCH(QList<int>, shown);
    QVERIFY(m_fx->addPending(kRuc, QStringLiteral("2022")));
    QVERIFY(m_fx->addPending(kRuc, QStringLiteral("2023")));
    QVERIFY(m_fx->addSent(kRuc, QStringLiteral("2021"), QStringLiteral("001"), QStringLiteral("123"), QStringLiteral("4001")));
    QVERIFY(m_fx->addSent(kRuc, QStringLiteral("2020"), QStringLiteral("001"), QString(), QString(), 0)); // not accepted
    // A taxpayer of another user is not listed.
    QVERIFY(session().Db.execute(QStringLiteral("UPDATE CONT SET Usuario='OTRO' WHERE Doc_id_d=?"), {kOtherRuc}));
    QVERIFY(m_fx->addPending(kOtherRuc, QStringLiteral("2023")));
    QVERIFY(m_fx->addSent(kOtherRuc, QStringLiteral("2023"), QStringLiteral("001"), QString(), QString()));

    session().HistoryList = history;
    frmImprimir w;
    w.load();
    QCOMPARE(w.windowTitle(), caption);
    QCOMPARE(w.Frame2()->title(), history ? QStringLiteral("Declaraciones Enviadas")
                                          : QStringLiteral("Declaraciones registradas"));
    QStringList listed;
    for (const DeclarationRow &r : w.rows())
        listed << r.DOC_ID_D + u' ' + r.Periodo;
    QCOMPARE(listed, rucPeriods);
    auto *model = w.grdContrib()->model();
    QCOMPARE(model->columnCount(), 12);
    QList<int> visible;
    for (int c = 0; c < 12; ++c) {
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), frmImprimir::columnCaptions()[c]);
        if (!w.grdContrib()->isColumnHidden(c))
            visible << c;
    }
    QCOMPARE(visible, shown);
    QCOMPARE(model->data(model->index(0, 3)).toString(), rucPeriods[0].right(4)); // Ejercicio
    if (history) {
        QCOMPARE(model->data(model->index(0, 5)).toString(), QStringLiteral("123"));
        QCOMPARE(model->data(model->index(0, 6)).toString(), QStringLiteral("28/03/2023"));
        QCOMPARE(model->data(model->index(0, 7)).toString(), QStringLiteral("4001"));
        QCOMPARE(model->data(model->index(0, 8)).toString(), QStringLiteral("001"));
    }
    // Moving in the grid reads the row into the session.
    w.grdContrib()->setCurrentIndex(model->index(int(rucPeriods.size()) - 1, 0));
    QCOMPARE(session().TaxpayerId, kRuc);
    QCOMPARE(session().Period, rucPeriods.last().right(4));
    QCOMPARE(session().TaxpayerName, kName);
    QCOMPARE(session().Semana, 0);
}

void TstReportWindows::previewOfOnePage()
{
    QVERIFY(m_fx->addPending(kRuc, QStringLiteral("2023")));
    QVERIFY(m_fx->addRecords(fixture(QStringLiteral("de0001/records-40.txt")), kRuc, QStringLiteral("2023")));
    QVERIFY(m_fx->addPending(kRuc, QStringLiteral("2022")));
    frmImprimir w;
    w.load();
    w.optReporte(1)->setChecked(true); // "Por serie": 40 rows, one page
    w.grdContrib()->setCurrentIndex(w.grdContrib()->model()->index(0, 0));
    w.CmdImprimir(0)->click();
    QVERIFY(m_messages->shown.isEmpty());
    QCOMPARE(m_seen.size(), 1);
    QCOMPARE(m_seen[0].dialog, QStringLiteral("frmPreview"));
    QCOMPARE(m_seen[0].pageCount, 1);
    QVERIFY(!reportState().PageRangeActive);
    QCOMPARE(session().ReportDir, m_fx->reportDir());
    QCOMPARE(readBytes(qav::reportWriter().ReportPath), readBytes(fixture(QStringLiteral("de0001/series-40.PRN"))));
    QCOMPARE(session().Db.scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE CodRep='DE0001'")).toInt(), 1);
    QCOMPARE(w.grdContrib()->currentIndex().row(), 0);

    // Enter in the grid previews again, with a new spool row; the grid stays on its row.
    w.grdContrib()->setCurrentIndex(w.grdContrib()->model()->index(1, 0));
    QTest::keyClick(w.grdContrib(), Qt::Key_Return);
    QCOMPARE(m_seen.size(), 2);
    QCOMPARE(session().Db.scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE CodRep='DE0001'")).toInt(), 2);
    QCOMPARE(w.grdContrib()->currentIndex().row(), 1);
}

void TstReportWindows::previewOfTwoPagesAsksForRange()
{
    QVERIFY(m_fx->addPending(kRuc, QStringLiteral("2023")));
    QVERIFY(m_fx->addRecords(fixture(QStringLiteral("de0001/records-41.txt")), kRuc, QStringLiteral("2023")));
    frmImprimir w;
    w.load();
    w.optReporte(1)->setChecked(true);
    QString caption, total, last;
    m_inside = [&](QDialog &d) {
        if (auto *range = qobject_cast<frmImpxPag *>(&d)) {
            caption = range->windowTitle();
            total = range->txtTotPaginas()->text();
            last = range->txtPagHasta()->text();
            range->txtPagDesde()->setText(QStringLiteral("2"));
            range->preliminar();
        }
    };
    w.CmdImprimir(0)->click();
    QCOMPARE(caption, QStringLiteral("Impresión de 2 páginas"));
    QCOMPARE(total, QStringLiteral("2"));
    QCOMPARE(last, QStringLiteral("2"));
    QVERIFY(reportState().PageRangeActive);
    QCOMPARE(m_seen.size(), 1);
    QCOMPARE(m_seen[0].pageCount, 1);
    QCOMPARE(m_seen[0].surfaces, QStringList{"ORTAX"});
}

void TstReportWindows::printAfterRangePreviewPrintsAll()
{
    QVERIFY(m_fx->addPending(kRuc, QStringLiteral("2023")));
    QVERIFY(m_fx->addRecords(fixture(QStringLiteral("de0001/records-81.txt")), kRuc, QStringLiteral("2023")));
    frmImprimir w;
    w.load();
    m_inside = [&](QDialog &d) {
        if (auto *range = qobject_cast<frmImpxPag *>(&d)) {
            range->txtPagDesde()->setText(QStringLiteral("2"));
            range->txtPagHasta()->setText(QStringLiteral("2"));
            range->preliminar();
        }
    };
    w.CmdImprimir(0)->click();
    QCOMPARE(m_seen.size(), 1);
    QCOMPARE(m_jobs, 0);
    w.CmdImprimir(1)->click(); // "&Imprimir": the whole report, no preview, no range
    QCOMPARE(m_seen.size(), 1);
    QCOMPARE(m_jobs, 1);
    QVERIFY(!reportState().PageRangeActive);
    int pages = 0;
    for (const Call &c : std::as_const(m_lastJob))
        pages += c.kind == Call::StartPage;
    const qav::ReportDocument doc = qav::parseReportDocument(qav::decodeCp1252(readBytes(qav::reportWriter().ReportPath)));
    QCOMPARE(pages, doc.pageCount());
    QCOMPARE(pages, int(doc.declaredPages.value_or(0)));
    QVERIFY(pages >= 3);
    QVERIFY(m_messages->shown.isEmpty());
}

void TstReportWindows::emptyListDoesNothing()
{
    frmImprimir w;
    w.load();
    QVERIFY(w.rows().isEmpty());
    w.CmdImprimir(0)->click();
    w.CmdImprimir(1)->click();
    QVERIFY(m_seen.isEmpty());
    QCOMPARE(m_jobs, 0);
    QCOMPARE(session().Db.scalar(QStringLiteral("SELECT count(*) FROM SPOOL")).toInt(), 0);
    QVERIFY(m_messages->shown.isEmpty());
}

// The order options carry no access key, so each of the window's access keys reaches one
// button: Alt+S closes the window with "&Salir", Alt+P previews.
void TstReportWindows::accessKeysOfThePrintSelection()
{
    QVERIFY(m_fx->addPending(kRuc, QStringLiteral("2023")));
    frmImprimir w;
    w.load();
    QCOMPARE(w.optReporte(0)->text(), QStringLiteral("Por mes"));
    QCOMPARE(w.optReporte(1)->text(), QStringLiteral("Por serie"));
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(m_seen.size(), 1);
    QVERIFY(w.isVisible());
    QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(w.optReporte(0)->isChecked());
    QVERIFY(m_messages->shown.isEmpty());
}

void TstReportWindows::consistencyWindowPrints()
{
    const QString file = m_fx->box.sysPath + QStringLiteral("Mens.txt");
    QVERIFY(qav::writeTextLines(file, {QStringLiteral("Primera"), QStringLiteral("Segunda")}));
    installConsistencyPrinter();
    {
        FrmConsist w(file);
        auto *print = w.findChild<QPushButton *>(QStringLiteral("cmdImprimir"));
        QVERIFY(print && print->isEnabled());
        print->click();
        QStringList printed;
        for (const Call &c : std::as_const(m_lastJob))
            if (c.kind == Call::Text && c.y >= 1000)
                printed << c.text;
        QCOMPARE(printed, (QStringList{" 1. Primera", " 2. Segunda", " Inconsistencias Detectadas :  2"}));
        QVERIFY(m_messages->shown.isEmpty());

        // A list of three pages cancelled while its second page prints.
        QStringList many;
        for (int i = 0; i < 100; ++i)
            many << QStringLiteral("Mensaje %1").arg(i + 1);
        QVERIFY(qav::writeTextLines(file, many));
        m_cancelAtPage = 2;
        print->click();
        int pages = 0;
        bool aborted = false;
        for (const Call &c : std::as_const(m_lastJob)) {
            pages += c.kind == Call::StartPage;
            aborted = aborted || c.kind == Call::AbortJob;
        }
        QCOMPARE(pages, 2);
        QVERIFY(aborted);
        QCOMPARE(m_progressSeen, QStringLiteral("Impresión|Imprimiendo la página 2 de 3|&Cancelar|"
                                                "Cancelar la impresión"));
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(m_messages->shown[0].text, QStringLiteral("La Impresión ha sido Cancelada."));
        m_messages->shown.clear();
        m_cancelAtPage = -1;

        setPrinterFactory([] { return std::unique_ptr<PrintTarget>(); });
        print->click();
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(m_messages->shown[0].text, QStringLiteral("No existe una impresora seleccionada.Verifique."));
        QCOMPARE(m_messages->shown[0].title, QStringLiteral("Impresión"));
        QVERIFY(w.findChild<QPushButton *>(QStringLiteral("cmdImprimir")));
    }
    FrmConsist::setPrinter(nullptr);
}

QTEST_MAIN(TstReportWindows)
#include "tst_reportwindows.moc"
