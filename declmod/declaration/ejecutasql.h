#pragma once
// EjecutaSql: runs an action statement on the session's database. When it fails, the
// error is shown (critical, OK, title "Error al Ejecutar Sentencia SQL", text
// "Error Número : " + number + a line feed + the error's text) and the caller carries on.
// Returns true when the statement ran.

#include <QString>
#include <QVariantList>

namespace qav {
class Database;
}

namespace declmod {

bool EjecutaSql(qav::Database &db, const QString &sql, const QVariantList &params = {});

// Shows a database error as EjecutaSql does.
void ShowSqlError(int number, const QString &text);

} // namespace declmod
