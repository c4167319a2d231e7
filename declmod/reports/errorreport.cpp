#include "declmod/reports/errorreport.h"

#include "declmod/reports/imprep.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/session.h"

#include "common/db/database.h"
#include "common/report/reportwriter.h"

namespace declmod {

bool readTaxpayerName(qav::Database &db, const QString &ruc, QString *name, QString *error)
{
    const QVariant value = db.scalar(
        QStringLiteral("SELECT Nombre FROM CONT WHERE Tip_doc_d=6 AND Doc_id_d=?"), {ruc});
    if (db.lastError().isError()) {
        if (error)
            *error = db.lastError().text;
        return false;
    }
    if (error)
        error->clear();
    if (value.isNull())
        return false;
    *name = value.toString().trimmed();
    return true;
}

bool buildTransferErrorReport(const QString &spoolName, const QString &reportPath)
{
    Session &s = session();
    QString name;
    if (readTaxpayerName(s.Db, s.TaxpayerId.trimmed(), &name))
        s.TaxpayerName = name;
    reportState().ReportKind = TransferErrorReport;
    qav::ReportWriter &writer = qav::reportWriter();
    writer.ReportDestination = QStringLiteral("ARCHIVO");
    writer.ReportPath = reportPath;
    return ConstruyeReporte(spoolName);
}

ErrorReportHooks transferErrorReportHooks()
{
    ErrorReportHooks hooks;
    hooks.build = [](const QString &spoolName, const QString &reportPath, QString *error) {
        // A failure has been shown by the build itself.
        if (error)
            error->clear();
        return buildTransferErrorReport(spoolName, reportPath);
    };
    return hooks;
}

} // namespace declmod
