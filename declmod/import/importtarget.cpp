#include "declmod/import/importtarget.h"

#include "declmod/declaration/recoveryfile.h"

#include "common/text/textfile.h"

#include <QSqlDriver>
#include <QSqlError>

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
    if (!m_insert) {
        const QVariant v = m_db.handle().driver() ? m_db.handle().driver()->handle() : QVariant();
        if (!m_db.isOpen() || !v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0) {
            m_error = {qav::ErrNotOpen, qav::dbErrorText(qav::ErrNotOpen)};
            return false;
        }
        m_handle = *static_cast<sqlite3 *const *>(v.data());
        static const char sql[] = "INSERT INTO tmpf7093des (tip_com, num_ser, per_tri, tot_ven, "
                                  "tot_gra) VALUES (?, ?, ?, ?, ?)";
        const int rc = sqlite3_prepare_v2(m_handle, sql, int(sizeof sql - 1), &m_insert, nullptr);
        if (rc != SQLITE_OK) {
            m_error = engineError(rc);
            m_insert = nullptr;
            return false;
        }
    }
    m_kept = RecoveryFile::keeping(m_db);
    if (m_kept)
        m_kept->beginBatch();
    m_transaction = std::make_unique<qav::Transaction>(m_db);
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

bool WorkingTableTarget::commit()
{
    if (!m_transaction)
        return true;
    const bool ok = m_transaction->commit();
    if (!ok) {
        m_error = m_db.lastError();
        m_lost += m_pending;
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
