#include "common/db/amounttotals.h"

#include "common/amount/amount.h"
#include "common/db/database.h"
#include "common/db/server.h"
#include "common/db/sqlitehandle.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

namespace qav {
namespace {

const char kNotANumber[] = "amount not a number";
const char kOutOfRange[] = "amount sum out of range";

// The running sum of one column (zero when nothing was summed yet).
struct SumState {
    std::int64_t raw;
    qint64 rows;
    int overflow;
    int notANumber;

    void add(const char *text, qsizetype size, bool null)
    {
        ++rows;
        if (null)
            return;
        const auto value = Amount::parse(QByteArrayView(text, size));
        if (!value) {
            notANumber = 1;
            return;
        }
        if (overflow)
            return;
        const auto sum = Amount::add(Amount::fromRaw(raw), *value);
        if (!sum)
            overflow = 1;
        else
            raw = sum->raw();
    }
    // The failure's words, or null when the sum stands.
    const char *failure() const
    {
        return notANumber ? kNotANumber : overflow ? kOutOfRange : nullptr;
    }
};

bool isAmount(sqlite3_value *v)
{
    if (sqlite3_value_type(v) == SQLITE_NULL)
        return true;
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return Amount::parse(QByteArrayView(p, sqlite3_value_bytes(v))).has_value();
}

void fnIsAmount(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    sqlite3_result_int(ctx, isAmount(argv[0]) ? 1 : 0);
}

void amountSumStep(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *st = static_cast<SumState *>(sqlite3_aggregate_context(ctx, sizeof(SumState)));
    if (!st)
        return;
    const bool null = sqlite3_value_type(argv[0]) == SQLITE_NULL;
    const auto *p = null ? nullptr : reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    st->add(p, null ? 0 : sqlite3_value_bytes(argv[0]), null);
}

void amountSumFinal(sqlite3_context *ctx)
{
    auto *st = static_cast<SumState *>(sqlite3_aggregate_context(ctx, 0));
    if (!st || st->rows == 0) {
        sqlite3_result_null(ctx);
        return;
    }
    if (const char *why = st->failure()) {
        sqlite3_result_error(ctx, why, -1);
        return;
    }
    sqlite3_result_int64(ctx, st->raw);
}

} // namespace

bool registerAmountFunctions(sqlite3 *h)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return h
        && sqlite3_create_function(h, "amountsum", 1, flags, nullptr, nullptr, amountSumStep,
                                   amountSumFinal) == SQLITE_OK
        && sqlite3_create_function(h, "isamount", 1, flags, nullptr, fnIsAmount, nullptr,
                                   nullptr) == SQLITE_OK;
}

std::optional<AmountTotals> amountTotals(Database &db, const QString &table,
                                         const QStringList &columns, DbError *error)
{
    AmountTotals totals;
    if (db.engine() == Engine::SQLite) {
        registerAmountFunctions(qav::sqliteHandle(db.handle()));
        QStringList sums;
        for (const QString &c : columns)
            sums << QStringLiteral("amountsum(%1)").arg(c);
        QSqlQuery q(db.handle());
        if (!db.select(&q, QStringLiteral("SELECT count(*), %1 FROM %2").arg(sums.join(u','), table))
            || !q.next()) {
            *error = db.lastError().isError() ? db.lastError()
                                              : DbError{ErrEngine, dbErrorText(ErrEngine)};
            return std::nullopt;
        }
        totals.rows = q.value(0).toLongLong();
        for (int i = 0; i < columns.size(); ++i)
            totals.sums << (q.value(i + 1).isNull() ? std::nullopt
                                                     : std::optional<std::int64_t>(q.value(i + 1).toLongLong()));
        return totals;
    }
    QList<SumState> states(columns.size(), SumState{0, 0, 0, 0});
    const bool read = readServerRows(
        db.handle(), QStringLiteral("SELECT %1 FROM %2").arg(columns.join(u','), table), {},
        db.fileName(),
        [&](const ServerRow &row) {
            ++totals.rows;
            for (int i = 0; i < states.size(); ++i)
                states[i].add(row.value(i), row.size(i), row.isNull(i));
        },
        error);
    if (!read)
        return std::nullopt;
    for (const SumState &st : std::as_const(states)) {
        if (const char *why = st.failure()) {
            *error = DbError{ErrEngine, engineErrorText(1, QString::fromLatin1(why))};
            return std::nullopt;
        }
        totals.sums << (st.rows == 0 ? std::nullopt : std::optional<std::int64_t>(st.raw));
    }
    return totals;
}

} // namespace qav
