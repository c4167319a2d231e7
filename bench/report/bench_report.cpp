// Times writing and reading back report documents of 10,000 pages:
//  - a positioned report laid out like the declaration report (boxes, a page header and
//    40 rows per page, written with pTextoPos / pCuadroPos);
//  - a flowing report of 85 lines per page written with pLinea.
// For each: the time to write it, to read its page count, and to parse it whole.
//     bench_report [PAGES] [FOLDER]

#include "common/report/reportreader.h"
#include "common/report/reportwriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

using namespace qav;

namespace {

void writePositioned(ReportWriter &w, int pages)
{
    w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
    w.pLinea(QStringLiteral("<!nHojas!>%1<!/nHojas!>").arg(pages));
    w.pLinea(QStringLiteral("<!Orientacion!>V<!/Orientacion!>"));
    w.pLinea(QStringLiteral("<!Color!>&H00FFFFC0&<!/Color!>"));
    for (int p = 0; p < pages; ++p) {
        const qint16 page = qint16(p);
        if (p > 0)
            w.pTextoPos(0, 0, QStringLiteral("pNuevaHoja"), false, 8, page);
        w.pTextoPos(300, 350, QStringLiteral("ORTAX"), true, 16, page);
        w.pTextoPos(300, 750, QStringLiteral("DECLARACION"), false, 8, page);
        w.pTextoPos(550, 1330, QStringLiteral("7093"), true, 12, page);
        w.pCuadroPos(150, 300, 1700, 1640, page);
        w.pCuadroPos(8500, 300, 11000, 650, page);
        w.pTextoPos(2100, 400, QStringLiteral("                  DETALLE DE OPERACIONES   "), true, 9, page);
        w.pTextoPos(9000, 400, QStringLiteral("Pag. %1/%2").arg(p + 1).arg(pages), false, 8, page);
        w.pTextoPos(3850, 1170, QStringLiteral("20100070970"), true, 8, page);
        w.pCuadroPos(150, 2490, 11000, 2760, page);
        w.pCuadroPos(150, 2760, 11000, 3300, page);
        for (int r = 0; r < 40; ++r) {
            const qint16 y = qint16(3360 + r * 270);
            w.pTextoPos(250, y, QStringLiteral("FACTURA        "), false, 8, page);
            w.pTextoPos(2550, y, QStringLiteral("F001           "), false, 8, page);
            w.pTextoPos(4500, y, QStringLiteral("Setiembre           "), false, 8, page);
            w.pTextoPos(6900, y, QStringLiteral("       1,500.00"), false, 8, page);
            w.pTextoPos(9050, y, QStringLiteral("          1,271.19"), false, 8, page);
        }
    }
}

void writeFlowing(ReportWriter &w, int pages)
{
    w.ReportWidth = 82;
    for (int p = 0; p < pages; ++p) {
        w.RowPos = 0;
        w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
        w.pLinea(QStringLiteral("<!nHojas!>%1<!/nHojas!>").arg(pages));
        w.LineCount = 1;
        for (int l = 1; l < 85; ++l)
            w.pLinea(QStringLiteral("                      01   F001             03      La serie del comprobante no es válida"));
    }
}

struct Figures {
    double writeMs = 0, countMs = 0, parseMs = 0;
    qint64 bytes = 0;
    int pagesRead = 0;
    qsizetype elements = 0;
    int skipped = 0;
    qint16 declared = 0;
    bool ok = false;
};

Figures run(const QString &path, int pages, void (*body)(ReportWriter &, int))
{
    Figures f;
    ReportWriter w;
    QElapsedTimer t;
    t.start();
    if (!w.open(path))
        return f;
    body(w, pages);
    f.ok = w.close();
    f.writeMs = t.nsecsElapsed() / 1e6;
    t.restart();
    f.declared = LeeNumHojas(path);
    f.countMs = t.nsecsElapsed() / 1e6;
    t.restart();
    ReportDocument doc;
    f.ok = f.ok && readReportDocument(path, &doc);
    f.parseMs = t.nsecsElapsed() / 1e6;
    f.pagesRead = doc.pageCount();
    f.elements = doc.elements.size();
    f.skipped = doc.skippedLines;
    f.ok = f.ok && f.declared == pages && f.pagesRead == pages && f.skipped == 0;
    f.bytes = QFileInfo(path).size();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int pages = args.size() > 1 ? args[1].toInt() : 10000;
    QTemporaryDir tmp;
    const QString folder = args.size() > 2 ? args[2] : tmp.path();
    QTextStream out(stdout);
    struct Case { const char *name; void (*body)(ReportWriter &, int); } cases[] = {
        {"positioned (declaration layout)", writePositioned},
        {"flowing (85 lines a page)", writeFlowing},
    };
    int i = 0;
    int failures = 0;
    for (const Case &c : cases) {
        const Figures f = run(folder + QStringLiteral("/bench%1.PRN").arg(++i), pages, c.body);
        failures += f.ok ? 0 : 1;
        out << c.name << ": " << pages << " pages, " << f.bytes / (1024 * 1024) << " MiB"
            << (f.ok ? "" : " (FAILED)") << "\n"
            << "  write " << qRound(f.writeMs) << " ms, page count (declared "
            << f.declared << ") " << QString::number(f.countMs, 'f', 2) << " ms,"
            << " write + count " << qRound(f.writeMs + f.countMs) << " ms\n"
            << "  full parse " << qRound(f.parseMs) << " ms (" << f.pagesRead << " pages, "
            << f.elements << " elements, " << f.skipped << " lines skipped)\n";
    }
    return failures ? 1 : 0;
}
