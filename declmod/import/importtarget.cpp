#include "declmod/import/importtarget.h"

#include "common/text/textfile.h"

#include <QSqlError>

namespace declmod {
namespace {

// The fields are ASCII in every accepted record but the series, which may hold letters of
// the code page.
QString fieldText(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return qav::decodeCp1252(bytes);
    return QString::fromLatin1(bytes);
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
}

ImportTarget::Result WorkingTableTarget::failed(const qav::DbError &error)
{
    m_error = error;
    return Result::Failed;
}

bool WorkingTableTarget::begin()
{
    if (!m_prepared) {
        m_insert = QSqlQuery(m_db.handle());
        if (!m_insert.prepare(QStringLiteral("INSERT INTO tmpf7093des "
                                             "(tip_com, num_ser, per_tri, tot_ven, tot_gra) "
                                             "VALUES (?, ?, ?, ?, ?)"))) {
            m_error = qav::fromSqlError(m_insert.lastError());
            return false;
        }
        m_prepared = true;
    }
    m_transaction = std::make_unique<qav::Transaction>(m_db);
    if (!m_transaction->isActive()) {
        m_error = m_db.lastError();
        m_transaction.reset();
        return false;
    }
    m_pending = 0;
    return true;
}

bool WorkingTableTarget::commit()
{
    if (!m_transaction)
        return true;
    // The statement must not hold the transaction open.
    m_insert.finish();
    const bool ok = m_transaction->commit();
    if (!ok) {
        m_error = m_db.lastError();
        m_lost += m_pending;
    }
    m_transaction.reset();
    m_pending = 0;
    return ok;
}

ImportTarget::Result WorkingTableTarget::add(const ImportRecord &record)
{
    if (!m_transaction && !begin())
        return Result::Failed;
    m_insert.bindValue(0, fieldText(record.tip_com.view()));
    m_insert.bindValue(1, fieldText(record.num_ser.view()));
    m_insert.bindValue(2, fieldText(record.per_tri.view()));
    m_insert.bindValue(3, fieldText(record.tot_ven.view()));
    m_insert.bindValue(4, fieldText(record.tot_gra.view()));
    if (!m_insert.exec()) {
        const qav::DbError e = qav::fromSqlError(m_insert.lastError());
        if (e.number == qav::ErrDuplicateKey)
            return Result::Duplicate;
        return failed(e);
    }
    if (++m_pending >= m_chunk && !commit())
        return Result::Failed;
    return Result::Added;
}

bool WorkingTableTarget::finish()
{
    return commit();
}

} // namespace declmod
