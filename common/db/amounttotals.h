#pragma once
// Exact sums of amounts held as text, on either engine.
//
//   registerAmountFunctions()  amountsum(text) and isamount(text) on a SQLite connection:
//                              the exact sum in ten-thousandths of an Amount (NULL when no
//                              row was summed, NULLs left out), and 1 when a value is NULL
//                              or an amount. A text that is not an amount, or a sum that
//                              leaves the range of an Amount at any row, fails the
//                              statement ("amount not a number" wins over "amount sum out
//                              of range"): no wrong sum is ever given.
//   amountTotals()             the number of rows of a table and the amountsum() of each of
//                              the columns named: in the file by the engine; on a server
//                              the values are read and summed here by the same code (the
//                              server's own amountsum runs row by row, many times slower).
//                              The failures have the same number and words on both.
//
// Errors: amountTotals() returns no value and says why in `error`.

#include "common/db/dberror.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

struct sqlite3;

namespace qav {

class Database;

bool registerAmountFunctions(sqlite3 *connection);

struct AmountTotals {
    qint64 rows = 0;
    // For each column, the sum in ten-thousandths; no value when there was no row.
    QList<std::optional<std::int64_t>> sums;
};

std::optional<AmountTotals> amountTotals(Database &db, const QString &table,
                                         const QStringList &columns, DbError *error);

} // namespace qav
