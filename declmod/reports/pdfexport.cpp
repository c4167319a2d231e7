#include "declmod/reports/pdfexport.h"

#include "declmod/reports/pagerenderer.h"
#include "declmod/reports/paintertarget.h"
#include "declmod/reports/reportpages.h"

#include "common/text/atomicfile.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

namespace declmod {

bool renderToPdf(const ReportPages &document, const PageRange *range, const QString &pdfPath,
                 QString *error, int *pages, const PrintProgress &progress, bool *cancelled,
                 const QPageSize &paper)
{
    if (cancelled)
        *cancelled = false;
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    qav::AtomicFile file(pdfPath);
    if (!file.open())
        return fail(file.errorText());
    PrintOutcome outcome;
    {
        QPdfWriter writer(&file);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(paper, QPageLayout::Portrait,
                                         QMarginsF(6.35, 6.35, 6.35, 6.35), QPageLayout::Millimeter));
        writer.setCreator(QStringLiteral("declmod"));
        PagedDeviceTarget target(&writer);
        outcome = printReport(document, range, target, progress);
    }
    if (pages)
        *pages = outcome.pages;
    // A write refused on the way (a full disk) fails the export even when the pages drew.
    if (outcome.ok() && file.failed())
        return fail(file.errorText());
    if (!outcome.ok()) {
        if (cancelled)
            *cancelled = outcome.status == PrintOutcome::Cancelled;
        file.cancelWriting();
        return fail(outcome.message());
    }
    if (!file.commit())
        return fail(file.errorText());
    return true;
}

} // namespace declmod
