#include "declmod/mainwin/picturetext.h"

#include <cmath>

namespace declmod {
namespace {

bool isPlaceholder(QChar c)
{
    return c == QLatin1Char('#') || c == QLatin1Char('0');
}

} // namespace

QString formatWithPicture(const QVariant &value, const QString &picture)
{
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return value.toString();

    const int point = picture.indexOf(QLatin1Char('.'));
    QString intPicture = point < 0 ? picture : picture.left(point);
    const QString fracPicture = point < 0 ? QString() : picture.mid(point + 1);

    // A comma between two placeholders asks for grouping; it is not a literal.
    bool grouping = false;
    for (int i = 1; i + 1 < intPicture.size(); ++i) {
        if (intPicture.at(i) == QLatin1Char(',') && isPlaceholder(intPicture.at(i - 1))
            && isPlaceholder(intPicture.at(i + 1))) {
            grouping = true;
            intPicture.remove(i, 1);
            --i;
        }
    }

    int decimals = 0;
    for (QChar c : fracPicture)
        if (isPlaceholder(c))
            ++decimals;
    const QString fixed = QString::number(std::fabs(number), 'f', decimals);
    const int fixedPoint = fixed.indexOf(QLatin1Char('.'));
    QString digits = fixedPoint < 0 ? fixed : fixed.left(fixedPoint);
    const QString fraction = fixedPoint < 0 ? QString() : fixed.mid(fixedPoint + 1);
    if (digits == QLatin1String("0"))
        digits.clear();

    int firstPlaceholder = -1;
    for (int i = 0; i < intPicture.size(); ++i)
        if (isPlaceholder(intPicture.at(i))) {
            firstPlaceholder = i;
            break;
        }

    QString intOut;
    int remaining = digits.size();
    for (int i = intPicture.size() - 1; i >= 0; --i) {
        const QChar c = intPicture.at(i);
        if (isPlaceholder(c)) {
            if (i == firstPlaceholder && remaining > 0) {
                intOut.prepend(digits.left(remaining));
                remaining = 0;
            } else if (remaining > 0) {
                intOut.prepend(digits.at(--remaining));
            } else if (c == QLatin1Char('0')) {
                intOut.prepend(QLatin1Char('0'));
            }
        } else {
            // A literal shows when something is written to its left.
            bool zeroToLeft = false;
            for (int j = 0; j < i; ++j)
                zeroToLeft = zeroToLeft || intPicture.at(j) == QLatin1Char('0');
            if (remaining > 0 || zeroToLeft || firstPlaceholder < 0 || i < firstPlaceholder)
                intOut.prepend(c);
        }
    }
    if (firstPlaceholder < 0)
        intOut = intPicture + digits;

    if (grouping) {
        QString grouped;
        int count = 0;
        for (int i = intOut.size() - 1; i >= 0; --i) {
            grouped.prepend(intOut.at(i));
            if (intOut.at(i).isDigit() && ++count % 3 == 0 && i > 0 && intOut.at(i - 1).isDigit())
                grouped.prepend(QLatin1Char(','));
        }
        intOut = grouped;
    }

    QString fracOut;
    if (point >= 0) {
        fracOut = QStringLiteral(".");
        int used = 0;
        QString tail;
        for (QChar c : fracPicture) {
            if (isPlaceholder(c)) {
                const QChar d = fraction.at(used++);
                tail += d;
                if (c == QLatin1Char('0') || d != QLatin1Char('0'))
                    fracOut += tail, tail.clear();
            } else {
                fracOut += c;
            }
        }
    }

    const bool negative = number < 0 && (!digits.isEmpty() || fraction.toLongLong() != 0);
    return (negative ? QStringLiteral("-") : QString()) + intOut + fracOut;
}

} // namespace declmod
