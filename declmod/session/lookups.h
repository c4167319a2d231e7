#pragma once
// Lookups of the host's tables that the windows and decltool share, usable by any program
// without a window. Each takes the database and plain values, never the session:
//  - the type of a user (CLAVES);
//  - the taxpayers a user may see (CONT, filtered by the RUC entry of parameter table
//    "044") and the text of their list items;
//  - the entries of a parameter table that this module may use (the voucher types of
//    table "233");
//  - the statements of the consultations (professions, voucher types, UIT values);
//  - the probe of the host's "error" table made when the main window loads.
// Every value that comes from a person, a file or the database is bound to the statement.
//
// Errors: GetUserType and BuildTaxpayerQuery give the defaults stated below when their
// lookup fails or finds nothing; the readers return false and leave the failure in
// db.lastError() (readModuleParamList: in *error).

#include "common/db/database.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

namespace declmod {

// A statement and the values bound, in order, to its `?` placeholders.
struct SqlStatement {
    QString sql;
    QVariantList params;
};

// The type of `sysUser`: CLAVES.Tipo of the user's row, "1" (an ordinary user) when there
// is none.
QString GetUserType(qav::Database &db, const QString &sysUser);

// The statement that lists the taxpayers `sysUser` may see. Users of type "0" see every
// taxpayer of document type 6; others only those registered under their own name (the
// name is bound). When the RUC entry of table "044" demands an exact length of 11, shorter
// numbers are left out; without that entry the built-in one, which demands none, holds.
SqlStatement BuildTaxpayerQuery(qav::Database &db, const QString &formNumber,
                                const QString &sysUser);

// One taxpayer of that list: CONT's second column (the document number) and fourth (the
// name), as texts.
struct TaxpayerRow {
    QString number;
    QString name;
};

// The taxpayers `sysUser` may see, in the statement's order.
bool readTaxpayers(qav::Database &db, const QString &formNumber, const QString &sysUser,
                   QList<TaxpayerRow> *rows);

// A taxpayer as the taxpayer list shows it: a number of 8 characters (trimmed) followed by
// 5 spaces and the name, any other by its first 11 characters, 2 spaces and the name.
QString taxpayerListItem(const TaxpayerRow &row);

// An entry of a parameter table: its code (Argumento) and a part of its Funcion.
struct ParamListEntry {
    QString code;
    QString text;
};

// The entries of parameter table `number` that this module may use ("1" at position 67 of
// Funcion; for table "233" the voucher types that may be declared), ordered by code, each
// with `length` characters of Funcion from position `start` (1-based). Runs on any
// connection to the file, one without the suite's SQL functions included.
bool readModuleParamList(const QSqlDatabase &db, const QString &number, int start, int length,
                         QList<ParamListEntry> *entries, QString *error);

// The statement of consultation `kind` (1 professions, 2 the voucher types of this module,
// 3 the UIT values, newest date first), with the columns codigo and descrip; empty for any
// other kind.
QString consultationQuery(int kind);

// Opens the host's table "error" and closes it again, as the main window's load requires;
// false when it cannot be opened (a missing table), with the reason in db.lastError().
bool probeErrorTable(qav::Database &db);

} // namespace declmod
