#include "declmod/declaration/checkdigits.h"

#include "common/text/trim.h"

namespace declmod {

QString AgregaDigito(QString &s)
{
    s = qav::trimSpaces(QStringView(s).left(17)).toString();
    if (s.isEmpty())
        return QString();
    // Weights of positions 1 to 17; the last character takes position 17's.
    static constexpr int kWeights[17] = {6, 5, 4, 3, 2, 7, 6, 5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    const qsizetype offset = 17 - s.size();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c >= u'0' && c <= u'9')
            sum += (c - u'0') * kWeights[offset + i];
    }
    int d = 11 - sum % 11;
    if (d == 11)
        d = 1;
    else if (d == 10)
        d = 0;
    return s + QChar(u'0' + d);
}

QString CalculaDigitos(const QString &control, const QString &order)
{
    // The first AgregaDigito leaves the control number trimmed (first 17 characters, no
    // blanks); the second digit is computed over that trimmed form, so a control number
    // held with blanks around it gives the same digits as the bare number.
    QString trimmedControl = control;
    const QString d1 = AgregaDigito(trimmedControl).mid(8, 1);
    const QString d2 = AgregaDigito(trimmedControl + order + d1).right(1);
    return d1 + d2;
}

bool ValidaDigitos(const QString &control, const QString &order, const QString &digits)
{
    return CalculaDigitos(control, order) == digits;
}

} // namespace declmod
