#pragma once
// Report pages written into a PDF file by the same renderer that prints them, one PDF page
// per report page, on the paper given (A4 unless the caller names the paper it previews and
// prints on) with a quarter-inch margin (the printable area of a printer).
//
// The progress callback is the renderer's: answering false stops the writing, and no file
// is written (the error text then says the job was cancelled).
//
// Errors: false with a Spanish explanation when the file cannot be written or there is
// nothing to print; the file is replaced only when the whole document was written.

#include "declmod/reports/pagerenderer.h"

#include <QPageSize>
#include <QString>

namespace declmod {

class ReportPages;
struct PageRange;

bool renderToPdf(const ReportPages &document, const PageRange *range, const QString &pdfPath,
                 QString *error = nullptr, int *pages = nullptr, const PrintProgress &progress = {},
                 bool *cancelled = nullptr, const QPageSize &paper = QPageSize(QPageSize::A4));

} // namespace declmod
