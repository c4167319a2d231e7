#include "declmod/declaration/numerocontrol.h"

#include "common/amount/amount.h"
#include "common/text/textfile.h"
#include "common/text/trim.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

namespace declmod {
namespace {

// The numeric value of a text in ten-thousandths; 0 when it is not a number. Numbers too
// large for the exact form are taken through floating point, keeping their low digits.
__int128 numericValue(const QString &text)
{
    if (const auto a = qav::Amount::parse(QStringView(text)))
        return a->raw();
    bool ok = false;
    const double d = qav::trimSpaces(text).toString().toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return 0;
    const double low = std::fmod(d, 1e15);
    return static_cast<__int128>(std::llround(low * 1e4));
}

QString lastThreeDigits(unsigned long long value)
{
    return QString::number(value % 1000).rightJustified(3, u'0');
}

} // namespace

QString controlFieldText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return qav::trimSpaces(value.toString()).toString();
    case QMetaType::QByteArray:
        return qav::trimSpaces(qav::decodeCp1252(value.toByteArray())).toString();
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return QString::number(value.toULongLong());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar: // a byte column: its number, not a character
    case QMetaType::SChar:
    case QMetaType::Char:
    case QMetaType::Long:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyyMMdd"));
    case QMetaType::QDateTime:
        return value.toDateTime().date().toString(QStringLiteral("yyyyMMdd"));
    default:
        return QString();
    }
}

QString NumeroControl(const QVariantList &fields, int k)
{
    const qsizetype n = fields.size();
    if (k < 0)
        k = 0;
    __int128 s1 = 0;
    for (qsizetype i = 0; i < k && i < n; ++i)
        s1 += numericValue(controlFieldText(fields[i]));
    unsigned long long s2 = 0;
    for (qsizetype i = k; i <= n - 2; ++i) {
        const QString text = controlFieldText(fields[i]);
        for (qsizetype p = 0; p < text.size(); ++p)
            s2 += static_cast<unsigned long long>(qav::cp1252Code(text[p])) * (p + 1);
    }
    // The sum is shown as a whole number, rounded half away from zero; its sign does not
    // reach the last digits.
    const __int128 magnitude = s1 < 0 ? -s1 : s1;
    const __int128 units = (magnitude + qav::Amount::Scale / 2) / qav::Amount::Scale;
    return lastThreeDigits(static_cast<unsigned long long>(units % 1000)) + lastThreeDigits(s2);
}

} // namespace declmod
