#include "common/amount/decimalscan.h"

#include <cstdio>
#include <cstdlib>

namespace qav {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

} // namespace

template <typename At>
DecimalNumber scanImpl(qsizetype n, At at, ScanFlags flags)
{
    DecimalNumber d;
    const bool inner = flags & ScanInnerSpaces;
    const bool blanks = flags & ScanBlanks;
    qsizetype i = 0;
    while (blanks && i < n && isBlank(at(i)))
        ++i;
    if ((flags & ScanSign) && i < n && (at(i) == u'-' || at(i) == u'+')) {
        d.m_negative = at(i) == u'-';
        ++i;
        while (inner && i < n && at(i) == u' ')
            ++i;
    }

    bool anyDigit = false;
    qint64 dropped = 0;      // integer digits beyond kMaxDigits
    qint64 fractionRead = 0; // decimals read
    qint64 fractionKept = 0; // decimals up to the last one stored
    auto addDigit = [&](int v, bool fraction) {
        anyDigit = true;
        if (fraction)
            ++fractionRead;
        if (d.m_count == 0 && v == 0)
            return; // a leading zero
        if (d.m_count < DecimalNumber::kMaxDigits) {
            d.m_digits[d.m_count++] = char('0' + v);
            if (fraction)
                fractionKept = fractionRead;
            return;
        }
        if (!fraction)
            ++dropped;
        if (v != 0) {
            d.m_sticky = true;
            d.m_stickyFraction = d.m_stickyFraction || fraction;
        }
    };

    // Integer part, with optional grouping.
    int groupLength = 0; // digits since the last comma
    bool grouped = false;
    for (; i < n; ++i) {
        const char16_t c = at(i);
        if (isDigit(c)) {
            ++groupLength;
            addDigit(c - u'0', false);
        } else if (c == u',' && (flags & ScanGrouping)) {
            if (groupLength == 0 || (grouped ? groupLength != 3 : groupLength > 3))
                return DecimalNumber();
            grouped = true;
            groupLength = 0;
        } else if (!(inner && c == u' ')) {
            break;
        }
    }
    if (grouped && groupLength != 3)
        return DecimalNumber();
    if (i < n && at(i) == u'.') {
        ++i;
        for (; i < n; ++i) {
            const char16_t c = at(i);
            if (isDigit(c))
                addDigit(c - u'0', true);
            else if (!(inner && c == u' '))
                break;
        }
    }
    if (!anyDigit)
        return DecimalNumber();

    qint64 power = dropped - fractionKept;
    if ((flags & ScanExponent) && i < n && (at(i) == u'e' || at(i) == u'E')) {
        qsizetype j = i + 1;
        bool negativeExponent = false;
        if (j < n && (at(j) == u'-' || at(j) == u'+')) {
            negativeExponent = at(j) == u'-';
            ++j;
        }
        if (j < n && isDigit(at(j))) {
            qint64 exponent = 0;
            for (; j < n && isDigit(at(j)); ++j)
                exponent = qMin<qint64>(exponent * 10 + (at(j) - u'0'), 1000000000);
            power += negativeExponent ? -exponent : exponent;
            i = j;
        }
    }
    while (d.m_count > 0 && d.m_digits[d.m_count - 1] == '0') {
        --d.m_count;
        ++power;
    }
    const qint64 maxPower = DecimalNumber::kMaxPower;
    d.m_power = int(qBound(-maxPower, power, maxPower));

    if (flags & ScanWhole) {
        while (blanks && i < n && isBlank(at(i)))
            ++i;
        if (i != n)
            return DecimalNumber();
    }
    d.m_end = i;
    d.m_valid = true;
    return d;
}

DecimalNumber scanDecimal(QStringView text, ScanFlags flags)
{
    return scanImpl(text.size(), [&](qsizetype i) { return text[i].unicode(); }, flags);
}

DecimalNumber scanDecimal(QByteArrayView text, ScanFlags flags)
{
    return scanImpl(
        text.size(), [&](qsizetype i) { return char16_t(static_cast<unsigned char>(text[i])); },
        flags);
}

// Whether cutting the digits from index `keep` on (keep < m_count; a negative keep cuts
// zeros in front of them too) rounds the kept part up.
bool DecimalNumber::roundsUp(int keep, int lastKeptDigit, Rounding rounding) const
{
    const int first = keep >= 0 ? m_digits[keep] - '0' : 0;
    const bool rest = keep < 0 || keep + 1 < m_count || m_sticky;
    switch (rounding) {
    case Rounding::HalfAwayFromZero:
        return first >= 5;
    case Rounding::HalfEven:
        return first > 5 || (first == 5 && (rest || lastKeptDigit % 2 != 0));
    case Rounding::TowardZero:
        break;
    }
    return false;
}

bool DecimalNumber::scaledMagnitude(int decimals, Rounding rounding, unsigned __int128 limit,
                                    unsigned __int128 *out) const
{
    if (!m_valid || decimals < 0 || decimals > 18)
        return false;
    *out = 0;
    if (m_count == 0)
        return true;
    const int shift = m_power + decimals;
    const int keep = shift >= 0 ? m_count : m_count + shift; // digits left of the point
    unsigned __int128 q = 0;
    // q * 10 + 9 cannot wrap while q <= limit / 10, limit being below 2^127.
    for (int k = 0; k < keep; ++k) {
        if (q > limit / 10)
            return false;
        q = q * 10 + unsigned(m_digits[k] - '0');
        if (q > limit)
            return false;
    }
    for (int k = 0; k < shift; ++k) {
        if (q > limit / 10)
            return false;
        q *= 10;
    }
    if (shift < 0 && roundsUp(keep, int(q % 10), rounding) && ++q > limit)
        return false;
    *out = q;
    return true;
}

QByteArray DecimalNumber::roundedDigits(int decimals, Rounding rounding) const
{
    QByteArray out;
    if (!m_valid || m_count == 0 || decimals < 0 || decimals > 18)
        return out;
    const int shift = m_power + decimals;
    const int keep = shift >= 0 ? m_count : m_count + shift;
    if (keep > 0)
        out.append(m_digits, keep);
    if (shift > 0)
        out.append(QByteArray(shift, '0'));
    if (shift < 0 && roundsUp(keep, out.isEmpty() ? 0 : out.back() - '0', rounding)) {
        qsizetype k = out.size() - 1;
        for (; k >= 0 && out[k] == '9'; --k)
            out[k] = '0';
        if (k >= 0)
            ++out[k];
        else
            out.prepend('1');
    }
    return out;
}

std::optional<std::int64_t> DecimalNumber::scaled(int decimals, Rounding rounding) const
{
    unsigned __int128 q = 0;
    if (!scaledMagnitude(decimals, rounding, static_cast<unsigned __int128>(INT64_MAX), &q))
        return std::nullopt;
    const auto v = static_cast<std::int64_t>(q);
    return m_negative ? -v : v;
}

std::optional<__int128> DecimalNumber::scaledWide(int decimals, Rounding rounding) const
{
    unsigned __int128 limit = 1;
    for (int k = 0; k < 38; ++k)
        limit *= 10;
    unsigned __int128 q = 0;
    if (!scaledMagnitude(decimals, rounding, limit - 1, &q))
        return std::nullopt;
    const auto v = static_cast<__int128>(q);
    return m_negative ? -v : v;
}

bool DecimalNumber::isWholeAt(int decimals) const
{
    return m_valid && (m_count == 0 || m_power + decimals >= 0) && !m_stickyFraction;
}

double DecimalNumber::toDouble() const
{
    if (!m_valid || m_count == 0)
        return 0.0;
    // Digits and a power of ten, without a point: read the same in every locale.
    char text[DecimalNumber::kMaxDigits + 16];
    int n = 0;
    if (m_negative)
        text[n++] = '-';
    for (int k = 0; k < m_count; ++k)
        text[n++] = m_digits[k];
    std::snprintf(text + n, sizeof text - size_t(n), "e%d", m_power);
    return std::strtod(text, nullptr);
}

QString DecimalNumber::plainText(bool leadingZero) const
{
    if (!m_valid || m_count == 0)
        return QStringLiteral("0");
    QString out;
    if (m_negative)
        out += u'-';
    const int whole = m_count + m_power; // integer digits
    if (whole <= 0) {
        if (leadingZero)
            out += u'0';
        out += u'.';
        out += QString(-whole, u'0');
        out += QLatin1StringView(m_digits, m_count);
    } else if (whole >= m_count) {
        out += QLatin1StringView(m_digits, m_count);
        out += QString(whole - m_count, u'0');
    } else {
        out += QLatin1StringView(m_digits, whole);
        out += u'.';
        out += QLatin1StringView(m_digits + whole, m_count - whole);
    }
    return out;
}

int DecimalNumber::compareMagnitude(const DecimalNumber &a, const DecimalNumber &b)
{
    const int na = a.m_valid ? a.m_count : 0;
    const int nb = b.m_valid ? b.m_count : 0;
    if (na == 0 || nb == 0)
        return na == nb ? 0 : (na == 0 ? -1 : 1);
    const int ma = na + a.m_power;
    const int mb = nb + b.m_power;
    if (ma != mb)
        return ma < mb ? -1 : 1;
    const int n = na > nb ? na : nb;
    for (int k = 0; k < n; ++k) {
        const char ca = k < na ? a.m_digits[k] : '0';
        const char cb = k < nb ? b.m_digits[k] : '0';
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.m_sticky != b.m_sticky)
        return a.m_sticky ? 1 : -1;
    return 0;
}

int DecimalNumber::compare(const DecimalNumber &a, const DecimalNumber &b)
{
    const bool za = !a.m_valid || a.m_count == 0;
    const bool zb = !b.m_valid || b.m_count == 0;
    const int sa = za ? 0 : (a.m_negative ? -1 : 1);
    const int sb = zb ? 0 : (b.m_negative ? -1 : 1);
    if (sa != sb)
        return sa < sb ? -1 : 1;
    if (sa == 0)
        return 0;
    const int m = compareMagnitude(a, b);
    return sa > 0 ? m : -m;
}

} // namespace qav
