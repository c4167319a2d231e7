#include "declmod/reports/printselection.h"

#include "common/db/database.h"
#include "common/report/reportreader.h"
#include "common/report/reportwriter.h"
#include "common/report/spool.h"

#include <QSqlQuery>

namespace declmod {
namespace {

QString field(const QSqlRecord &r, const char *name)
{
    const int i = r.indexOf(QLatin1String(name));
    return i < 0 || r.isNull(i) ? QString() : r.value(i).toString();
}

} // namespace

QString printListQuery(bool history)
{
    const QString conditions =
        QStringLiteral(" WHERE A.DOC_ID_D=B.DOC_ID_D AND A.TIP_DOC_D=6 AND B.TIP_DOC_D=6 AND"
                       " A.FORMULARIO=? AND B.USUARIO=?");
    if (!history)
        return QStringLiteral("SELECT A.DOC_ID_D, B.NOMBRE, A.PERIODO,"
                              " MID(A.PERIODO,5,2) || MID(A.PERIODO,1,4) as PERIODOf, A.FORMULARIO,"
                              " a.estado,a.rectifica,a.semana FROM CAB AS A, CONT AS B")
               + conditions + QStringLiteral(" ORDER BY A.DOC_ID_D ASC, a.periodo DESC");
    return QStringLiteral("SELECT A.DOC_ID_D, B.NOMBRE, A.PERIODO,"
                          " MID(A.PERIODO,5,2) || MID(A.PERIODO,1,4) as PERIODOf, A.FORMULARIO,"
                          "a.estado,a.fec_env,a.correl,a.norden,a.control,a.rectifica,a.semana"
                          " FROM HCAB AS A, CONT AS B")
           + conditions + QStringLiteral(" and a.estado=1 ORDER BY A.DOC_ID_D ASC");
}

DeclarationRow declarationRow(const QSqlRecord &r)
{
    DeclarationRow row;
    row.DOC_ID_D = field(r, "DOC_ID_D");
    row.Nombre = field(r, "NOMBRE");
    row.Periodo = field(r, "PERIODO");
    row.Periodof = field(r, "PERIODOf");
    row.Formulario = field(r, "FORMULARIO");
    row.Norden = field(r, "norden");
    const int fec = r.indexOf(QLatin1String("fec_env"));
    if (fec >= 0 && !r.isNull(fec))
        row.FecEnv = r.value(fec).toDateTime();
    row.Control = field(r, "control");
    row.Correl = field(r, "correl");
    row.Estado = field(r, "estado");
    row.Rectifica = field(r, "rectifica");
    row.Semana = field(r, "semana").toInt();
    return row;
}

bool readPrintList(qav::Database &db, bool history, const QString &formNumber,
                   const QString &sysUser, QList<DeclarationRow> *rows, QString *error)
{
    rows->clear();
    const QList<QSqlRecord> records = db.rows(printListQuery(history), {formNumber, sysUser});
    if (db.lastError().isError()) {
        if (error)
            *error = db.lastError().text;
        return false;
    }
    for (const QSqlRecord &r : records)
        rows->append(declarationRow(r));
    return true;
}

ReportDeclaration reportDeclaration(const DeclarationRow &row)
{
    ReportDeclaration d;
    d.TaxpayerId = row.DOC_ID_D;
    d.Period = row.Periodo;
    d.TaxpayerName = row.Nombre;
    d.SentCorrel = row.Correl;
    d.SentOrderNumber = row.Norden;
    d.SentControl = row.Control;
    d.Semana = row.Semana;
    return d;
}

PreparedReport prepareDeclarationReport(qav::Database &db, const HostServices &host,
                                        const ReportDeclaration &d, bool sentMode, bool byMonth,
                                        const QString &formNumber, const QString &reportDir,
                                        const QString &sysUser)
{
    PreparedReport out;
    qav::DbError dbError;
    out.name = qav::RegistraSpool(db, QStringLiteral("DE0001"), 6, d.TaxpayerId.trimmed(), sysUser,
                                  &dbError);
    if (out.name.isEmpty()) {
        out.message = QStringLiteral("Error Técnico : (") + QString::number(dbError.number)
                      + QStringLiteral(") ") + dbError.text;
        return out;
    }
    out.path = reportDir + u'/' + out.name;
    qav::ReportWriter &writer = qav::reportWriter();
    writer.ReportPath = out.path;
    ReportInput in;
    in.kind = DeclarationReport;
    in.FormNumber = formNumber;
    in.TaxpayerId = d.TaxpayerId;
    in.TaxpayerName = d.TaxpayerName;
    in.Period = d.Period;
    in.SentMode = sentMode;
    in.SentCorrel = d.SentCorrel;
    in.SentOrderNumber = d.SentOrderNumber;
    in.SentControl = d.SentControl;
    in.byMonth = byMonth;
    in.ReportDir = reportDir;
    const ReportOutcome built = buildReport(db, host, in, writer);
    if (!built.ok) {
        // The spool never lists a report that was not made.
        qav::unregisterSpool(db, QStringLiteral("DE0001"), out.name);
        out.message = built.message();
        return out;
    }
    out.pages = qav::LeeNumHojas(out.path);
    out.ok = true;
    return out;
}

} // namespace declmod
