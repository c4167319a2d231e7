#include "common/db/rowdigest.h"

#include "common/db/database.h"
#include "common/db/server.h"
#include "common/db/sqlitehandle.h"

#include <QHashFunctions>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

namespace qav {

void RowDigest::appendValue(QVarLengthArray<char, 128> *row, QByteArrayView text)
{
    row->append('\1');
    row->append(text.constData(), text.size());
    row->append('\x1f');
}

void RowDigest::appendNull(QVarLengthArray<char, 128> *row)
{
    row->append('\0');
    row->append('\x1f');
}

void RowDigest::addRow(Sums *sums, QByteArrayView row)
{
    ++sums->count;
    sums->sum1 += quint64(qHashBits(row.constData(), size_t(row.size()), 0x5bd1e995u));
    sums->sum2 += quint64(qHashBits(row.constData(), size_t(row.size()), 0x27d4eb2fu));
}

QByteArray RowDigest::text(const Sums &sums)
{
    QByteArray out;
    if (sums.count == 0)
        return out;
    for (quint64 n : {sums.count, sums.sum1, sums.sum2})
        out += QByteArray::number(n, 16) + ':';
    return out;
}

void RowDigest::addValue(QByteArrayView text)
{
    appendValue(&m_row, text);
}

void RowDigest::addNull()
{
    appendNull(&m_row);
}

void RowDigest::endRow()
{
    addRow(&m_sums, QByteArrayView(m_row.constData(), m_row.size()));
    m_row.clear();
}

QByteArray RowDigest::text() const
{
    return text(m_sums);
}

namespace {

void rowDigestStep(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    auto *sums = static_cast<RowDigest::Sums *>(
        sqlite3_aggregate_context(ctx, sizeof(RowDigest::Sums)));
    if (!sums)
        return;
    QVarLengthArray<char, 128> row;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            RowDigest::appendNull(&row);
        } else {
            const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(argv[i]));
            RowDigest::appendValue(&row, QByteArrayView(p, sqlite3_value_bytes(argv[i])));
        }
    }
    RowDigest::addRow(sums, QByteArrayView(row.constData(), row.size()));
}

void rowDigestFinal(sqlite3_context *ctx)
{
    auto *sums = static_cast<RowDigest::Sums *>(sqlite3_aggregate_context(ctx, 0));
    if (!sums || sums->count == 0) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray text = RowDigest::text(*sums);
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

} // namespace

bool registerRowDigest(sqlite3 *connection)
{
    return connection
        && sqlite3_create_function(connection, "rowdigest", -1,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr,
                                   rowDigestStep, rowDigestFinal) == SQLITE_OK;
}

std::optional<QVariant> rowDigest(Database &db, const QString &values, const QString &source,
                                  const QVariantList &params, DbError *error)
{
    DbError failure;
    auto failed = [&](const DbError &e) {
        if (error)
            *error = e.isError() ? e : DbError{ErrEngine, dbErrorText(ErrEngine)};
        return std::nullopt;
    };
    QSqlQuery q(db.handle());
    q.setForwardOnly(true);
    if (db.engine() == Engine::SQLite) {
        registerRowDigest(qav::sqliteHandle(db.handle()));
        if (!db.select(&q, QStringLiteral("SELECT rowdigest(") + values + QStringLiteral(") FROM ")
                               + source,
                       params)
            || !q.next())
            return failed(db.lastError());
        return q.value(0);
    }
    // The server hands the rows over (as its texts, straight from the connection) and the
    // program folds them: the digest is the program's own hash, which no function of the
    // server computes.
    RowDigest digest;
    bool any = false;
    const bool read = readServerRows(
        db.handle(), QStringLiteral("SELECT ") + values + QStringLiteral(" FROM ") + source, params,
        db.fileName(),
        [&](const ServerRow &row) {
            any = true;
            for (int i = 0; i < row.count(); ++i) {
                if (row.isNull(i))
                    digest.addNull();
                else
                    digest.addValue(QByteArrayView(row.value(i), row.size(i)));
            }
            digest.endRow();
        },
        &failure);
    if (!read)
        return failed(failure);
    if (!any)
        return QVariant();
    return QVariant(QString::fromLatin1(digest.text()));
}

} // namespace qav
