#pragma once
// The one source of the current date and time. Tests fix it with setFixedNow().

#include <QDateTime>

namespace qav {

QDateTime now();
QDate today();
// Fixes the clock at `when`; an invalid QDateTime releases it again.
void setFixedNow(const QDateTime &when);

} // namespace qav
