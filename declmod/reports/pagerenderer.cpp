#include "declmod/reports/pagerenderer.h"

#include "declmod/reports/reportpages.h"
#include "declmod/reports/reportstate.h"

namespace declmod {
namespace {
const QString kCourierNew = QStringLiteral("Courier New");
} // namespace

void drawElements(const QList<qav::ReportElement> &elements, PrintTarget &target)
{
    for (const qav::ReportElement &e : elements) {
        switch (e.kind) {
        case qav::ReportElement::Text:
            target.text(e.x, e.y, e.text, kCourierNew, e.size, e.bold);
            break;
        case qav::ReportElement::VerticalText:
            for (qsizetype k = 0; k < e.text.size(); ++k)
                target.text(e.x, e.y + int(k) * kVerticalStep, e.text.mid(k, 1), kCourierNew,
                            e.size, e.bold);
            break;
        case qav::ReportElement::Box:
            target.line(e.x, e.y, e.x2, e.y);
            target.line(e.x2, e.y, e.x2, e.y2);
            target.line(e.x2, e.y2, e.x, e.y2);
            target.line(e.x, e.y2, e.x, e.y);
            break;
        case qav::ReportElement::PageBreak:
            break;
        }
    }
}

QString PrintOutcome::message() const
{
    switch (status) {
    case Printed:
        return QString();
    case NothingToPrint:
        return QStringLiteral("No Existe Información a Imprimir.Verifique.");
    case DeviceFailed:
        return QStringLiteral("No existe una impresora seleccionada.Verifique.");
    case Cancelled:
        return QStringLiteral("La Impresión ha sido Cancelada.");
    case JobFailed:
        break;
    }
    return QStringLiteral("Error Técnico : (") + QString::number(ErrPrintJob) + QStringLiteral(") ")
           + detail;
}

PrintOutcome printReport(const ReportPages &document, const PageRange *range, PrintTarget &target,
                         const PrintProgress &progress)
{
    PrintOutcome out;
    const QList<int> pages = document.pagesToRender(range);
    if (pages.isEmpty()) {
        out.status = PrintOutcome::NothingToPrint;
        return out;
    }
    const bool landscape = document.landscape();
    if (landscape)
        target.setOrientation(PageOrientation::Landscape);
    const int total = int(pages.size());
    for (int p : pages) {
        if (!target.startPage()) {
            out.status = PrintOutcome::DeviceFailed;
            out.detail = target.errorString();
            break;
        }
        drawElements(document.page(p), target);
        ++out.pages;
        if (progress && !progress(out.pages, total) && out.pages < total) {
            out.status = PrintOutcome::Cancelled;
            break;
        }
    }
    if (out.status == PrintOutcome::Cancelled) {
        target.abortJob();
    } else if (!target.endJob() && out.ok()) {
        out.status = PrintOutcome::JobFailed;
        out.detail = target.errorString();
    }
    if (landscape)
        target.setOrientation(PageOrientation::Portrait);
    return out;
}

} // namespace declmod
