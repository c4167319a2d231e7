#pragma once
// The texts the declaration form shows for voucher records and their totals: month names,
// grid amounts (a negative one as its absolute value in parentheses), the two totals and
// the record count. Pure functions; nothing fails.

#include "common/amount/amount.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace declmod {

// "Enero" ... "Diciembre" ("Setiembre" for September).
const QStringList &monthNames();
// The name of a two-digit month code "01" to "12"; any other text comes back unchanged,
// as a translation list shows a value it does not know.
QString monthName(const QString &code);

// An amount of the grid: "###,###,##0.#0", or its absolute value in "(##,###,##0.#0)" when
// negative. A text that is not an amount is shown as it stands.
QString gridAmountText(const QString &stored);

// A total under the grid: "###,###,###,###,##0.#0", empty when there is none.
QString totalText(const std::optional<qav::Amount> &total);

// The record count: "###,###,##0" followed by "  Registros".
QString countText(qint64 count);

} // namespace declmod
