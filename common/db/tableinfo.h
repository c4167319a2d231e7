#pragma once
// What the database says of a table's columns, on either engine.
//
//   dateColumns(db, table)  for each column of the table, in its column order, whether it
//                           holds dates or date-times: declared with a type that names a
//                           date or a time in the file (DATE, DATETIME, TIMESTAMP ...), of a
//                           date or timestamp type on a server. The file keeps such a value
//                           as the text it was written as; a server hands back a date.
//
// Errors: no value when the engine could not be asked (db.lastError() says why); a table
// that does not exist has no columns (an empty list).

#include <QList>
#include <QString>

#include <optional>

namespace qav {

class Database;

std::optional<QList<bool>> dateColumns(Database &db, const QString &table);

} // namespace qav
