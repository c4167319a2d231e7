#pragma once
// The six-character control value the suite writes with every stored declaration row
// (cNumero). The host stand-in computes it for the sample rows and for the rows it copies
// when it "sends" a declaration, so that the data looks as the host itself would leave it.
//
// The value is computed over the fields of a row in the table's column order, numbered
// from 0; the last field holds the control value itself and is left out:
//   S1 = the sum of the numeric values of fields 0 to k - 1 (a text that is not a number
//        counts 0);
//   S2 = the sum, over fields k to n - 2, of code(c) x i for every character c at 1-based
//        position i of the field's text (the position restarts in every field), code being
//        the character's Windows-1252 code;
//   result = the last three digits of S1 followed by the last three digits of S2.
// Fields become text as follows: numbers by their text form, dates as "yyyymmdd", texts
// trimmed, a null as empty text.

#include <QString>
#include <QVariantList>

namespace devhost {

QString controlValue(const QVariantList &fields, int k);

} // namespace devhost
