#pragma once
// ImpRep: the two report documents of declmod.
//
//  - The declaration report (DE0001): the voucher records of one declaration, 40 rows a
//    page under a boxed page header, optionally with a total line per month, then the
//    record count and the grand totals. Written with pTextoPos / pCuadroPos.
//  - The transfer-error report (DE0003): the error list of the last import as a flowing
//    monospaced listing of 69 errors a page, with sub-totals and a total. Written with
//    pLinea.
//
// buildReport() is the widget-free core: it writes the document at writer.ReportPath and
// returns what happened. ConstruyeReporte() is the module's entry: it takes its values from
// the session and the report state, builds through the process's writer and shows a failure
// in one box titled "Impresión".
//
// Page counts: the document declares the pages it really has. With month totals the month
// lines take row places too, so they are counted when the count is declared.
//
// Sums are exact (Amount), never floating point. Every value that enters a statement is a
// bound parameter.
//
// Errors: buildReport() never throws; a failure leaves no document (the writer discards it)
// and comes back as a number and a text, shown by ConstruyeReporte() as
// "Error Técnico : (number) text". A missing error list is not a failure: the report then
// lists no errors.

#include "declmod/reports/errorlist.h"

#include <QHash>
#include <QString>

#include <optional>

namespace qav {
class Database;
class ReportWriter;
} // namespace qav

namespace declmod {

class HostServices;

enum ReportKind : int { DeclarationReport = 2, TransferErrorReport = 3 };

// Failure numbers of our own, beside the database's.
enum ReportErrorNumber : int {
    ErrReportWrite = 9101, // the document could not be written
    ErrReportMonth = 9102, // a record's month is not a month number
    ErrReportAmount = 9103, // a record's amount is not an amount
    ErrReportRead = 9104,  // the error list could not be read
};

// The Spanish month name of a month number given as text ("1" / "01" -> "Enero", ...,
// "09" -> "Setiembre"); empty text for 0. No value when the text is not a whole number
// from 0 to 12.
std::optional<QString> MesNombre(const QString &month);

// The text followed by spaces up to `width` characters; a longer text unchanged.
QString RellenaDerecha(const QString &text, int width);

// The description of a voucher type in parameter table "233": the code is left-padded with
// "0" to two characters first (and the padded code replaces the argument), then the first 19
// characters of the description, trimmed; empty text when there is no such row.
QString TipoComprobanteDesc(qav::Database &db, const HostServices &host, QString &code);

struct ReportInput {
    ReportKind kind = DeclarationReport;
    QString FormNumber = QStringLiteral("7093");
    QString TaxpayerId;
    QString TaxpayerName;
    QString Period;
    // Declaration report: which declaration and how its rows are ordered.
    bool SentMode = false;  // the sent declaration of SentCorrel (history tables)
    QString SentCorrel;
    QString SentOrderNumber; // the control box is drawn when it is not empty
    QString SentControl;
    bool byMonth = true;     // "Por mes" (with month totals), else "Por serie"
    // Transfer-error report: the folder of the error list (ReportDir).
    QString ReportDir;
};

struct ReportOutcome {
    bool ok = false;
    qint16 declaredPages = 0;
    int records = 0; // records (DE0001) or error lines (DE0003) listed
    int errorNumber = 0;
    QString errorText;
    // "Error Técnico : (n) text", the message a failure is shown with.
    QString message() const;
};

// Writes the report of `input` at writer.ReportPath (the writer's ReportDestination is set
// to "ARCHIVO"). `db` is used by the declaration report only.
ReportOutcome buildReport(qav::Database &db, const HostServices &host, const ReportInput &input,
                          qav::ReportWriter &writer);

// The module's build entry: the report of the current ReportKind (reportState()) for the
// declaration in the session, written through the process's writer at its ReportPath.
// A failure is shown under "Impresión" with the critical icon; false then. The name is not
// used.
bool ConstruyeReporte(const QString &name);

} // namespace declmod
