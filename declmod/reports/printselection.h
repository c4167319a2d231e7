#pragma once
// The print selection's rules without its window: the list of declarations the session
// user may print (pending ones from CAB, sent ones from HCAB with estado 1, only taxpayers
// whose CONT row names the user), the reading of a chosen row into the session values, and
// the preparation of its declaration report (spool row, document in the report folder,
// declared page count), shared by frmImprimir and decltool.
//
// Errors: prepareDeclarationReport() returns the failure's message ("Error Técnico : ...")
// instead of showing it; the window shows it under "Impresión".

#include "declmod/reports/imprep.h"

#include <QDateTime>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

namespace qav {
class Database;
}

namespace declmod {

class HostServices;

// The list query (values bound: the form number, then the user).
QString printListQuery(bool history);

// One row of the list, read by field name (a pending list has no sending fields: empty).
struct DeclarationRow {
    QString DOC_ID_D;
    QString Nombre;
    QString Periodo;
    QString Periodof;
    QString Formulario;
    QString Norden;
    QDateTime FecEnv;
    QString Control;
    QString Correl;
    QString Estado;
    QString Rectifica;
    int Semana = 0; // 0 when null
};
DeclarationRow declarationRow(const QSqlRecord &record);

// The rows of the list, in its order; false with *error when the query fails.
bool readPrintList(qav::Database &db, bool history, const QString &formNumber,
                   const QString &sysUser, QList<DeclarationRow> *rows, QString *error = nullptr);

// The declaration the report is built for, as the session holds it after reading a row.
struct ReportDeclaration {
    QString TaxpayerId;
    QString TaxpayerName;
    QString Period;
    int Semana = 0;
    QString SentCorrel;
    QString SentOrderNumber;
    QString SentControl;
};
ReportDeclaration reportDeclaration(const DeclarationRow &row);

struct PreparedReport {
    bool ok = false;
    QString name;   // the document's name in the report folder
    QString path;   // ReportDir + "/" + name
    qint16 pages = 0; // the declared page count as read back from the document
    QString message;  // what failed
};

// Registers a DE0001 document in the spool and builds it.
PreparedReport prepareDeclarationReport(qav::Database &db, const HostServices &host,
                                        const ReportDeclaration &declaration, bool sentMode,
                                        bool byMonth, const QString &formNumber,
                                        const QString &reportDir, const QString &sysUser);

} // namespace declmod
