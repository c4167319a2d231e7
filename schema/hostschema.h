#pragma once
// The host's tables (CAB, DET, HCAB, HDET, CONT, CLAVES, PARAM, Error, SPOOL, reportes,
// envio_t) for a stand-in installation and for tests. The module's own tables are not
// among them: the table installer creates those.
//
// Errors: createHostTables() runs every statement in one transaction; on a failure it rolls
// back, so the file is left as it was, and puts the database's error text and number in
// *error.

#include <QString>
#include <QStringList>

namespace qav {

class Database;

// The schema text, as shipped.
QString hostSchemaSql();

// The schema text split into single statements (comments dropped).
QStringList hostSchemaStatements();

// Creates every host table and its indexes in an open database.
bool createHostTables(Database &db, QString *error = nullptr);

} // namespace qav
