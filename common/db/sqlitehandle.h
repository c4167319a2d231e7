#pragma once
// The SQLite connection behind a QtSql database, for what QtSql cannot do itself (functions
// of the connection, prepared statements stepped by hand); null when the database is not
// open on SQLite (a server's connection, or none).

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace qav {

inline sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    if (!db.driver())
        return nullptr;
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.data());
}

} // namespace qav
