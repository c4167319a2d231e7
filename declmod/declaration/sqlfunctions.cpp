#include "declmod/declaration/sqlfunctions.h"

#include "declmod/declaration/numerocontrol.h"

#include "common/amount/amount.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <QVariantList>

#include <sqlite3.h>

namespace declmod {
namespace {

QVariant toVariant(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_value_int64(v)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_value_double(v));
    case SQLITE_NULL:
        return QVariant();
    default: {
        const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
        return QVariant(p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString());
    }
    }
}

void fnNumeroControl(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (argc < 1) {
        sqlite3_result_error(ctx, "numerocontrol needs k", -1);
        return;
    }
    const int k = sqlite3_value_int(argv[0]);
    QVariantList fields;
    fields.reserve(argc);
    for (int i = 1; i < argc; ++i)
        fields.append(toVariant(argv[i]));
    fields.append(QVariant()); // the control value's own field, left out of the sums
    const QByteArray text = NumeroControl(fields, k).toLatin1();
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

struct SumState {
    std::int64_t raw;
    int rows;
    int overflow;
};

void amountSumStep(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *st = static_cast<SumState *>(sqlite3_aggregate_context(ctx, sizeof(SumState)));
    if (!st)
        return;
    ++st->rows;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const int n = sqlite3_value_bytes(argv[0]);
    const auto value = qav::Amount::parse(QByteArrayView(p, n));
    if (!value)
        return;
    const auto sum = qav::Amount::add(qav::Amount::fromRaw(st->raw), *value);
    if (!sum)
        st->overflow = 1;
    else
        st->raw = sum->raw();
}

void amountSumFinal(sqlite3_context *ctx)
{
    auto *st = static_cast<SumState *>(sqlite3_aggregate_context(ctx, 0));
    if (!st || st->rows == 0) {
        sqlite3_result_null(ctx);
        return;
    }
    if (st->overflow) {
        sqlite3_result_error(ctx, "amount sum out of range", -1);
        return;
    }
    sqlite3_result_int64(ctx, st->raw);
}

} // namespace

bool registerDeclarationFunctions(const QSqlDatabase &db)
{
    if (!db.driver())
        return false;
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return false;
    auto *h = *static_cast<sqlite3 *const *>(v.data());
    if (!h)
        return false;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(h, "numerocontrol", -1, flags, nullptr, fnNumeroControl,
                                   nullptr, nullptr) == SQLITE_OK
        && sqlite3_create_function(h, "amountsum", 1, flags, nullptr, nullptr, amountSumStep,
                                   amountSumFinal) == SQLITE_OK;
}

} // namespace declmod
