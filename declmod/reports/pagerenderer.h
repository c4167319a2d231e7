#pragma once
// The renderer: report pages drawn onto a PrintTarget, the same routine for the printer, a
// PDF file and the preview's page surface.
//
//  - drawElements(): the elements of one page, drawn as they stand (no startPage). Texts in
//    "Courier New" at their top-left; a vertical text one character every 190 twips down;
//    a box as four lines.
//  - printReport(): a whole job. Landscape documents ("H") print in landscape and leave the
//    target in portrait afterwards. With a page range only the pages within it print, one
//    printer page each; a page break after the last page never makes an empty page.
//    A progress callback hears of every page sent; when it answers false before the last
//    page, the job stops after that page and is aborted on the target (Cancelled).
//
// Errors: printReport() returns what failed: nothing to print, a page the device refused,
// the job that could not be finished, or the operator's cancel; the job is ended (or
// aborted) in every case. ErrPrintJob is the number a failed job is shown with.

#include "declmod/reports/printtarget.h"

#include "common/report/reportreader.h"

#include <QList>
#include <QString>

#include <functional>

namespace declmod {

class ReportPages;
struct PageRange;

constexpr int kVerticalStep = 190;
constexpr int ErrPrintJob = 9105;

void drawElements(const QList<qav::ReportElement> &elements, PrintTarget &target);

struct PrintOutcome {
    // DeviceFailed: the device refused a page (no usable printer); JobFailed: the job could
    // not be finished (a PDF file that cannot be written, ...).
    // Cancelled: the progress callback stopped the job.
    enum Status { Printed, NothingToPrint, DeviceFailed, JobFailed, Cancelled };
    Status status = Printed;
    int pages = 0;  // pages sent to the target
    QString detail; // the device's explanation when it failed
    bool ok() const { return status == Printed; }
    // The message a failure is shown with (title "Impresión"); empty when printed.
    QString message() const;
};

// Called after each page sent to the target: `done` pages of `total` so far. False asks to
// stop; it is heeded while pages remain (a job whose last page is out is finished).
using PrintProgress = std::function<bool(int done, int total)>;

// `range` null: every page.
PrintOutcome printReport(const ReportPages &document, const PageRange *range, PrintTarget &target,
                         const PrintProgress &progress = {});

} // namespace declmod
