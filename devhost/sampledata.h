#pragma once
// Believable contents for a sandbox installation: the rows a host installation holds before
// the module is first used (taxpayers, users, parameter rows, messages), and two
// declarations of form 7093 in the state the module and the host leave them (one pending,
// one sent).
//
// Errors: each function writes inside one transaction; on failure nothing of it stays and
// *error holds the database's text and number.

#include <QString>

namespace qav {
class Database;
}

namespace devhost {

// CONT, CLAVES, PARAM (tables 044, 404, 979) and Error. Needs the host tables.
bool insertHostSamples(qav::Database &db, QString *error);

// One pending declaration (CAB + f7093des) and one sent declaration (HCAB + hf7093des).
// Needs the module's tables, which the table installer creates.
bool insertSampleDeclarations(qav::Database &db, QString *error);

// Adds one row whose last column is the control value cNumero, computed with `k` (NumeroControl)
// over the values given, taken in the table's column order (a column not
// given counts as null). Returns the control value written, or a null string on failure.
QString insertWithControl(qav::Database &db, const QString &table,
                          const QList<QPair<QString, QVariant>> &values, int k);

} // namespace devhost
