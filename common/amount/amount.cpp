#include "common/amount/amount.h"

#include "common/amount/decimalscan.h"

#include <stdexcept>

namespace qav {
namespace {

constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000};

// The value of a scanned amount in ten-thousandths, rounded at `decimals` places.
std::optional<std::int64_t> amountRaw(const DecimalNumber &number, int decimals)
{
    if (decimals < 0 || decimals > Amount::Decimals || !number.isValid())
        return std::nullopt;
    const auto scaled = number.scaled(decimals, Rounding::HalfAwayFromZero);
    std::int64_t raw = 0;
    if (!scaled || __builtin_mul_overflow(*scaled, kPow10[Amount::Decimals - decimals], &raw)
        || raw == INT64_MIN)
        return std::nullopt;
    return raw;
}

constexpr ScanFlags kAmountForm = ScanWhole | ScanBlanks | ScanSign | ScanGrouping;

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
    return fromNumber(scanDecimal(text, kAmountForm), decimals);
}

std::optional<Amount> Amount::parse(QByteArrayView text, int decimals)
{
    return fromNumber(scanDecimal(text, kAmountForm), decimals);
}

std::optional<Amount> Amount::fromNumber(const DecimalNumber &number, int decimals)
{
    const auto raw = amountRaw(number, decimals);
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
