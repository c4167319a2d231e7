#pragma once
// Check digits of a sent declaration's order number: a modulus-11 digit with cyclic weights
// 2 to 7 from the right (AgregaDigito), and the two digits that tie an order number to the
// control number of the sending (CalculaDigitos, ValidaDigitos). Pure functions; nothing
// fails.

#include <QString>
#include <QStringView>

namespace declmod {

// The number text followed by its check digit; empty when the text is empty. Only the
// first 17 characters count, trimmed of spaces; a character that is not a digit counts 0.
// The caller's text is replaced by that trimmed form.
QString AgregaDigito(QString &s);
inline QString AgregaDigito(const QString &s)
{
    QString copy = s;
    return AgregaDigito(copy);
}

// The two check digits of an order number for a control number.
QString CalculaDigitos(const QString &control, const QString &order);

// True when `digits` are the check digits of the order number for the control number.
bool ValidaDigitos(const QString &control, const QString &order, const QString &digits);

} // namespace declmod
