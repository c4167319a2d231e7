#pragma once
// Amount: an exact fixed-point decimal, the platform's currency type. The value is held as
// a 64-bit integer counting ten-thousandths, so sums of a year of vouchers never drift the
// way binary floating point would.
//
// The range is symmetric: |raw| <= Amount::maxRaw (922,337,203,685,477.5807), so negating
// or taking the absolute value never overflows.
//
// Errors: parse() returns no value for text that is not an amount or is out of range; the
// checked arithmetic (add, subtract, multiply) returns no value on overflow; the operators
// + - * throw std::overflow_error instead of wrapping. Nothing here has undefined behaviour
// whatever the input.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>
#include <optional>

namespace qav {

class DecimalNumber;

class Amount
{
public:
    static constexpr int Decimals = 4;
    static constexpr std::int64_t Scale = 10000;
    static constexpr std::int64_t maxRaw = INT64_MAX;

    constexpr Amount() = default;

    // The value raw / 10^4. `raw` must lie within [-maxRaw, maxRaw]; INT64_MIN is taken as
    // -maxRaw.
    static constexpr Amount fromRaw(std::int64_t raw)
    {
        return Amount(raw == INT64_MIN ? -maxRaw : raw);
    }
    // A whole number of units; no value when it does not fit.
    static std::optional<Amount> fromUnits(std::int64_t units);

    // Reads a decimal amount: optional spaces, an optional sign, digits with an optional
    // "." and decimals ("1234.5", "-100.5", ".50", "5."), optionally grouped with "," in
    // thousands as amounts are shown on screen ("1,234.50"; with any comma, every group
    // after the first must have exactly three digits). At least one digit is required.
    // Decimals beyond `decimals` (0 to 4) are rounded half away from zero, exactly, from
    // the digits as written.
    static std::optional<Amount> parse(QStringView text, int decimals = Decimals);
    // The same over single-byte text (bytes above 127 are never part of an amount).
    static std::optional<Amount> parse(QByteArrayView text, int decimals = Decimals);
    // A number read by scanDecimal() in any form, rounded the same way; no value when it
    // is not valid or is out of range.
    static std::optional<Amount> fromNumber(const DecimalNumber &number, int decimals = Decimals);
    // True when parse() would give a value.
    static bool isNumeric(QStringView text) { return parse(text).has_value(); }

    constexpr std::int64_t raw() const { return m_raw; }
    constexpr bool isZero() const { return m_raw == 0; }
    constexpr bool isNegative() const { return m_raw < 0; }

    constexpr Amount operator-() const { return Amount(-m_raw); }
    constexpr Amount abs() const { return Amount(m_raw < 0 ? -m_raw : m_raw); }

    // Rounded to `decimals` (0 to 4) places, half away from zero.
    Amount rounded(int decimals) const;

    static std::optional<Amount> add(Amount a, Amount b);
    static std::optional<Amount> subtract(Amount a, Amount b);
    static std::optional<Amount> multiply(Amount a, std::int64_t factor);

    Amount operator+(Amount other) const;
    Amount operator-(Amount other) const;
    Amount operator*(std::int64_t factor) const;
    Amount &operator+=(Amount other) { return *this = *this + other; }
    Amount &operator-=(Amount other) { return *this = *this - other; }

    friend constexpr auto operator<=>(Amount, Amount) = default;
    friend constexpr bool operator==(Amount, Amount) = default;

    // The value as a plain number: no grouping, no trailing zeros in the decimals, no
    // point for a whole number ("-100.5", "1234", "0.05").
    QString toPlainString() const;

private:
    constexpr explicit Amount(std::int64_t raw) : m_raw(raw) {}
    std::int64_t m_raw = 0;
};

} // namespace qav
