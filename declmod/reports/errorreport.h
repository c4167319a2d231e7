#pragma once
// The transfer-error report (DE0003) of the import: the document the import dialog and
// decltool build after a run with rejections, and decltool error-report builds again from
// the error list of the last run. One build for all of them, through ConstruyeReporte on
// the session:
//
//   ReportKind 3 (the session's ErrorCount as the run left it), ReportDestination
//   "ARCHIVO", ReportPath = the path given (ReportDir + "/" + the spool name), the
//   taxpayer's name read from the taxpayer register (a new declaration holds no name in
//   the session until it is saved, and the report names the taxpayer of its RUC), then
//   ConstruyeReporte.
//
// transferErrorReportHooks() hands this build to the import's announcement (the spool row
// is registered there, before the build). Showing the document is the window's part.
//
// Errors: a failed build has been shown already, under "Impresión"; false then.

#include "declmod/reports/errorlist.h"

#include <QString>

namespace qav {
class Database;
}

namespace declmod {

// The name of taxpayer `ruc` (identity type 6) in the register CONT, trimmed. False when the
// register cannot be read (*error) or holds no such taxpayer (*error empty).
bool readTaxpayerName(qav::Database &db, const QString &ruc, QString *name, QString *error = nullptr);

// Builds the session's taxpayer's transfer-error report at `reportPath`.
bool buildTransferErrorReport(const QString &spoolName, const QString &reportPath);

// The import's hooks with buildTransferErrorReport() as the build and no show.
ErrorReportHooks transferErrorReportHooks();

} // namespace declmod
