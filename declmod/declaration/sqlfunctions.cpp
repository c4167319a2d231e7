#include "declmod/declaration/sqlfunctions.h"

#include "declmod/declaration/numerocontrol.h"

#include "common/amount/amount.h"
#include "common/db/amounttotals.h"
#include "common/db/rowdigest.h"
#include "common/db/sqlitehandle.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QHashFunctions>
#include <QVariant>
#include <QVariantList>
#include <QVarLengthArray>

#include "common/text/trim.h"

#include <algorithm>

#include <sqlite3.h>

namespace declmod {
namespace {

// The text a value takes in the control value (as controlFieldText gives it for the value
// read back from the row), decoded into `buffer` without allocating for plain ASCII.
QStringView fieldText(sqlite3_value *v, QVarLengthArray<char16_t, 64> &buffer, QString &wide)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        wide = QString::number(qlonglong(sqlite3_value_int64(v)));
        return wide;
    case SQLITE_FLOAT:
        wide = controlFieldText(QVariant(sqlite3_value_double(v)));
        return wide;
    default: {
        const auto *p = reinterpret_cast<const unsigned char *>(sqlite3_value_text(v));
        const int n = sqlite3_value_bytes(v);
        buffer.resize(n);
        for (int i = 0; i < n; ++i) {
            if (p[i] >= 0x80) { // not ASCII: the general path
                wide = controlFieldText(
                    QVariant(QString::fromUtf8(reinterpret_cast<const char *>(p), n)));
                return wide;
            }
            buffer[i] = p[i];
        }
        return qav::trimSpaces(QStringView(buffer.constData(), n));
    }
    }
}

void fnNumeroControl(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (argc < 1) {
        sqlite3_result_error(ctx, "numerocontrol needs k", -1);
        return;
    }
    // The values given are fields 0 to argc - 2 of the row; the row's last field, the
    // control value itself, follows them and is left out of both sums.
    const int k = std::max(0, sqlite3_value_int(argv[0]));
    ControlValueSums sums;
    QVarLengthArray<char16_t, 64> buffer;
    QString wide;
    for (int i = 1; i < argc; ++i) {
        const QStringView text = fieldText(argv[i], buffer, wide);
        if (i - 1 < k)
            sums.addNumeric(text);
        else
            sums.addText(text);
    }
    const QByteArray text = sums.result().toLatin1();
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

} // namespace

bool registerDeclarationFunctions(const QSqlDatabase &db)
{
    sqlite3 *h = qav::sqliteHandle(db);
    if (!h)
        return false;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(h, "numerocontrol", -1, flags, nullptr, fnNumeroControl,
                                   nullptr, nullptr) == SQLITE_OK
        && qav::registerAmountFunctions(h)
        && qav::registerRowDigest(h);
}

} // namespace declmod
