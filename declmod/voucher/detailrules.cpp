#include "declmod/voucher/detailrules.h"

#include "declmod/session/hostservices.h"
#include "declmod/voucher/seriesrules.h"

#include "common/amount/amount.h"
#include "common/amount/picture.h"
#include "common/db/database.h"

namespace declmod {
namespace {

const QString kStoredPicture = QStringLiteral("###########0.#0");
const QString kShownPicture = QStringLiteral("###,###,##0.#0");

bool isGroupA(QStringView type)
{
    return voucherGroup(type) == VoucherGroup::A;
}

bool isLetterOrDigit(QChar c)
{
    return DefaultHostCharChecks::isDigit(c.unicode()) || DefaultHostCharChecks::isLetter(c.unicode());
}

KeyOutcome accept(int key)
{
    return KeyOutcome{key, false};
}

KeyOutcome drop(bool moveNext = false)
{
    return KeyOutcome{0, moveNext};
}

DetailVerdict fails(int check, DetailVerdict::Shown shown, const QString &text, DetailField focus)
{
    DetailVerdict v;
    v.ok = false;
    v.check = check;
    v.shownBy = shown;
    v.text = text;
    v.focus = focus;
    return v;
}

} // namespace

bool isCreditNote(QStringView type)
{
    return type == u"07";
}

KeyOutcome seriesKey(const HostServices &host, QStringView type, const QString &text, int key)
{
    key = host.normalizeKey(key);
    if (key == '.')
        return drop();
    bool moveNext = false;
    if (key == kKeyEnter && !text.trimmed().isEmpty())
        moveNext = true;
    if (type == u"12" || type == u"99") {
        if (key == kKeyBackspace)
            return accept(key);
        if (!host.seriesCharOk(key, true))
            return drop(moveNext);
        return KeyOutcome{host.normalizeKey(key), moveNext};
    }
    if (!isGroupA(type)) {
        if (key == kKeyBackspace || DefaultHostCharChecks::isDigit(key))
            return KeyOutcome{key, moveNext};
        return drop(moveNext);
    }
    if (key == kKeyBackspace)
        return accept(key);
    if (!text.isEmpty() && !text.trimmed().isEmpty()) {
        const QString joined = text + QChar(key);
        for (QChar c : joined)
            if (!isLetterOrDigit(c))
                return drop(moveNext);
    }
    if (!host.alphanumericCharOk(key, false, false))
        return drop(moveNext);
    return KeyOutcome{key, moveNext};
}

KeyOutcome monthKey(const HostServices &host, int key)
{
    if (key == kKeyBackspace)
        return accept(key);
    if (!host.numericCharOk(key, true, false, false))
        return drop(key == kKeyEnter);
    return accept(key);
}

int amountLengthLimit(bool creditNote)
{
    return creditNote ? 14 : 15;
}

int amountIntegerDigits(bool creditNote)
{
    return creditNote ? 11 : 12;
}

bool seriesTextAllowed(const HostServices &host, QStringView type, const QString &text)
{
    const bool free = type == u"12" || type == u"99";
    const bool groupA = isGroupA(type);
    for (QChar c : text) {
        const int key = host.normalizeKey(c.unicode());
        if (key == '.')
            return false;
        if (free) {
            if (!host.seriesCharOk(key, true))
                return false;
        } else if (groupA) {
            if (!isLetterOrDigit(QChar(key)) || !host.alphanumericCharOk(key, false, false))
                return false;
        } else if (!DefaultHostCharChecks::isDigit(key)) {
            return false;
        }
    }
    return true;
}

bool monthTextAllowed(const HostServices &host, const QString &text)
{
    for (QChar c : text)
        if (!host.numericCharOk(c.unicode(), true, false, false))
            return false;
    return true;
}

namespace {

// Digits and at most one point; *integerDigits = the digits before the point.
bool amountForm(QStringView text, qsizetype *integerDigits)
{
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0 && text.indexOf(u'.', point + 1) >= 0)
        return false;
    for (QChar c : text)
        if (c != u'.' && !DefaultHostCharChecks::isDigit(c.unicode()))
            return false;
    *integerDigits = point >= 0 ? point : text.size();
    return true;
}

bool withinAmountLimits(QStringView text, bool creditNote)
{
    qsizetype integer = 0;
    return amountForm(text, &integer) && text.size() <= amountLengthLimit(creditNote)
        && integer <= amountIntegerDigits(creditNote);
}

} // namespace

bool amountEditAllowed(const QString &before, const QString &after, bool creditNote)
{
    qsizetype integer = 0;
    if (!amountForm(after, &integer))
        return false;
    if (withinAmountLimits(after, creditNote))
        return true;
    const QString shown = withoutCommas(before);
    return !withinAmountLimits(shown, creditNote) && after.size() < shown.size();
}

KeyOutcome amountKey(const HostServices &host, bool creditNote, const QString &text, int key)
{
    const int integerDigits = amountIntegerDigits(creditNote);
    const bool hasPoint = text.contains(u'.');
    if (text.size() == integerDigits && !hasPoint && key != kKeyBackspace)
        return accept('.');
    if (key == '.')
        return hasPoint ? drop() : accept(key);
    if (key == kKeyBackspace)
        return accept(key);
    if (!host.numericCharOk(key, true, false, false))
        return drop(key == kKeyEnter);
    return accept(key);
}

DetailVerdict validateDetail(const HostServices &host, const DetailEntry &e, const QString &period,
                             const std::function<bool()> &isDuplicate)
{
    using Shown = DetailVerdict::Shown;
    if (e.addMode && isDuplicate && isDuplicate())
        return fails(1, Shown::Host, QStringLiteral("Ya se ingresó este comprobante de pago"),
                     DetailField::None);
    if (e.typeText.trimmed().isEmpty())
        return fails(2, Shown::Box, QStringLiteral("Elija el tipo del comprobante de pago"),
                     DetailField::Type);
    const QString month = e.month.trimmed();
    if (month.isEmpty())
        return fails(3, Shown::Box, QStringLiteral("Debe ingresar el mes del comprobante"),
                     DetailField::Month);
    const double monthValue = qav::valOf(month);
    if (monthValue < 1 || monthValue > 12)
        return fails(4, Shown::Box, QStringLiteral("El mes del comprobante no es valido"),
                     DetailField::Month);

    const QString type = typeCodeOf(e.typeText);
    const SeriesVerdict series =
        SeriesRules(host).checkEntry(type, e.series, host.padLeft(month, 2, u'0'), period);
    if (!series.ok) {
        const Shown shown = series.shownBy == SeriesVerdict::Shown::Host ? Shown::Host : Shown::Box;
        const bool focus = series.focusSeries && e.seriesEnabled;
        return fails(5, shown, series.text, focus ? DetailField::Series : DetailField::None);
    }

    const std::optional<qav::Amount> total = qav::Amount::parse(e.totalSales);
    if (!total)
        return fails(6, Shown::Host, QStringLiteral("Ingrese las ventas totales"),
                     DetailField::TotalSales);
    if (total->isZero())
        return fails(7, Shown::Host, QStringLiteral("Las ventas totales deben ser mayor a cero"),
                     DetailField::TotalSales);
    const std::optional<qav::Amount> taxed = qav::Amount::parse(e.taxedSales);
    if (!taxed)
        return fails(8, Shown::Host, QStringLiteral("Ingrese el valor de las ventas gravadas"),
                     DetailField::TaxedSales);
    if (*total < *taxed)
        return fails(9, Shown::Host,
                     QStringLiteral("Las ventas gravadas no pueden ser mayor a las ventas totales"),
                     DetailField::TaxedSales);
    return DetailVerdict{};
}

QString typeCodeOf(const QString &entry)
{
    return entry.left(2);
}

QString typeDescriptionOf(const QString &entry)
{
    return entry.mid(7, 38);
}

QString typeListEntry(const HostServices &host, const QString &argumento, const QString &funcion40)
{
    const QString description =
        funcion40.left(15).trimmed().isEmpty() ? QString() : funcion40.left(40);
    return host.alignLeft(argumento, 2) + QStringLiteral("     ") + description;
}

QString storedAmount(const QString &shown, bool creditNote)
{
    const std::optional<qav::Amount> value = qav::Amount::parse(shown);
    if (!value)
        return shown;
    return qav::formatPicture(creditNote ? -*value : *value, kStoredPicture);
}

QString editableAmount(const QString &stored)
{
    const std::optional<qav::Amount> value = qav::Amount::parse(stored);
    if (!value)
        return stored;
    return qav::formatPicture(value->abs(), kStoredPicture);
}

QString groupedAmount(const QString &text)
{
    const std::optional<qav::Amount> value = qav::Amount::parse(text);
    if (!value)
        return text;
    return qav::formatPicture(*value, kShownPicture);
}

QString withoutCommas(const QString &text)
{
    QString out = text;
    out.remove(u',');
    return out;
}

} // namespace declmod
