#include "declmod/declaration/numerocontrol.h"

#include "common/amount/amount.h"
#include "common/text/textfile.h"
#include "common/text/trim.h"

#include <QDate>
#include <QDateTime>

#include <cmath>
#include <optional>

namespace declmod {
namespace {

// A plain decimal number (optional sign, digits, at most one point) of up to 30 integer
// digits, read exactly in ten-thousandths; deeper decimals are cut, which cannot change
// the rounding to whole units. A series of type 12 or 99 may hold 15 digits, beyond the
// range of the currency form.
std::optional<__int128> plainDecimal(QStringView text)
{
    text = qav::trimSpaces(text);
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    __int128 whole = 0;
    __int128 fraction = 0;
    int integerDigits = 0;
    int fractionDigits = 0;
    bool point = false;
    for (const QChar c : text) {
        if (c == u'.' && !point) {
            point = true;
        } else if (c.isDigit() && c.unicode() < 128) {
            const int d = c.unicode() - '0';
            if (!point) {
                if (++integerDigits > 30)
                    return std::nullopt;
                whole = whole * 10 + d;
            } else if (fractionDigits < 4) {
                fraction = fraction * 10 + d;
                ++fractionDigits;
            }
        } else {
            return std::nullopt;
        }
    }
    if (integerDigits + fractionDigits == 0)
        return std::nullopt;
    for (int i = fractionDigits; i < 4; ++i)
        fraction *= 10;
    const __int128 value = whole * qav::Amount::Scale + fraction;
    return negative ? -value : value;
}

// The numeric value of a text in ten-thousandths; 0 when it is not a number. Other
// numbers (exponents, very long ones) go through floating point; only the last three
// whole digits of the sum count, so each is reduced by a multiple of 1000 first.
__int128 numericValue(const QString &text)
{
    if (const auto a = qav::Amount::parse(QStringView(text)))
        return a->raw();
    if (const auto exact = plainDecimal(QStringView(text)))
        return *exact;
    bool ok = false;
    const double d = qav::trimSpaces(text).toString().toDouble(&ok);
    if (!ok || !std::isfinite(d))
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
