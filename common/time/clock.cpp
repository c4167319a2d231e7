#include "common/time/clock.h"

namespace qav {
namespace {
QDateTime &fixed()
{
    static QDateTime value;
    return value;
}
} // namespace

QDateTime now()
{
    return fixed().isValid() ? fixed() : QDateTime::currentDateTime();
}

QDate today()
{
    return now().date();
}

void setFixedNow(const QDateTime &when)
{
    fixed() = when;
}

} // namespace qav
