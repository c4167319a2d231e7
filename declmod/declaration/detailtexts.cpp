#include "declmod/declaration/detailtexts.h"

#include "common/amount/picture.h"

namespace declmod {

const QStringList &monthNames()
{
    static const QStringList names{
        QStringLiteral("Enero"),     QStringLiteral("Febrero"), QStringLiteral("Marzo"),
        QStringLiteral("Abril"),     QStringLiteral("Mayo"),    QStringLiteral("Junio"),
        QStringLiteral("Julio"),     QStringLiteral("Agosto"),  QStringLiteral("Setiembre"),
        QStringLiteral("Octubre"),   QStringLiteral("Noviembre"),
        QStringLiteral("Diciembre")};
    return names;
}

QString monthName(const QString &code)
{
    if (code.size() == 2 && code[0].isDigit() && code[1].isDigit()) {
        const int m = code.toInt();
        if (m >= 1 && m <= 12)
            return monthNames().at(m - 1);
    }
    return code;
}

QString gridAmountText(const QString &stored)
{
    const auto value = qav::Amount::parse(stored);
    if (!value)
        return stored;
    if (value->isNegative()) {
        static const qav::Picture negative(u"(##,###,##0.#0)");
        return negative.format(value->abs());
    }
    static const qav::Picture positive(u"###,###,##0.#0");
    return positive.format(*value);
}

QString totalText(const std::optional<qav::Amount> &total)
{
    if (!total)
        return QString();
    static const qav::Picture picture(u"###,###,###,###,##0.#0");
    return picture.format(*total);
}

QString countText(qint64 count)
{
    return qav::formatPicture(std::int64_t(count), u"###,###,##0") + QStringLiteral("  Registros");
}

} // namespace declmod
