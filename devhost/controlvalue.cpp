#include "devhost/controlvalue.h"

#include "common/text/textfile.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

namespace devhost {
namespace {

QString fieldText(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return QString();
    switch (v.typeId()) {
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyyMMdd"));
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyyMMdd"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString().trimmed();
    }
}

double numericValue(const QString &text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0.0;
}

QString lastThree(long long sum)
{
    // Twenty digits with leading zeros, of which the last three are kept.
    return QStringLiteral("%1").arg(qAbs(sum), 20, 10, QLatin1Char('0')).right(3);
}

} // namespace

QString controlValue(const QVariantList &fields, int k)
{
    const int n = int(fields.size());
    double s1 = 0;
    for (int i = 0; i < k && i < n; ++i)
        s1 += numericValue(fieldText(fields[i]));
    long long s2 = 0;
    for (int f = k; f <= n - 2; ++f) {
        const QString text = fieldText(fields[f]);
        for (int i = 0; i < text.size(); ++i)
            s2 += static_cast<long long>(qav::cp1252Code(text[i])) * (i + 1);
    }
    return lastThree(std::llround(s1)) + lastThree(s2);
}

} // namespace devhost
