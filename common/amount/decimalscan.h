#pragma once
// The one reader of decimal numbers written as text. Amounts, the database's VAL, the
// report reader, the control value, the installer's envdes.txt and the import line all
// read their numbers here, each with the form it accepts (ScanFlags), and take the value
// in the shape they need: a scaled integer rounded the way their rule says, a double, an
// exact comparison, or the plain text of the number.
//
// The scan is exact and bounded: the value is kept as its significant digits (the first
// kMaxDigits of them; any later non-zero digit is remembered, so rounding and comparison
// stay exact for every value a rule can meet) and a power of ten. A megabyte of digits
// takes no more memory than "1".
//
// Errors: a text without a digit (or, with ScanWhole, with anything beyond the number)
// gives a DecimalNumber that is not valid; conversions that do not fit give no value.
// Nothing here throws or has undefined behaviour whatever the input.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace qav {

enum ScanFlag : unsigned {
    // The text (blanks around it aside, with ScanBlanks) is exactly one number. Without it
    // the longest leading number is taken and the rest of the text is ignored.
    ScanWhole = 0x01,
    // Spaces and tabs before the number are skipped, and after it with ScanWhole.
    ScanBlanks = 0x20,
    // An optional "+" or "-" in front of the digits.
    ScanSign = 0x02,
    // "," between groups of three integer digits ("1,234,567"): with any comma, every group
    // after the first has exactly three digits.
    ScanGrouping = 0x04,
    // An exponent after the digits: "e" or "E", an optional sign, digits ("1e+15", "2.5E-3").
    // "e" without digits after it is not part of the number.
    ScanExponent = 0x08,
    // Spaces between the sign, the digits and the point are skipped ("1 000" is 1000), as
    // the suite's VAL reads.
    ScanInnerSpaces = 0x10,
};
using ScanFlags = unsigned;

enum class Rounding {
    HalfAwayFromZero, // 2.5 -> 3, -2.5 -> -3 (the currency's rule)
    HalfEven,         // 2.5 -> 2, 3.5 -> 4 (the conversions to whole numbers)
    TowardZero,       // decimals cut
};

class DecimalNumber
{
public:
    static constexpr int kMaxDigits = 48;

    bool isValid() const { return m_valid; }
    bool isNegative() const { return m_negative; }
    bool isZero() const { return m_count == 0 && !m_sticky; }
    // Index just after the number in the scanned text (the text's length with ScanWhole);
    // 0 when no number was found.
    qsizetype end() const { return m_end; }

    // The value times 10^decimals (decimals from 0 to 18), rounded to an integer; no value
    // when the result is beyond the 64-bit range (or not valid).
    std::optional<std::int64_t> scaled(int decimals, Rounding rounding) const;
    // The same with a 128-bit result; no value beyond 10^38.
    std::optional<__int128> scaledWide(int decimals, Rounding rounding) const;
    // The digits of the absolute value times 10^decimals (0 to 18), rounded to an integer,
    // of any length: no leading zeros, empty for zero (and when not valid).
    QByteArray roundedDigits(int decimals, Rounding rounding) const;
    // True when the value has no decimals beyond `decimals` places.
    bool isWholeAt(int decimals) const;
    // The nearest double (infinity beyond its range; 0 when not valid).
    double toDouble() const;
    // The number as plain text: a "-" for a negative value, the integer digits, and a
    // point with the decimals when there are any, trailing zeros dropped. A value below one
    // is written with a "0" before the point when `leadingZero`, else as ".5". Zero is "0".
    // Digits beyond kMaxDigits are not written.
    QString plainText(bool leadingZero = true) const;

    // Exact comparison of two values: -1, 0 or 1. Not-valid numbers count as zero.
    static int compare(const DecimalNumber &a, const DecimalNumber &b);
    // Exact comparison of the absolute values.
    static int compareMagnitude(const DecimalNumber &a, const DecimalNumber &b);

private:
    template <typename At>
    friend DecimalNumber scanImpl(qsizetype n, At at, ScanFlags flags);
    bool scaledMagnitude(int decimals, Rounding rounding, unsigned __int128 limit,
                         unsigned __int128 *out) const;
    bool roundsUp(int keep, int lastKeptDigit, Rounding rounding) const;

    // Value: D * 10^m_power, D the integer of m_digits[0..m_count) (no leading or trailing
    // zeros; zero has no digits); m_sticky when a non-zero digit beyond kMaxDigits was
    // dropped, so that the true magnitude is a little above D * 10^m_power, and
    // m_stickyFraction when that digit was a decimal. The power is kept within
    // +-kMaxPower: beyond it every conversion gives infinity, out of range, or zero alike.
    static constexpr int kMaxPower = 5000;
    char m_digits[kMaxDigits] = {};
    int m_count = 0;
    int m_power = 0;
    bool m_sticky = false;
    bool m_stickyFraction = false;
    bool m_negative = false;
    bool m_valid = false;
    qsizetype m_end = 0;
};

// Reads a number from text. Bytes above 127 and characters outside ASCII are never part
// of a number.
DecimalNumber scanDecimal(QStringView text, ScanFlags flags);
DecimalNumber scanDecimal(QByteArrayView text, ScanFlags flags);

} // namespace qav
