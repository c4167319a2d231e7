#pragma once
// The error list of a transfer run, as the transfer-error report (DE0003) reads it: where it
// lies, and the hooks through which a run with rejections has its report registered, built
// and shown. The import writes the list and calls the hooks; the report builders read the
// list and provide the build. Neither needs the other's code for it.

#include <QString>

#include <functional>

namespace declmod {

// The error list of a transfer run: ReportDir immediately followed by the RUC and ".err"
// (found whatever the case of its name).
QString errorListPath(const QString &reportDir, const QString &taxpayerId);

// The transfer-error report of a run with rejections: registered in the spool as
// "DE0003", then built by `build` into `reportPath` (ReportDir + "/" + the spool name), and
// shown whole by `show` when the operator asks for it. Either function may be empty. A
// failed build returns false; the text it leaves in *error is shown, or nothing when it
// leaves none (it has said what failed itself).
struct ErrorReportHooks {
    std::function<bool(const QString &spoolName, const QString &reportPath, QString *error)> build;
    std::function<void(const QString &spoolName)> show;
};

} // namespace declmod
