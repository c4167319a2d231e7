#include "common/amount/amount.h"

#include <stdexcept>

namespace qav {
namespace {

constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000};

bool isSpace(char16_t c) { return c == u' ' || c == u'\t'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Parses the characters text[0..n) given by `at`; see Amount::parse.
template <typename At>
std::optional<std::int64_t> parseRaw(qsizetype n, At at, int decimals)
{
    if (decimals < 0 || decimals > Amount::Decimals)
        return std::nullopt;
    qsizetype i = 0;
    while (i < n && isSpace(at(i)))
        ++i;
    while (n > i && isSpace(at(n - 1)))
        --n;
    bool negative = false;
    if (i < n && (at(i) == u'-' || at(i) == u'+')) {
        negative = at(i) == u'-';
        ++i;
    }

    // Integer part, with optional grouping.
    std::uint64_t units = 0;
    int digitsSeen = 0;
    int groupLength = 0;      // digits since the last comma
    bool grouped = false;
    bool firstGroup = true;
    for (; i < n && (isDigit(at(i)) || at(i) == u','); ++i) {
        const char16_t c = at(i);
        if (c == u',') {
            if (groupLength == 0 || (!firstGroup && groupLength != 3) || (firstGroup && groupLength > 3))
                return std::nullopt;
            grouped = true;
            firstGroup = false;
            groupLength = 0;
            continue;
        }
        ++groupLength;
        ++digitsSeen;
        // The integer part may hold at most maxRaw / Scale units.
        units = units * 10 + static_cast<unsigned>(c - u'0');
        if (units > static_cast<std::uint64_t>(Amount::maxRaw / Amount::Scale))
            return std::nullopt;
    }
    if (grouped && groupLength != 3)
        return std::nullopt;

    // Decimals: the first `decimals` kept, the next one decides the rounding.
    std::int64_t fraction = 0;
    int kept = 0;
    bool roundUp = false;
    if (i < n && at(i) == u'.') {
        ++i;
        int position = 0;
        for (; i < n && isDigit(at(i)); ++i, ++position) {
            ++digitsSeen;
            const int d = at(i) - u'0';
            if (position < decimals) {
                fraction = fraction * 10 + d;
                ++kept;
            } else if (position == decimals) {
                roundUp = d >= 5;
            }
        }
    }
    if (i != n || digitsSeen == 0)
        return std::nullopt;

    const std::int64_t scaledFraction = fraction * kPow10[Amount::Decimals - kept];
    std::int64_t raw = static_cast<std::int64_t>(units) * Amount::Scale;
    if (__builtin_add_overflow(raw, scaledFraction, &raw))
        return std::nullopt;
    if (roundUp && __builtin_add_overflow(raw, kPow10[Amount::Decimals - decimals], &raw))
        return std::nullopt;
    return negative ? -raw : raw;
}

} // namespace

std::optional<Amount> Amount::fromUnits(std::int64_t units)
{
    std::int64_t raw = 0;
    if (__builtin_mul_overflow(units, Scale, &raw) || raw == INT64_MIN)
        return std::nullopt;
    return Amount(raw);
}

std::optional<Amount> Amount::parse(QStringView text, int decimals)
{
    const auto raw = parseRaw(text.size(), [&](qsizetype i) { return text[i].unicode(); },
                              decimals);
    if (!raw)
        return std::nullopt;
    return Amount(*raw);
}

std::optional<Amount> Amount::parse(QByteArrayView text, int decimals)
{
    const auto raw = parseRaw(
        text.size(), [&](qsizetype i) { return char16_t(static_cast<unsigned char>(text[i])); },
        decimals);
    if (!raw)
        return std::nullopt;
    return Amount(*raw);
}

Amount Amount::rounded(int decimals) const
{
    if (decimals >= Decimals)
        return *this;
    if (decimals < 0)
        decimals = 0;
    const std::int64_t step = kPow10[Decimals - decimals];
    const std::int64_t magnitude = m_raw < 0 ? -m_raw : m_raw;
    std::int64_t down = magnitude - magnitude % step;
    if (magnitude % step >= step / 2 && down <= maxRaw - step)
        down += step;
    return Amount(m_raw < 0 ? -down : down);
}

std::optional<Amount> Amount::add(Amount a, Amount b)
{
    std::int64_t r = 0;
    if (__builtin_add_overflow(a.m_raw, b.m_raw, &r) || r == INT64_MIN)
        return std::nullopt;
    return Amount(r);
}

std::optional<Amount> Amount::subtract(Amount a, Amount b)
{
    std::int64_t r = 0;
    if (__builtin_sub_overflow(a.m_raw, b.m_raw, &r) || r == INT64_MIN)
        return std::nullopt;
    return Amount(r);
}

std::optional<Amount> Amount::multiply(Amount a, std::int64_t factor)
{
    std::int64_t r = 0;
    if (__builtin_mul_overflow(a.m_raw, factor, &r) || r == INT64_MIN)
        return std::nullopt;
    return Amount(r);
}

Amount Amount::operator+(Amount other) const
{
    if (const auto r = add(*this, other))
        return *r;
    throw std::overflow_error("amount out of range");
}

Amount Amount::operator-(Amount other) const
{
    if (const auto r = subtract(*this, other))
        return *r;
    throw std::overflow_error("amount out of range");
}

Amount Amount::operator*(std::int64_t factor) const
{
    if (const auto r = multiply(*this, factor))
        return *r;
    throw std::overflow_error("amount out of range");
}

QString Amount::toPlainString() const
{
    const std::int64_t magnitude = m_raw < 0 ? -m_raw : m_raw;
    QString out = QString::number(magnitude / Scale);
    std::int64_t fraction = magnitude % Scale;
    if (fraction != 0) {
        QString decimals = QString::number(fraction).rightJustified(Decimals, u'0');
        while (decimals.endsWith(u'0'))
            decimals.chop(1);
        out += u'.' + decimals;
    }
    if (m_raw < 0)
        out.prepend(u'-');
    return out;
}

} // namespace qav
