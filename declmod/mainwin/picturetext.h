#pragma once
// Display of a grid value with a number picture: "#" an optional digit, "0" a required
// digit, "," between placeholders groups the thousands, "." the decimal point; any other
// character stands for itself. Digits fill the placeholders from the right, and digits
// left over go before the first one: "01012009" with "0#/0#/####" is "01/01/2009", 3600
// with "###,###" is "3,600". A value that is not a number is shown as it is.

#include <QString>
#include <QVariant>

namespace declmod {

QString formatWithPicture(const QVariant &value, const QString &picture);

} // namespace declmod
