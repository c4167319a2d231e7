#pragma once
// Report pages written into a PDF file by the same renderer that prints them, one PDF page
// per report page, A4 with a quarter-inch margin (the printable area of a printer).
//
// Errors: false with a Spanish explanation when the file cannot be written or there is
// nothing to print; the file is replaced only when the whole document was written.

#include <QString>

namespace declmod {

class ReportPages;
struct PageRange;

bool renderToPdf(const ReportPages &document, const PageRange *range, const QString &pdfPath,
                 QString *error = nullptr, int *pages = nullptr);

} // namespace declmod
