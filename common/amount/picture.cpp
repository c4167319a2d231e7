#include "common/amount/picture.h"

#include "common/amount/decimalscan.h"

#include <utility>

namespace qav {
namespace {

bool isPlace(QChar c) { return c == u'#' || c == u'0'; }

} // namespace

Picture::Picture(QStringView pattern)
{
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (isPlace(pattern[i])) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0) {
        m_prefix = pattern.toString();
        return;
    }
    m_hasPlaces = true;
    const qsizetype point = pattern.indexOf(u'.');
    m_prefix = pattern.left(first).toString();
    if (point >= 0 && point < first) {
        // ".##": no integer part at all.
        m_prefix = pattern.left(point).toString();
        m_hasPoint = true;
        m_decimal = pattern.mid(point + 1, last - point).toString();
    } else if (point >= 0 && point < last) {
        m_integer = pattern.mid(first, point - first).toString();
        m_hasPoint = true;
        m_decimal = pattern.mid(point + 1, last - point).toString();
    } else {
        m_integer = pattern.mid(first, last - first + 1).toString();
        m_hasPoint = point == last + 1;
    }
    m_suffix = pattern.mid(m_hasPoint && point == last + 1 ? last + 2 : last + 1).toString();

    m_grouped = m_integer.contains(u',');
    if (m_grouped) {
        // Literals other than "," inside a grouped integer part are shown in front of it.
        QString places;
        for (QChar c : std::as_const(m_integer)) {
            if (isPlace(c))
                places += c;
            else if (c != u',')
                m_prefix += c;
        }
        m_integer = places;
    }
    bool mandatory = false;
    for (QChar c : std::as_const(m_integer)) {
        mandatory = mandatory || c == u'0';
        if (mandatory && isPlace(c))
            ++m_minDigits;
    }
    for (QChar c : std::as_const(m_decimal)) {
        if (isPlace(c)) {
            ++m_decimalPlaces;
            if (c == u'0')
                m_minDecimals = m_decimalPlaces;
        }
    }
}

namespace {

constexpr int kPow10[] = {1, 10, 100, 1000, 10000};

// The digits of a whole number, without leading zeros (none for zero).
qsizetype unitDigits(std::uint64_t units, char *out)
{
    char reversed[24];
    qsizetype n = 0;
    for (std::uint64_t u = units; u != 0; u /= 10)
        reversed[n++] = char('0' + u % 10);
    for (qsizetype i = 0; i < n; ++i)
        out[i] = reversed[n - 1 - i];
    return n;
}

} // namespace

int Picture::keptDecimals() const
{
    return m_decimalPlaces < Amount::Decimals ? m_decimalPlaces : Amount::Decimals;
}

void Picture::renderAmount(bool negative, std::uint64_t units, int fraction, Buffer &out) const
{
    // Round the four decimals to the picture's places.
    const int kept = keptDecimals();
    const int step = kPow10[Amount::Decimals - kept];
    const int rest = fraction % step;
    fraction -= rest;
    if (rest * 2 >= step)
        fraction += step;
    if (fraction >= Amount::Scale) {
        fraction -= Amount::Scale;
        ++units;
    }
    char digits[24];
    const qsizetype n = unitDigits(units, digits);
    render(negative, QByteArrayView(digits, n), fraction / step, out);
}

void Picture::render(bool negative, QByteArrayView integerDigits, int fraction, Buffer &out) const
{
    out.clear();
    if (!m_hasPlaces) {
        for (QChar c : m_prefix)
            out.append(c.unicode());
        return;
    }

    // Decimal digits shown: the mandatory ones, and any up to the last non-zero digit.
    const int kept = keptDecimals();
    char16_t decimals[32];
    const int places = m_decimalPlaces < 32 ? m_decimalPlaces : 32;
    int shown = m_minDecimals < places ? m_minDecimals : places;
    {
        int scaled = fraction;
        for (int i = kept - 1; i >= 0; --i) {
            decimals[i] = char16_t(u'0' + scaled % 10);
            scaled /= 10;
        }
        for (int i = kept; i < places; ++i)
            decimals[i] = u'0';
        for (int i = kept - 1; i >= shown; --i) {
            if (decimals[i] != u'0') {
                shown = i + 1;
                break;
            }
        }
    }

    // Integer digits, padded to the mandatory count.
    QVarLengthArray<char16_t, 40> digits;
    for (qsizetype i = integerDigits.size(); i < m_minDigits; ++i)
        digits.append(u'0');
    for (char c : integerDigits)
        digits.append(char16_t(c));
    const qsizetype nDigits = digits.size();

    const bool zero = integerDigits.isEmpty() && fraction == 0;
    if (negative && !zero)
        out.append(u'-');
    for (QChar c : m_prefix)
        out.append(c.unicode());

    if (m_grouped) {
        for (qsizetype i = 0; i < nDigits; ++i) {
            if (i > 0 && (nDigits - i) % 3 == 0)
                out.append(u',');
            out.append(digits[i]);
        }
    } else {
        // Right to left over the integer part: each place takes the next digit; digits
        // left over when the places run out go in front of the leftmost place.
        QVarLengthArray<char16_t, 64> reversed;
        qsizetype next = nDigits - 1;
        qsizetype leftmostPlace = -1;
        for (qsizetype i = 0; i < m_integer.size(); ++i)
            if (isPlace(m_integer[i])) {
                leftmostPlace = i;
                break;
            }
        for (qsizetype i = m_integer.size() - 1; i >= 0; --i) {
            const QChar c = m_integer[i];
            if (!isPlace(c)) {
                reversed.append(c.unicode());
                continue;
            }
            if (next >= 0)
                reversed.append(digits[next--]);
            if (i == leftmostPlace)
                while (next >= 0)
                    reversed.append(digits[next--]);
        }
        for (qsizetype i = reversed.size() - 1; i >= 0; --i)
            out.append(reversed[i]);
    }

    if (m_hasPoint)
        out.append(u'.');
    int place = 0;
    for (QChar c : m_decimal) {
        if (!isPlace(c)) {
            out.append(c.unicode());
            continue;
        }
        if (place < shown)
            out.append(decimals[place]);
        ++place;
    }
    for (QChar c : m_suffix)
        out.append(c.unicode());
}

QString Picture::format(Amount value) const
{
    const std::int64_t magnitude = value.abs().raw();
    Buffer out;
    renderAmount(value.isNegative(), static_cast<std::uint64_t>(magnitude / Amount::Scale),
                 static_cast<int>(magnitude % Amount::Scale), out);
    return QString(reinterpret_cast<const QChar *>(out.constData()), out.size());
}

QString Picture::format(std::int64_t value) const
{
    const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                              : static_cast<std::uint64_t>(value);
    Buffer out;
    renderAmount(value < 0, magnitude, 0, out);
    return QString(reinterpret_cast<const QChar *>(out.constData()), out.size());
}

QString Picture::format(const DecimalNumber &value) const
{
    // Rounded once, from the digits as written, to the places the picture shows.
    const int kept = keptDecimals();
    const QByteArray digits = value.roundedDigits(kept, Rounding::HalfAwayFromZero);
    const qsizetype whole = digits.size() > kept ? digits.size() - kept : 0;
    int fraction = 0;
    for (qsizetype i = whole; i < digits.size(); ++i)
        fraction = fraction * 10 + (digits[i] - '0');
    Buffer out;
    render(value.isNegative(), QByteArrayView(digits).first(whole), fraction, out);
    return QString(reinterpret_cast<const QChar *>(out.constData()), out.size());
}

qsizetype Picture::formatTo(Amount value, char *out, qsizetype capacity) const
{
    const std::int64_t magnitude = value.abs().raw();
    Buffer text;
    renderAmount(value.isNegative(), static_cast<std::uint64_t>(magnitude / Amount::Scale),
                 static_cast<int>(magnitude % Amount::Scale), text);
    const qsizetype n = text.size() < capacity ? text.size() : capacity;
    for (qsizetype i = 0; i < n; ++i)
        out[i] = static_cast<char>(text[i] < 256 ? text[i] : u'?');
    return n;
}

QString formatPicture(Amount value, QStringView picture)
{
    return Picture(picture).format(value);
}

QString formatPicture(std::int64_t value, QStringView picture)
{
    return Picture(picture).format(value);
}

QString formatPicture(QStringView number, QStringView picture)
{
    const DecimalNumber value =
        scanDecimal(number, ScanWhole | ScanBlanks | ScanSign | ScanGrouping | ScanExponent);
    if (value.isValid())
        return Picture(picture).format(value);
    return number.toString();
}

} // namespace qav
