#pragma once
// The report commands of decltool, on the installation of the settings file (PM000.INI in
// QAV_WINDIR), as the module's windows build and print them:
//
//   report --ruc RUC --year YYYY [--correl C] [--by month|series]
//       Builds the declaration report (DE0001) of the pending declaration of RUC and YYYY,
//       or of the sent one with correlative C, exactly as the print selection's preview
//       does: the declaration must be in the list of the settings file's user, a spool row
//       is added and the document is written into the report folder. "--by month" (the
//       default) orders the rows by month with month totals, "--by series" by series.
//   error-report --ruc RUC --year YYYY
//       The same for the transfer-error report (DE0003) of the error list of the last
//       import of RUC, built by the same routine as the import's own report.
//   Both print one line: the document's path, a tab, its declared page count.
//   render DOCUMENT --pdf OUT [--pages FROM-TO]
//       Renders a report document into a PDF file exactly as printing does (only the pages
//       FROM to TO, 1-based, when given); prints the number of pages written.
//
// Exit status 0, 1 on failure (its message on standard error), 64 on misuse.

#include <QStringList>

#include <cstdio>

namespace decltool {

int reportCommand(const QStringList &args, std::FILE *out, std::FILE *err);
int errorReportCommand(const QStringList &args, std::FILE *out, std::FILE *err);
int renderCommand(const QStringList &args, std::FILE *out, std::FILE *err);

// True for the commands that draw and need a GUI application object.
bool commandNeedsGui(const QStringList &args);

QString reportUsageText();

} // namespace decltool
