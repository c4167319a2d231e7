#include "declmod/voucher/seriesrules.h"

#include <cstring>

namespace declmod {
namespace {

bool isLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

bool hasLetter(QStringView s)
{
    for (qsizetype i = 1; i < 4 && i < s.size(); ++i)
        if (isLetter(s[i].unicode()))
            return true;
    return false;
}

bool hasLetter(QByteArrayView s)
{
    for (qsizetype i = 1; i < 4 && i < s.size(); ++i)
        if (isLetter(static_cast<unsigned char>(s[i])))
            return true;
    return false;
}

// D compared with a threshold, both as 8-character texts.
bool onOrAfter(QByteArrayView period, QByteArrayView month, const char *threshold)
{
    char date[64];
    qsizetype n = 0;
    for (char c : period)
        if (n < 60)
            date[n++] = c;
    for (char c : month)
        if (n < 62)
            date[n++] = c;
    date[n++] = '0';
    date[n++] = '1';
    // Text comparison, as the rules compare D: shorter is smaller when it is a prefix.
    const qsizetype len = std::strlen(threshold);
    const int cmp = std::memcmp(date, threshold, static_cast<size_t>(n < len ? n : len));
    return cmp > 0 || (cmp == 0 && n >= len);
}

QByteArray latin1OrMark(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = text[i].unicode() < 256 ? char(text[i].unicode()) : '?';
    return out;
}

bool isTypeGroupA(char a, char b)
{
    return a == '0' && (b == '1' || b == '3' || b == '7' || b == '8');
}

} // namespace

VoucherGroup voucherGroup(QByteArrayView type)
{
    if (type.size() == 2) {
        if (isTypeGroupA(type[0], type[1]))
            return VoucherGroup::A;
        if ((type[0] == '1' && type[1] == '2') || (type[0] == '9' && type[1] == '9'))
            return VoucherGroup::B;
    }
    return VoucherGroup::C;
}

VoucherGroup voucherGroup(QStringView type)
{
    return voucherGroup(QByteArrayView(latin1OrMark(type)));
}

bool isDigitsOnly(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!isDigit(c.unicode()))
            return false;
    return true;
}

bool isDigitsOnly(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (!isDigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

QString SeriesRules::messageInvalidSeries()
{
    return QStringLiteral("El número de serie del comprobante de pago no es válido");
}

QString SeriesRules::messageType12Empty()
{
    return QStringLiteral("Debe registrar el número de serie del comprobante de pago no es válido");
}

QString SeriesRules::messageElectronic()
{
    return QStringLiteral("Para los comprobantes de pago electrónicos con fecha de emisión mayor o "
                          "igual a ")
        + QStringLiteral("01/12/2012")
        + QStringLiteral(", sólo se permite el ingreso de caracteres alfanuméricos desde la "
                         "segunda a la cuarta posición, si es que la primera posición del número "
                         "de serie es la letra F.");
}

QString SeriesRules::messageLettersAfterFirst()
{
    return QStringLiteral("Para comprobantes de pago con la fecha de emisión que ha ingresado, no "
                          "se permiten caracteres alfabéticos desde la segunda a la cuarta "
                          "posición en el número de serie.");
}

QString SeriesRules::messageFirstCharacter()
{
    return QStringLiteral("Para los comprobantes de pago con fecha de emisión mayor o igual a ")
        + QStringLiteral("01/07/2010")
        + QStringLiteral(" sólo se permite el ingreso de caracter alfanumérico en la primera "
                         "posición del número de serie.");
}

SeriesVerdict SeriesRules::checkEntry(QStringView type, const QString &series, QStringView month,
                                      QStringView period) const
{
    auto refuse = [](SeriesVerdict::Shown shown, const QString &text, bool focus) {
        SeriesVerdict v;
        v.ok = false;
        v.shownBy = shown;
        v.text = text;
        v.focusSeries = focus;
        return v;
    };
    const QStringView trimmed = trimSpaces(QStringView(series));
    const VoucherGroup group = voucherGroup(type);

    if (type == u"12") {
        if (trimmed.isEmpty())
            return refuse(SeriesVerdict::Shown::Box, messageType12Empty(), true);
        return {};
    }
    if (group != VoucherGroup::A) {
        if (!m_checks.seriesTextOk(series, false, false, false))
            return refuse(SeriesVerdict::Shown::Box, messageInvalidSeries(), true);
        return {};
    }

    if (trimmed.size() != 4)
        return refuse(SeriesVerdict::Shown::Box, messageInvalidSeries(), true);
    const QByteArray p = latin1OrMark(period);
    const QByteArray m = latin1OrMark(month);
    // Positions 2 to 4 of the field's text as typed, blanks included.
    const bool letter = hasLetter(QStringView(series));
    const int first = trimmed.front().unicode();
    if (onOrAfter(p, m, kElectronicVouchers)) {
        if (letter && first != 'F' && first != 'f')
            return refuse(SeriesVerdict::Shown::Host, messageElectronic(), false);
        return {};
    }
    if (onOrAfter(p, m, kLettersInFirstPosition)) {
        if (isLetter(first) || isDigit(first)) {
            if (letter)
                return refuse(SeriesVerdict::Shown::Host, messageLettersAfterFirst(), false);
            return {};
        }
        return refuse(SeriesVerdict::Shown::Host, messageFirstCharacter(), true);
    }
    if (!m_checks.seriesTextOk(series, false, false, false))
        return refuse(SeriesVerdict::Shown::Box, messageInvalidSeries(), true);
    return {};
}

ImportSeries SeriesRules::importStep1(QByteArrayView type, QByteArrayView series) const
{
    ImportSeries kept;
    bool ok = true;
    QByteArrayView value = trimSpaces(series);
    if (value.isEmpty())
        ok = false;

    const VoucherGroup group = voucherGroup(type);
    QByteArray padded;
    if (group == VoucherGroup::A || group == VoucherGroup::C) {
        if (isDigitsOnly(value) && value.size() != 4) {
            // The host pads; a text that already has the width is left as it is.
            const QString p = m_checks.padLeft(QString::fromLatin1(value), 4, u'0');
            padded = latin1OrMark(p);
            value = trimSpaces(QByteArrayView(padded));
        }
        if (value.size() != 4)
            ok = false;
        if (group == VoucherGroup::A)
            for (char c : value)
                if (!m_checks.alphanumericCharOk(static_cast<unsigned char>(c), false, false))
                    ok = false;
    } else {
        if (value.size() > 15)
            ok = false;
        for (char c : value)
            if (!m_checks.seriesCharOk(static_cast<unsigned char>(c), true))
                ok = false;
    }
    kept.ok = ok && value.size() <= qsizetype(sizeof kept.text);
    if (kept.ok) {
        std::memcpy(kept.text, value.data(), static_cast<size_t>(value.size()));
        kept.size = static_cast<int>(value.size());
    }
    return kept;
}

bool SeriesRules::importStep2(QByteArrayView type, QByteArrayView series, QByteArrayView month,
                              QByteArrayView period) const
{
    // Every imported series needs characters in positions 2 to 4, whatever its type.
    if (series.size() < 4)
        return false;
    const VoucherGroup group = voucherGroup(type);
    if (group == VoucherGroup::B)
        return true;
    if (group == VoucherGroup::C)
        return isDigitsOnly(series);

    const bool letter = hasLetter(series);
    const int first = static_cast<unsigned char>(series[0]);
    if (onOrAfter(period, month, kElectronicVouchers))
        return !(letter && first != 'F' && first != 'f');
    if (onOrAfter(period, month, kLettersInFirstPosition))
        return (isLetter(first) || isDigit(first)) && !letter;
    return isDigit(first);
}

} // namespace declmod
