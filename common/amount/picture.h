#pragma once
// Numeric pictures, as the platform's formatter reads them. A picture is a pattern such as
// "###,###,##0.#0" or "0#/0#/####":
//   "#"  an optional digit      "0"  a mandatory digit (every place right of the leftmost
//                                     "0" of the integer part is then mandatory too)
//   ","  thousands grouping (anywhere in the integer part: digits are grouped by three)
//   "."  the decimal point (the first one); decimals are rounded half away from zero to
//        the places the picture has; a "0" place shows its digit always, a "#" place after
//        the last "0" only when it is not a trailing zero
//   any other character is a literal, shown where it stands (the parentheses of
//   "(##,###,##0.#0)", the slashes of "0#/0#/####").
// A value with more integer digits than the picture has places prints all its digits. A
// negative value gets a leading "-" in front of the whole text (a value that rounds to zero
// is shown without sign). Zero in an integer part of "#" only shows nothing ("##" gives "",
// "##########.#0" gives ".00").
//
// Errors: none; every picture gives some text.

#include "common/amount/amount.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <cstdint>

namespace qav {

class DecimalNumber;

class Picture
{
public:
    explicit Picture(QStringView pattern);

    QString format(Amount value) const;
    QString format(std::int64_t value) const;
    // A number as read from text, of any size: rounded once from its exact digits.
    QString format(const DecimalNumber &value) const;
    // Writes the text of `value` as single-byte characters (the picture's literals must be
    // Latin-1) into out[0..capacity) and returns its length; a text that does not fit is
    // cut at `capacity`. No allocation: for loops over many values.
    qsizetype formatTo(Amount value, char *out, qsizetype capacity) const;

private:
    using Buffer = QVarLengthArray<char16_t, 96>;
    // `fraction` holds the decimals already rounded to keptDecimals() places.
    void render(bool negative, QByteArrayView integerDigits, int fraction, Buffer &out) const;
    void renderAmount(bool negative, std::uint64_t units, int fraction, Buffer &out) const;
    int keptDecimals() const;

    QString m_prefix;        // literals before the first digit place
    QString m_integer;       // the integer part, from the first digit place to the point
    QString m_decimal;       // the decimal part after the point, up to the last digit place
    QString m_suffix;        // literals after the last digit place
    bool m_hasPoint = false;
    bool m_grouped = false;
    int m_minDigits = 0;     // integer digits always shown
    int m_decimalPlaces = 0; // digit places after the point
    int m_minDecimals = 0;   // decimals always shown
    bool m_hasPlaces = false;
};

QString formatPicture(Amount value, QStringView picture);
QString formatPicture(std::int64_t value, QStringView picture);
inline QString formatPicture(int value, QStringView picture)
{
    return formatPicture(static_cast<std::int64_t>(value), picture);
}
// A number given as text ("01012009", "1500.5", "-1,234.5", "1e+15" as the database hands
// back a large real), of any size, rounded once from the digits as written; a text that is
// not a number comes back unchanged, as the platform's formatter returns it.
QString formatPicture(QStringView number, QStringView picture);

} // namespace qav
