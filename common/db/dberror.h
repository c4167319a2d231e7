#pragma once
// Database error numbers. The programs react to a few failures by number, so the database
// layer turns every engine failure into one of these numbers and a Spanish text.

#include <QString>

class QSqlError;

namespace qav {

enum DbErrorNumber : int {
    ErrNone = 0,
    ErrTableExists = 3010,      // CREATE TABLE of an existing table
    ErrDuplicateKey = 3022,     // a row would repeat a unique key
    ErrFileNotFound = 3024,     // the database file does not exist
    ErrNoWorkgroup = 3028,      // the workgroup file is missing or unreadable
    ErrBadAccount = 3029,       // account or password refused by the workgroup file
    ErrReadOnly = 3027,         // the file may not be written (no write permission)
    ErrLocked = 3051,           // the file is locked or busy
    ErrUnknownColumn = 3061,    // a name in a statement is not a column
    ErrNoSuchTable = 3078,      // the statement names a table that does not exist
    ErrPrimaryKeyExists = 3283, // the primary key (unique index PK_x) already exists
    ErrNotADatabase = 3343,     // the file is not a database
    ErrNotOpen = 9000,          // no database is open
    ErrEngine = 9001,           // any other failure of the engine
};

struct DbError {
    int number = ErrNone;
    QString text;
    bool isError() const { return number != ErrNone; }
};

// The standard text of a number; `detail` is the object named in it (a table, a file) or,
// for ErrEngine, the engine's own text.
QString dbErrorText(int number, const QString &detail = QString());

// The Spanish text of an engine failure that has no number of its own: its cause when the
// engine's result code or message names a known one, else the code and the engine's words.
QString engineErrorText(int engineCode, const QString &engineText);

// Classifies an engine error.
DbError fromSqlError(const QSqlError &error);

} // namespace qav
