#pragma once
// Where the transfer run puts the records of accepted lines.
//
// ImportTarget is what the run needs of the working table: add one record, learn whether
// the table already held its type, series and month, and keep what was added. The run owns
// no database of its own; the declaration's working table supplies the target.
//
// WorkingTableTarget writes into the session's working table `tmpf7093des` through one
// prepared statement of the engine with bound values (on the embedded file the record's
// bytes are bound as they are, converted only when they hold letters beyond ASCII; on a
// server through the database layer, the rows of a chunk in one statement (insertRows), a
// repeated key answered at once from the keys the table holds, compared without regard
// to case as the table's collation does; a key the server still finds repeated sends the
// chunk again in statements that skip it, so the records not stored are known and
// reported), inside write transactions
// committed every `chunk` records, so that a long run neither holds the file's write lock
// for long nor commits row by row. Records added before a failure or a stop stay once
// finish() has committed them. When a RecoveryFile keeps the working table, each batch is
// written to it as well, committed there only once the table has committed it.
//
// Errors: add() answers Failed and finish() false with the database's failure in error().

#include "declmod/import/importline.h"

#include "common/db/database.h"

#include <QSet>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace declmod {

class RecoveryFile;

class ImportTarget
{
public:
    enum class Result { Added, Duplicate, Failed };
    virtual ~ImportTarget() = default;
    virtual Result add(const ImportRecord &record) = 0;
    // Commits what has been added; called once when a run ends, however it ends.
    virtual bool finish() = 0;
    virtual qav::DbError error() const = 0;
    // Records answered Added that a failed commit has taken back since.
    virtual qint64 lost() const = 0;
};

class WorkingTableTarget : public ImportTarget
{
public:
    explicit WorkingTableTarget(qav::Database &db, int chunk = 5000);
    ~WorkingTableTarget() override;

    Result add(const ImportRecord &record) override;
    bool finish() override;
    qav::DbError error() const override { return m_error; }
    qint64 lost() const override { return m_lost; }

private:
    bool begin();
    bool commit();
    Result failed(const qav::DbError &error);
    qav::DbError engineError(int code) const;

    qav::Database &m_db;
    const int m_chunk;
    std::unique_ptr<qav::Transaction> m_transaction;
    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_insert = nullptr;
    RecoveryFile *m_kept = nullptr; // during a batch
    // Where the engine's own handle is not SQLite's: the layer's statements, the rows of a
    // chunk at once (kBatchRows at a time when a repeated key must be skipped).
    static constexpr int kBatchRows = 500;
    bool flushBatch(bool fromAdd);
    qav::PreparedStatement m_statement; // kBatchRows rows, a repeated key skipped
    bool m_layerPath = false;
    QSet<QString> m_keys;               // the working table's keys, folded
    QVariantList m_batch;
    int m_batchRows = 0;
    int m_pending = 0;
    qint64 m_lost = 0;
    qav::DbError m_error;
};

} // namespace declmod
