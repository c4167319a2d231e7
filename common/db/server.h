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
//  copyIntoServer()     rows sent to a table with COPY, through the driver's connection.
//  readServerRows()     rows read as texts, through the driver's connection.

#include "common/db/dberror.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

class QSqlDatabase;
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

// Rows sent to a table of the server in one COPY (`data`: the rows in COPY's text format,
// tab-separated, one a line, \N for no value; see appendCopyField()). False with the
// failure in `error` (`server` is named in it as in fromServerError()).
bool copyIntoServer(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                    const QByteArray &data, const QString &server, qint64 *rows, DbError *error);
// One value of a row in COPY's text format (a separator before every value but the first).
void appendCopyField(QByteArray *data, const QVariant &value, bool first);

// One row of a result read by readServerRows(): each value as the server's text (UTF-8),
// valid while the call to the reader lasts.
class ServerRow
{
public:
    int count() const;
    bool isNull(int column) const;
    const char *value(int column) const;
    int size(int column) const;

private:
    friend bool readServerRows(const QSqlDatabase &, const QString &, const QVariantList &,
                               const QString &, const std::function<void(const ServerRow &)> &,
                               DbError *);
    const void *m_result = nullptr;
    int m_row = 0;
};

// Runs a statement of the program's own, with `params` bound in order to its `?`
// placeholders (as texts, their types worked out by the server), and hands each row to
// `each` as texts, without the driver's conversions: the fast way to fold many rows here.
// Inside a transaction a failure undoes only this statement.
bool readServerRows(const QSqlDatabase &db, const QString &sql, const QVariantList &params,
                    const QString &server, const std::function<void(const ServerRow &)> &each,
                    DbError *error);

// `server` is the URI of the connection, named in the texts of failures to reach it.
DbError fromServerError(const QSqlError &error, const QString &server = QString());


} // namespace qav
