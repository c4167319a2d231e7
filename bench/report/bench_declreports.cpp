// Times the module's reports:
//  - the declaration report (DE0001) built from 100,000 stored records;
//  - the preview of a 10,000-page document: the first page on screen, then the last one,
//    and the memory the preview holds for 1,000 and for 10,000 pages;
//  - 1,000 pages rendered into a PDF file.
//     bench_declreports [RECORDS] [PAGES] [PDFPAGES]
// Runs without a screen (offscreen platform unless one is set).

#include "declmod/reports/frmpreview.h"
#include "declmod/reports/imprep.h"
#include "declmod/reports/pdfexport.h"
#include "declmod/reports/reportpages.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"

#include "common/db/database.h"
#include "common/param/referencerows.h"
#include "common/report/reportwriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

using namespace declmod;

namespace {

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// Resident memory of the process, in KiB.
qint64 residentKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

bool fillDatabase(qav::Database &db, int records)
{
    if (!db.execute(QStringLiteral("CREATE TABLE F7093DES (tip_doc_d INTEGER, doc_id_d TEXT, periodo TEXT,"
                                   " formulario TEXT, tip_com TEXT, num_ser TEXT, per_tri TEXT,"
                                   " tot_ven TEXT, tot_gra TEXT, cnumero TEXT)"))
        || !db.execute(QStringLiteral("CREATE TABLE PARAM (Numero TEXT, Argumento TEXT, Funcion TEXT,"
                                      " Correl_Param TEXT)")))
        return false;
    qav::Transaction tx(db);
    for (const auto &[arg, fun] : qav::referenceVoucherTypeRows())
        db.execute(QStringLiteral("INSERT INTO PARAM VALUES ('233', ?, ?, NULL)"), {arg, fun});
    const char *types[] = {"01", "03", "07", "12"};
    QSqlQuery q(db.handle());
    q.prepare(QStringLiteral("INSERT INTO F7093DES VALUES (6, '20100070970', '2023', '7093', ?, ?, ?, ?, ?, '000000')"));
    for (int i = 0; i < records; ++i) {
        q.addBindValue(QString::fromLatin1(types[i % 4]));
        q.addBindValue(QStringLiteral("S%1").arg(i / 12));
        q.addBindValue(QStringLiteral("%1").arg(1 + i % 12, 2, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("%1.%2").arg(i * 7 % 100000).arg(i % 100, 2, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("%1.25").arg(i * 5 % 100000));
        if (!q.exec())
            return false;
    }
    return tx.commit();
}

// A document of `pages` pages laid out like the declaration report.
bool writeDocument(const QString &path, int pages)
{
    qav::ReportWriter w;
    if (!w.open(path))
        return false;
    w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
    w.pLinea(QStringLiteral("<!nHojas!>%1<!/nHojas!>").arg(pages));
    w.pLinea(QStringLiteral("<!Orientacion!>V<!/Orientacion!>"));
    w.pLinea(QStringLiteral("<!Color!>&H00FFFFC0&<!/Color!>"));
    for (int p = 0; p < pages; ++p) {
        const qint16 page = qint16(p);
        if (p > 0)
            w.pTextoPos(0, 0, QStringLiteral("pNuevaHoja"), false, 8, page);
        w.pTextoPos(300, 350, QStringLiteral("ORTAX"), true, 16, page);
        w.pCuadroPos(150, 300, 1700, 1640, page);
        w.pTextoPos(9000, 400, QStringLiteral("Pag. %1/%2").arg(p + 1).arg(pages), false, 8, page);
        for (int r = 0; r < 40; ++r) {
            const qint16 y = qint16(3360 + r * 270);
            w.pTextoPos(250, y, QStringLiteral("FACTURA        "), false, 8, page);
            w.pTextoPos(2550, y, QStringLiteral("F001           "), false, 8, page);
            w.pTextoPos(4500, y, QStringLiteral("Setiembre           "), false, 8, page);
            w.pTextoPos(6900, y, QStringLiteral("       1,500.00"), false, 8, page);
            w.pTextoPos(9050, y, QStringLiteral("          1,271.19"), false, 8, page);
        }
    }
    return w.close();
}

struct PreviewFigures {
    double firstMs = 0, lastMs = 0;
    qint64 heldKiB = 0;
    int surfaces = 0;
};

// Opens the preview on `name`, shows its first page and then its last one, painting each.
PreviewFigures preview(const QString &name)
{
    PreviewFigures f;
    const qint64 before = residentKiB();
    QElapsedTimer t;
    t.start();
    auto *w = new frmPreview;
    w->setReportFileName(name);
    w->load();
    w->show();
    w->picPrevia()->grab();
    f.firstMs = ms(t);
    f.surfaces = w->PageCount();
    t.restart();
    w->showSurface(w->PageCount() - 1);
    w->picPrevia()->grab();
    f.lastMs = ms(t);
    f.heldKiB = residentKiB() - before;
    delete w;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int records = args.size() > 1 ? args[1].toInt() : 100000;
    const int pages = args.size() > 2 ? args[2].toInt() : 10000;
    const int pdfPages = args.size() > 3 ? args[3].toInt() : 1000;
    QTemporaryDir tmp;
    QTextStream out(stdout);
    int failures = 0;

    {
        qav::Database db(QStringLiteral("bench"));
        qav::OpenOptions o;
        o.file = tmp.filePath(QStringLiteral("bench.db"));
        QFile(o.file).open(QIODevice::WriteOnly);
        if (!db.open(o) || !fillDatabase(db, records)) {
            out << "cannot prepare the database: " << db.lastError().text << "\n";
            return 1;
        }
        const HostServices host;
        for (bool byMonth : {false, true}) {
            ReportInput in;
            in.TaxpayerId = QStringLiteral("20100070970");
            in.TaxpayerName = QStringLiteral("EMPRESA DE PRUEBA S.A.");
            in.Period = QStringLiteral("2023");
            in.byMonth = byMonth;
            qav::ReportWriter w;
            w.ReportPath = tmp.filePath(byMonth ? QStringLiteral("month.PRN") : QStringLiteral("series.PRN"));
            QElapsedTimer t;
            t.start();
            const ReportOutcome r = buildReport(db, host, in, w);
            const double took = ms(t);
            failures += r.ok ? 0 : 1;
            out << "DE0001 " << (byMonth ? "by month" : "by series") << ", " << r.records << " records: "
                << qRound(took) << " ms, " << r.declaredPages << " pages, "
                << QFileInfo(w.ReportPath).size() / (1024 * 1024) << " MiB"
                << (r.ok ? QString() : QStringLiteral(" (FAILED: ") + r.message() + u')') << " (target: under 1000 ms)\n";
        }
    }

    session().ReportDir = tmp.path();
    reportState().PageRangeActive = false;
    for (int n : {pages / 10, pages}) {
        const QString name = QStringLiteral("preview%1.PRN").arg(n);
        if (!writeDocument(tmp.filePath(name), n)) {
            out << "cannot write " << name << "\n";
            return 1;
        }
        const PreviewFigures f = preview(name);
        failures += f.surfaces == n ? 0 : 1;
        out << "preview of " << n << " pages (" << QFileInfo(tmp.filePath(name)).size() / (1024 * 1024)
            << " MiB): first page " << QString::number(f.firstMs, 'f', 1) << " ms, last page "
            << QString::number(f.lastMs, 'f', 1) << " ms, memory held " << f.heldKiB << " KiB"
            << " (target: under 200 ms each, memory flat)\n";
    }

    {
        const QString name = QStringLiteral("preview%1.PRN").arg(pages);
        ReportPages doc;
        doc.open(tmp.filePath(name));
        PageRange range{1, pdfPages};
        QElapsedTimer t;
        t.start();
        QString why;
        int written = 0;
        const bool ok = renderToPdf(doc, &range, tmp.filePath(QStringLiteral("out.pdf")), &why, &written);
        const double took = ms(t);
        failures += ok ? 0 : 1;
        out << "PDF of " << written << " pages: " << qRound(took) << " ms, "
            << QFileInfo(tmp.filePath(QStringLiteral("out.pdf"))).size() / 1024 << " KiB"
            << (ok ? QString() : QStringLiteral(" (FAILED: ") + why + u')') << " (target: under 5000 ms)\n";
    }
    return failures ? 1 : 0;
}
