#include "declmod/declaration/numerocontrol.h"

#include "common/amount/amount.h"
#include "common/amount/decimalscan.h"
#include "common/text/textfile.h"
#include "common/text/trim.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace declmod {
namespace {

// The numeric value of a text in ten-thousandths (decimals beyond the fourth rounded half
// away from zero, as amounts are); 0 when it is not a number. Numbers of up to 30 integer
// digits are exact: a series of type 12 or 99 may hold 15 digits, beyond the range of the
// currency form. Larger ones go through floating point; only the last three whole digits
// of the sum count, so each is reduced by a multiple of 1000 first.
__int128 numericValue(QStringView text)
{
    const qav::DecimalNumber number = qav::scanDecimal(
        text, qav::ScanWhole | qav::ScanBlanks | qav::ScanSign | qav::ScanGrouping
            | qav::ScanExponent);
    if (!number.isValid())
        return 0;
    __int128 limit = 1;
    for (int i = 0; i < 34; ++i)
        limit *= 10;
    if (const auto exact = number.scaledWide(qav::Amount::Decimals, qav::Rounding::HalfAwayFromZero);
        exact && *exact < limit && *exact > -limit)
        return *exact;
    const double d = number.toDouble();
    if (!std::isfinite(d))
        return 0;
    const double low = std::fmod(d, 1e12);
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

QVariant controlDateField(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return value;
    const QString text = value.toString().trimmed();
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})([T ]\\d{2}:\\d{2}(:\\d{2}(\\.\\d+)?)?(Z|[+-]\\d{2}:?\\d{2})?)?$"));
    static const QRegularExpression dmy(
        QStringLiteral("^(\\d{2})/(\\d{2})/(\\d{4})( \\d{2}:\\d{2}(:\\d{2})?)?$"));
    QDate date;
    if (const QRegularExpressionMatch m = iso.match(text); m.hasMatch())
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    else if (const QRegularExpressionMatch m = dmy.match(text); m.hasMatch())
        date = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    return date.isValid() ? QVariant(date) : value;
}

void ControlValueSums::addNumeric(QStringView text)
{
    m_s1 += numericValue(text);
}

void ControlValueSums::addText(QStringView text)
{
    for (qsizetype p = 0; p < text.size(); ++p)
        m_s2 += static_cast<unsigned long long>(qav::cp1252Code(text[p])) * (p + 1);
}

QString ControlValueSums::result() const
{
    // The sum is shown as a whole number, rounded half away from zero; its sign does not
    // reach the last digits.
    const __int128 magnitude = m_s1 < 0 ? -m_s1 : m_s1;
    const __int128 units = (magnitude + qav::Amount::Scale / 2) / qav::Amount::Scale;
    return lastThreeDigits(static_cast<unsigned long long>(units % 1000)) + lastThreeDigits(m_s2);
}

QString NumeroControl(const QVariantList &fields, int k)
{
    const qsizetype n = fields.size();
    if (k < 0)
        k = 0;
    ControlValueSums sums;
    for (qsizetype i = 0; i < k && i < n; ++i)
        sums.addNumeric(controlFieldText(fields[i]));
    for (qsizetype i = k; i <= n - 2; ++i)
        sums.addText(controlFieldText(fields[i]));
    return sums.result();
}

} // namespace declmod
