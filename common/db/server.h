#pragma once
// What the database layer does differently on a PostgreSQL server (an office's shared
// database) instead of the embedded SQLite file. Only database.cpp uses this: the programs
// see one Database whatever the engine.
//
//  parseServerUri()     a connection URI without a password ("postgresql://host:5432/qav",
//                       "postgresql:///qav?host=/var/run/postgresql") into what the driver
//                       takes; the account is always the one the caller gives.
//  serverObjectsSql()   the statements that create, on a server database, what SQLite has
//                       in the connection: the collation that ignores case (qav_ci) and the
//                       functions MID, LEN, VAL, the control value and the exact sum of
//                       amounts. Each can be run again without harm.
//  adaptDdlForServer()  the table definitions of the suite (text columns that ignore case,
//                       Byte, DATETIME, keys made as unique indexes) in the server's words.
//  fromServerError()    a failure of the server as the suite's error number and text.

#include "common/db/dberror.h"

#include <QString>
#include <QStringList>

class QSqlError;

namespace qav {

struct ServerAddress {
    QString host;     // a host name, or the folder of the server's local socket
    int port = -1;    // -1: the driver's default
    QString database; // the database's name
    QString options;  // further connection keywords, "key=value" separated by ";"
};

// False when `uri` is not a postgresql:// or postgres:// URI naming a database.
bool parseServerUri(const QString &uri, ServerAddress *out);

// The name of the collation that compares texts without regard to case on the server.
QString serverTextCollation();

QStringList serverObjectsSql();

// The names of the functions serverObjectsSql() creates (lower case), to check they exist.
QStringList serverFunctionNames();

QString adaptDdlForServer(const QString &sql);

// `server` is the URI of the connection, named in the texts of failures to reach it.
DbError fromServerError(const QSqlError &error, const QString &server = QString());


} // namespace qav
