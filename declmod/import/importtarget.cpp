#include "declmod/import/importtarget.h"

#include "declmod/declaration/recoveryfile.h"

#include "common/db/sqlitehandle.h"
#include "common/text/textfile.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <sqlite3.h>

namespace declmod {
namespace {

// A field as UTF-8: ASCII as it stands, anything else converted from the file's code page
// into `scratch`.
QByteArrayView utf8Field(QByteArrayView bytes, QByteArray *scratch)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            *scratch = qav::decodeCp1252(bytes).toUtf8();
            return *scratch;
        }
    }
    return bytes;
}

// The key as the working table compares it: without regard to case.
QString foldedKey(const QString &type, const QString &series, const QString &month)
{
    return type.toCaseFolded() + u'\x1f' + series.toCaseFolded() + u'\x1f' + month.toCaseFolded();
}

QString batchInsert(int rows)
{
    return QStringLiteral("INSERT INTO tmpf7093des (tip_com, num_ser, per_tri, tot_ven, tot_gra) VALUES ")
        + QStringList(rows, QStringLiteral("(?, ?, ?, ?, ?)")).join(u',')
        + QStringLiteral(" ON CONFLICT DO NOTHING");
}

} // namespace

WorkingTableTarget::WorkingTableTarget(qav::Database &db, int chunk)
    : m_db(db)
    , m_chunk(chunk < 1 ? 1 : chunk)
{
}

WorkingTableTarget::~WorkingTableTarget()
{
    finish();
    if (m_insert)
        sqlite3_finalize(m_insert);
}

ImportTarget::Result WorkingTableTarget::failed(const qav::DbError &error)
{
    m_error = error;
    return Result::Failed;
}

qav::DbError WorkingTableTarget::engineError(int code) const
{
    const QString text = m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle))
                                  : qav::dbErrorText(qav::ErrNotOpen);
    return qav::fromSqlError(QSqlError(QString(), text, QSqlError::StatementError,
                                       QString::number(code)));
}

bool WorkingTableTarget::begin()
{
    if (!m_insert && !m_statement.isValid()) {
        if (!m_db.isOpen()) {
            m_error = {qav::ErrNotOpen, qav::dbErrorText(qav::ErrNotOpen)};
            return false;
        }
        sqlite3 *const connection = qav::sqliteHandle(m_db.handle());
        if (!connection) {
            // A repeated key is skipped (no row changed) instead of failing the statement,
            // which on a server would spoil the transaction.
            m_statement = m_db.prepare(batchInsert(kBatchRows));
            if (!m_statement.isValid()) {
                m_error = m_db.lastError();
                return false;
            }
            const QList<QSqlRecord> keys =
                m_db.rows(QStringLiteral("SELECT tip_com, num_ser, per_tri FROM tmpf7093des"));
            if (m_db.lastError().isError()) {
                m_error = m_db.lastError();
                return false;
            }
            for (const QSqlRecord &k : keys)
                m_keys.insert(foldedKey(k.value(0).toString(), k.value(1).toString(), k.value(2).toString()));
            m_layerPath = true;
        } else {
            m_handle = connection;
            static const char sql[] = "INSERT INTO tmpf7093des (tip_com, num_ser, per_tri, tot_ven, "
                                      "tot_gra) VALUES (?, ?, ?, ?, ?)";
            const int rc = sqlite3_prepare_v2(m_handle, sql, int(sizeof sql - 1), &m_insert, nullptr);
            if (rc != SQLITE_OK) {
                m_error = engineError(rc);
                m_insert = nullptr;
                return false;
            }
        }
    }
    m_kept = RecoveryFile::keeping(m_db);
    if (m_kept)
        m_kept->beginBatch();
    // Only the session's own working table is written: no other program waits for it.
    m_transaction = std::make_unique<qav::Transaction>(m_db, qav::Transaction::SessionOnly);
    if (!m_transaction->isActive()) {
        m_error = m_db.lastError();
        m_transaction.reset();
        if (m_kept)
            m_kept->endBatch(false);
        m_kept = nullptr;
        return false;
    }
    m_pending = 0;
    return true;
}

bool WorkingTableTarget::flushBatch(bool fromAdd)
{
    if (m_batchRows == 0)
        return true;
    static const QStringList columns{QStringLiteral("tip_com"), QStringLiteral("num_ser"),
                                     QStringLiteral("per_tri"), QStringLiteral("tot_ven"),
                                     QStringLiteral("tot_gra")};
    const int sent = m_batchRows;
    int added = 0;
    bool ok = m_db.insertRows(QStringLiteral("tmpf7093des"), columns, m_batch);
    if (ok) {
        added = m_db.rowsAffected();
    } else if (m_db.lastError().number == qav::ErrDuplicateKey) {
        // The server took as one key what the folding here did not (letters beyond those
        // case folding knows): the rows go again, a repeated key skipped, to learn which
        // were stored.
        ok = true;
        const qsizetype part = qsizetype(kBatchRows) * columns.size();
        for (qsizetype at = 0; ok && at < m_batch.size(); at += part) {
            const QVariantList values = m_batch.mid(at, part);
            if (values.size() == part) {
                ok = m_statement.run(values);
                added += ok ? m_statement.rowsAffected() : 0;
            } else {
                ok = m_db.execute(batchInsert(int(values.size() / columns.size())), values);
                added += ok ? m_db.rowsAffected() : 0;
            }
        }
    }
    // A failed add() is taken back by the run itself: it is not counted as lost here.
    const int current = fromAdd ? 1 : 0;
    m_batch.clear();
    m_batchRows = 0;
    if (!ok) {
        // What was not stored is lost; the run says so.
        m_error = m_db.lastError();
        m_lost += sent - added - current;
        m_pending -= sent - added;
        return false;
    }
    if (added < sent) {
        m_lost += sent - added - current;
        m_pending -= sent - added;
        m_error = {qav::ErrDuplicateKey, qav::dbErrorText(qav::ErrDuplicateKey)};
        return false;
    }
    return true;
}

bool WorkingTableTarget::commit()
{
    if (!m_transaction)
        return true;
    bool ok;
    if (!flushBatch(false)) {
        // What the transaction holds is still committed: it was answered as added. The
        // kept copy of the batch is not, as it may name records the table did not take.
        const qav::DbError failure = m_error;
        if (m_transaction->commit())
            m_error = failure;
        else
            m_lost += m_pending;
        ok = false;
    } else {
        ok = m_transaction->commit();
        if (!ok) {
            m_error = m_db.lastError();
            m_lost += m_pending;
        }
    }
    m_transaction.reset();
    if (m_kept)
        m_kept->endBatch(ok);
    m_kept = nullptr;
    m_pending = 0;
    return ok;
}

ImportTarget::Result WorkingTableTarget::add(const ImportRecord &record)
{
    if (!m_transaction && !begin())
        return Result::Failed;
    QByteArray scratch[5];
    const QByteArrayView fields[5] = {utf8Field(record.tip_com.view(), &scratch[0]),
                                      utf8Field(record.num_ser.view(), &scratch[1]),
                                      utf8Field(record.per_tri.view(), &scratch[2]),
                                      utf8Field(record.tot_ven.view(), &scratch[3]),
                                      utf8Field(record.tot_gra.view(), &scratch[4])};
    if (m_layerPath) {
        const QString type = QString::fromUtf8(fields[0]);
        const QString series = QString::fromUtf8(fields[1]);
        const QString month = QString::fromUtf8(fields[2]);
        const QString key = foldedKey(type, series, month);
        if (m_keys.contains(key))
            return Result::Duplicate;
        m_keys.insert(key);
        m_batch << type << series << month << QString::fromUtf8(fields[3])
                << QString::fromUtf8(fields[4]);
        ++m_batchRows;
        ++m_pending;
        if (m_kept)
            m_kept->addToBatch(fields);
        if (m_pending >= m_chunk && !flushBatch(true))
            return Result::Failed;
        if (m_pending >= m_chunk && !commit())
            return Result::Failed;
        return Result::Added;
    }
    int rc = SQLITE_OK;
    for (int i = 0; i < 5 && rc == SQLITE_OK; ++i)
        rc = sqlite3_bind_text(m_insert, i + 1, fields[i].data(), int(fields[i].size()),
                               SQLITE_STATIC);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(m_insert);
    const qav::DbError error = rc == SQLITE_DONE ? qav::DbError() : engineError(rc);
    // Reset at once, so the statement never keeps the transaction busy.
    sqlite3_reset(m_insert);
    sqlite3_clear_bindings(m_insert);
    if (error.isError())
        return error.number == qav::ErrDuplicateKey ? Result::Duplicate : failed(error);
    if (m_kept)
        m_kept->addToBatch(fields);
    if (++m_pending >= m_chunk && !commit())
        return Result::Failed;
    return Result::Added;
}

bool WorkingTableTarget::finish()
{
    const bool ok = commit();
    if (RecoveryFile *kept = RecoveryFile::keeping(m_db))
        kept->endBatches();
    return ok;
}

} // namespace declmod
