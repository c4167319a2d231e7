#pragma once
// The shared database, reached through one connection per process.
//
// Two engines hold it. Embedded, the file is the host's SQLite database, opened shared (WAL
// journal, a busy timeout) so that the host and the programs use it at once, after the
// account has been checked against the installation's workgroup file. In an office it is a
// database on a PostgreSQL server (OpenOptions::server, a connection URI), logged into
// with the module's account as the server's role. The statements, their results and the
// error numbers are the same on both: the differences stay in this layer (server.h). Every value that comes from a person, a file
// or the database enters a statement as a bound parameter (`?` placeholders, `params` in
// order); statement text is only ever the program's own.
//
// Errors: every call returns false / an empty result on failure and leaves the failure in
// lastError() as a number (DbErrorNumber) and a text; nothing throws.
//
// The engine knows a few functions the statements of the suite use: MID(s, start[, len]),
// LEFT(s, n), LEN(s) and VAL(s) (the leading number of a text, 0 when there is none).
// LEFT is a word of SQLite's join syntax, so a bare left(...) does not parse: write
// substr(s, 1, n), or quote the name as "left"(s, n). ALLDIGITS(s) is true when a text is
// one or more digits and nothing else. On a server the same functions (and the control
// value's and the sums' of the declaration) are objects of the database that
// installServerObjects() creates, and text columns compare under a collation that ignores
// case, as NOCASE does in the file.

#include "common/db/dberror.h"

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace qav {

enum class Engine { SQLite, Server };

struct OpenOptions {
    QString file;          // the database file
    // A PostgreSQL connection URI without a password ("postgresql://host:5432/qav"); when
    // set, the database is that server's and `file` is not used. `user` and `password`
    // are the role's; the workgroup file is not read.
    QString server;
    QString workgroupFile; // PM000.MDW; empty skips the account check
    QString user;
    QString password;
    bool readOnly = false;
    int busyTimeoutMs = 4000;
    // Tables the file must hold (names in any case); a file without them is refused as not
    // being the database (ErrNotADatabase) before anything is written to it.
    QStringList requiredTables;
    // Ask for the write lock at open (given back at once): in WAL mode a writer does not
    // keep readers out, so a file another program is writing is refused as locked here.
    bool refuseWhileWriting = false;
};

using ColumnValues = QList<QPair<QString, QVariant>>;

class Database;

// A statement prepared once and run many times with new values: the rows of an import run
// or of a save (100,000 inserts prepare their SQL once, not 100,000 times). Get one from
// Database::prepare() or Database::prepareInsert(); run() binds the values in order to the
// statement's `?` placeholders and executes it. Failures are reported like every other
// call of the database layer: run() returns false and lastError() of the database holds
// the number and text; a statement that could not be prepared is not valid and every run()
// fails with that same error.
//
// Run the rows of one job inside a Transaction, so that a failure leaves none of them and
// the rows are written to the file once, at commit():
//
//     qav::Transaction tx(db);
//     qav::PreparedStatement add = db.prepareInsert(QStringLiteral("tmpf7093des"),
//         {QStringLiteral("tip_com"), QStringLiteral("num_ser"), QStringLiteral("per_tri"),
//          QStringLiteral("tot_ven"), QStringLiteral("tot_gra")});
//     for (const Record &r : records)
//         if (!add.run({r.type, r.series, r.month, r.total, r.taxed}))
//             return false; // db.lastError() says why; tx rolls every row back
//     return tx.commit();
//
// Ownership: the statement belongs to the database that prepared it and must not outlive
// that Database object. Once the database is closed (or opened again) run() fails with
// ErrNotOpen; destroy prepared statements before closing to release them at once.
// Movable, not copyable.
class PreparedStatement
{
public:
    PreparedStatement() = default;
    PreparedStatement(PreparedStatement &&) noexcept = default;
    PreparedStatement &operator=(PreparedStatement &&) noexcept = default;
    PreparedStatement(const PreparedStatement &) = delete;
    PreparedStatement &operator=(const PreparedStatement &) = delete;

    // True when the statement was prepared on an open database.
    bool isValid() const { return m_db != nullptr && m_prepared; }
    // Binds `values` in order, one for each placeholder, and runs the statement once.
    bool run(const QVariantList &values);
    // Rows changed by the last successful run().
    int rowsAffected() const { return m_rowsAffected; }

private:
    friend class Database;
    Database *m_db = nullptr;
    QSqlQuery m_query;
    DbError m_prepareError;
    quint64 m_session = 0; // the opening of the database it was prepared in
    int m_rowsAffected = 0;
    bool m_prepared = false;
};

class Database
{
public:
    explicit Database(const QString &connectionName = QStringLiteral("qav"));
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    bool open(const OpenOptions &options);
    void close();
    bool isOpen() const;
    // The file, or the server's URI.
    QString fileName() const { return m_file; }
    Engine engine() const { return m_engine; }

    const DbError &lastError() const { return m_error; }

    // An action statement (INSERT, UPDATE, DELETE, CREATE ...).
    bool execute(const QString &sql, const QVariantList &params = {});
    // Number of rows changed by the last successful execute().
    int rowsAffected() const { return m_rowsAffected; }

    // A read-only query, positioned before its first row; false on failure.
    bool select(QSqlQuery *query, const QString &sql, const QVariantList &params = {});
    // Every row of a query (empty on failure; check lastError()).
    QList<QSqlRecord> rows(const QString &sql, const QVariantList &params = {});
    // The first column of the first row; a null QVariant when there is no row or on failure.
    QVariant scalar(const QString &sql, const QVariantList &params = {});
    // True when the query returns at least one row.
    bool exists(const QString &sql, const QVariantList &params = {});

    // Updatable access: add one row, or change the rows a filter selects. Column names
    // are the program's own; values are bound. insert() keeps the statement of its last
    // call and runs it again when the next call names the same table and columns, so a
    // loop of inserts into one table prepares its SQL once.
    bool insert(const QString &table, const ColumnValues &values);
    bool update(const QString &table, const ColumnValues &values, const QString &where,
                const QVariantList &whereParams = {});

    // The table list, read afresh from the file (the server database's tables in the
    // connection's search path; temporary tables are not in it).
    QStringList tables();
    bool tableExists(const QString &name);

    // A table definition written as the suite writes it (CREATE [TEMP] TABLE with
    // [brackets], Text(n) COLLATE NOCASE, Byte, DATETIME; CREATE UNIQUE INDEX PK_x for the
    // primary key), run in the engine's own words: on the server text columns take the
    // case-insensitive collation, the PK_x index is the table's primary key, and a
    // temporary table keeps the order rows were added in as `rowid`.
    bool executeDdl(const QString &sql);
    // The column that gives a stored table's rows in the order they were written, for
    // ORDER BY and comparisons ("rowid"; a row's place on the server).
    QString rowOrderColumn() const;

    // Inserts into `table` (`columns`, in order) the rows `source` gives for every column
    // but the last (a SELECT naming them so), each with the last column's value worked out
    // from the others of its row. In the file the engine works it out with `lastSql`, an
    // expression over the source's column names (a function of the connection), and the
    // rows never leave the engine; on a server `lastValue` works it out here over the row's
    // values as the server hands them over, and the rows go back in one COPY (a function of
    // the server would run row by row, many times slower). `lastSql` and `lastValue` must
    // give the same value. One statement: rowsAffected() counts the rows written, and
    // inside a Transaction a failure undoes only it.
    bool insertComputed(const QString &table, const QStringList &columns, const QString &source,
                        const QVariantList &params, const QString &lastSql,
                        const std::function<QString(const QVariantList &row)> &lastValue);

    // Adds rows to `table` (`columns`, in order; `values` row after row) as one statement:
    // on a server in one COPY, in the file through one prepared INSERT. A row the table
    // refuses (a repeated key) fails the whole statement and none of its rows stays;
    // rowsAffected() counts the rows added.
    bool insertRows(const QString &table, const QStringList &columns, const QVariantList &values);

    // Creates on a server database the collation and the functions the statements use; an
    // open file needs nothing (they belong to the connection). Harmless when run again.
    bool installServerObjects();

    // A statement to run many times (see PreparedStatement); the text is the program's own.
    PreparedStatement prepare(const QString &sql);
    // "INSERT INTO table (columns) VALUES (?, ...)", prepared once.
    PreparedStatement prepareInsert(const QString &table, const QStringList &columns);

    QSqlDatabase handle() const;

private:
    friend class PreparedStatement;
    friend class Transaction;
    bool fail(const DbError &error);
    bool isReadOnlyConnection() const;
    bool prepareAndRun(QSqlQuery &q, const QString &sql, const QVariantList &params);
    bool openServer(const OpenOptions &options);
    DbError errorOf(const QSqlError &error) const;
    // On the server a failed statement spoils the whole transaction, where SQLite undoes
    // only the statement: inside a transaction each statement runs under a savepoint.
    bool guarded() const { return m_engine == Engine::Server && m_transactions > 0; }
    bool savepoint(const char *command);
    // Sends rows in the server's COPY text form into `table`, under the statement's
    // savepoint inside a transaction; sets the rows affected.
    bool copyRows(const QString &table, const QStringList &columns, const QByteArray &data);
    // A statement of the transaction itself (BEGIN, COMMIT, SAVEPOINT, the lock), never
    // under a statement's savepoint.
    bool control(const QString &sql);

    QString m_connection;
    QString m_file;
    Engine m_engine = Engine::SQLite;
    DbError m_error;
    int m_rowsAffected = 0;
    quint64 m_session = 0; // counts the openings, so statements of an earlier one fail
    int m_transactions = 0; // Transactions active on this connection (nesting depth)
    // The statement of the last insert(), run again for the same table and columns.
    QString m_insertKey;
    PreparedStatement m_lastInsert;
};

// A write transaction that takes the write lock at once, so that what it reads cannot
// change before it writes. Rolled back when it leaves scope without commit().
//
// `hold` names what the transaction holds against other connections, such as one
// declaration ("7093/<RUC>/<exercise>"). Whatever the engine, this guarantees: while
// isActive() is true, no Transaction of another connection naming the same hold is active,
// so a read-check-write of the held rows done inside it is atomic against every other
// writer that holds the same name. A second holder waits up to the busy timeout; then
// isActive() is false and lastError() is ErrLocked. On SQLite the lock is the whole file's
// write lock (BEGIN IMMEDIATE): it holds every name at once, and also keeps out writers
// that name no hold. On a server the locks are advisory locks of the database held until
// the transaction ends: a named hold keeps out the transactions naming it and those naming
// none, but not those naming another hold; a transaction naming none keeps out every
// other (the file's write lock); SessionOnly takes none, for work on the session's
// temporary tables only.
//
// Nesting: a Transaction begun while another of the same Database is active is a savepoint
// of it (it must end first). Its commit() keeps its work for the outer one, its rollback
// undoes only its own work; nothing is stored before the outermost one commits, and the
// lock is held until then.
class Transaction
{
public:
    enum Lock { DatabaseLock, SessionOnly };
    explicit Transaction(Database &db, const QString &hold = QString());
    Transaction(Database &db, Lock lock);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    bool isActive() const { return m_active; }
    bool commit();

private:
    void begin(const QString &serverLock);
    void end();

    Database &m_db;
    QString m_savepoint; // empty for the outermost transaction
    quint64 m_session = 0;
    bool m_active = false;
};

// Registers MID, LEFT, LEN and VAL on a SQLite connection (also used by programs that open
// the file with QtSql directly).
void registerSqlFunctions(const QSqlDatabase &db);

// The leading decimal number of a text, as the suite's VAL reads it: spaces skipped, an
// optional sign, digits with one optional point; 0 when there is none.
double valOf(const QString &text);

} // namespace qav
