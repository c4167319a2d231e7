// The voucher dialog's rules without its window: what a typed key becomes in the series,
// month and amount fields, the nine checks before a record is written (each one's message,
// how it is shown and where the focus goes, and which one wins when several fail), and the
// texts amounts are stored and shown as.

#include "declmod/session/hostservices.h"
#include "declmod/voucher/detailrules.h"
#include "declmod/voucher/seriesrules.h"

#include <QtTest>

using declmod::DetailEntry;
using declmod::DetailField;
using declmod::DetailVerdict;
using declmod::KeyOutcome;
using declmod::kKeyBackspace;
using declmod::kKeyEnter;
using Shown = DetailVerdict::Shown;

Q_DECLARE_METATYPE(DetailField)
Q_DECLARE_METATYPE(DetailVerdict::Shown)

namespace {

const declmod::HostServices kHost;

// A key in a data row: a character, or Backspace / Enter.
int key(const char *k)
{
    if (qstrcmp(k, "BS") == 0)
        return kKeyBackspace;
    if (qstrcmp(k, "ENTER") == 0)
        return kKeyEnter;
    return QString::fromUtf8(k).at(0).unicode();
}

// What a key became: the character, "BS", "ENTER", or "dropped"; "+next" when the
// focus moves on.
QString outcome(const KeyOutcome &o)
{
    QString text;
    if (o.dropped())
        text = QStringLiteral("dropped");
    else if (o.key == kKeyBackspace)
        text = QStringLiteral("BS");
    else if (o.key == kKeyEnter)
        text = QStringLiteral("ENTER");
    else
        text = QString(QChar(o.key));
    return o.moveNext ? text + QStringLiteral("+next") : text;
}

} // namespace

class TestDetailRules : public QObject
{
    Q_OBJECT

private slots:
    void amountKeys_data()
    {
        QTest::addColumn<bool>("creditNote");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("digit in an empty field") << false << "" << "7" << "7";
        QTest::newRow("12 digits, then a digit becomes the point") << false << "123456789012" << "5" << ".";
        QTest::newRow("12 digits, then Enter becomes the point") << false << "123456789012" << "ENTER" << ".";
        QTest::newRow("12 digits, then a letter becomes the point") << false << "123456789012" << "x" << ".";
        QTest::newRow("12 digits, Backspace stays") << false << "123456789012" << "BS" << "BS";
        QTest::newRow("11 digits of an invoice take a 12th") << false << "12345678901" << "5" << "5";
        QTest::newRow("11 digits of a credit note, then the point") << true << "12345678901" << "5" << ".";
        QTest::newRow("11 digits of a credit note, Backspace stays") << true << "12345678901" << "BS" << "BS";
        QTest::newRow("12 characters with a point take decimals") << false << "1234567890.5" << "5" << "5";
        QTest::newRow("first point") << false << "12" << "." << ".";
        QTest::newRow("second point dropped") << false << "12.5" << "." << "dropped";
        QTest::newRow("letter dropped") << false << "12" << "a" << "dropped";
        QTest::newRow("comma dropped") << false << "12" << "," << "dropped";
        QTest::newRow("minus dropped") << false << "" << "-" << "dropped";
        QTest::newRow("Enter moves on") << false << "12" << "ENTER" << "dropped+next";
        QTest::newRow("Backspace") << false << "12" << "BS" << "BS";
    }

    void amountKeys()
    {
        QFETCH(bool, creditNote);
        QFETCH(QString, text);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(outcome(declmod::amountKey(kHost, creditNote, text, key(typed.toUtf8().constData()))),
                 expected);
    }

    void seriesKeys_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("invoice: letter first") << "01" << "" << "A" << "A";
        QTest::newRow("invoice: digit after letters") << "01" << "AB" << "1" << "1";
        QTest::newRow("invoice: hyphen dropped") << "01" << "A1" << "-" << "dropped";
        QTest::newRow("invoice: point dropped") << "01" << "A" << "." << "dropped";
        QTest::newRow("invoice: accented letter dropped") << "03" << "" << "ñ" << "dropped";
        QTest::newRow("invoice: Backspace") << "01" << "A1" << "BS" << "BS";
        QTest::newRow("invoice: Enter in a filled field moves on") << "01" << "A12" << "ENTER" << "dropped+next";
        QTest::newRow("invoice: Enter in an empty field stays") << "01" << "" << "ENTER" << "dropped";
        QTest::newRow("invoice: Enter in a blank field stays") << "07" << "  " << "ENTER" << "dropped";
        QTest::newRow("type 06: digit") << "06" << "12" << "3" << "3";
        QTest::newRow("type 06: letter dropped") << "06" << "12" << "A" << "dropped";
        QTest::newRow("type 06: Backspace") << "06" << "12" << "BS" << "BS";
        QTest::newRow("type 06: Enter moves on") << "06" << "12" << "ENTER" << "dropped+next";
        QTest::newRow("type 12: hyphen") << "12" << "AB" << "-" << "-";
        QTest::newRow("type 12: letter") << "12" << "AB" << "c" << "c";
        QTest::newRow("type 12: slash dropped") << "12" << "AB" << "/" << "dropped";
        QTest::newRow("type 12: quote dropped") << "12" << "AB" << "'" << "dropped";
        QTest::newRow("type 99: Enter moves on") << "99" << "AB" << "ENTER" << "dropped+next";
        QTest::newRow("type 99: point dropped") << "99" << "AB" << "." << "dropped";
    }

    void seriesKeys()
    {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(outcome(declmod::seriesKey(kHost, type, text, key(typed.toUtf8().constData()))),
                 expected);
    }

    void monthKeys_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("digit") << "1" << "1";
        QTest::newRow("letter") << "a" << "dropped";
        QTest::newRow("point") << "." << "dropped";
        QTest::newRow("Enter") << "ENTER" << "dropped+next";
        QTest::newRow("Backspace") << "BS" << "BS";
    }

    void monthKeys()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(outcome(declmod::monthKey(kHost, key(typed.toUtf8().constData()))), expected);
    }

    // Each row changes the valid record in one or more fields; when several checks would
    // fail, the first in order wins.
    void checks_data()
    {
        QTest::addColumn<bool>("addMode");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("series");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("taxed");
        QTest::addColumn<QString>("period");
        QTest::addColumn<bool>("seriesEnabled");
        QTest::addColumn<int>("check");
        QTest::addColumn<Shown>("shown");
        QTest::addColumn<QString>("message");
        QTest::addColumn<DetailField>("focus");
        const QString fact = QStringLiteral("01     FACTURA");
        const QString note12 = QStringLiteral("12     TICKET");
        auto row = [&](const char *name, bool add, bool dup, const QString &type, const char *series,
                       const char *month, const char *total, const char *taxed, const char *period,
                       bool seriesEnabled, int check, Shown shown, const QString &message,
                       DetailField focus) {
            QTest::newRow(name) << add << dup << type << series << month << total << taxed << period
                                << seriesEnabled << check << shown << message << focus;
        };
        row("valid", true, false, fact, "0001", "03", "100.00", "50.00", "2011", true, 0,
            Shown::Nothing, "", DetailField::None);
        row("duplicate wins over everything", true, true, "", "", "", "", "", "2011", true, 1,
            Shown::Host, "Ya se ingresó este comprobante de pago", DetailField::None);
        row("duplicate not asked in modify mode", false, true, fact, "0001", "03", "100.00",
            "50.00", "2011", true, 0, Shown::Nothing, "", DetailField::None);
        row("no type, then no month", true, false, "", "0001", "", "100", "50", "2011", true, 2,
            Shown::Box, "Elija el tipo del comprobante de pago", DetailField::Type);
        row("blank type", true, false, "   ", "0001", "03", "100", "50", "2011", true, 2,
            Shown::Box, "Elija el tipo del comprobante de pago", DetailField::Type);
        row("no month, then no amount", true, false, fact, "0001", "", "", "", "2011", true, 3,
            Shown::Box, "Debe ingresar el mes del comprobante", DetailField::Month);
        row("month 13", true, false, fact, "0001", "13", "100", "50", "2011", true, 4, Shown::Box,
            "El mes del comprobante no es valido", DetailField::Month);
        row("month 0", true, false, fact, "0001", "0", "100", "50", "2011", true, 4, Shown::Box,
            "El mes del comprobante no es valido", DetailField::Month);
        row("month 12", true, false, fact, "0001", "12", "100", "50", "2011", true, 0,
            Shown::Nothing, "", DetailField::None);
        row("month 1 unpadded", true, false, fact, "0001", "1", "100", "50", "2011", true, 0,
            Shown::Nothing, "", DetailField::None);
        row("series with a letter after the first (2011), before the amounts", true, false, fact,
            "1A23", "03", "", "", "2011", true, 5, Shown::Host,
            declmod::SeriesRules::messageLettersAfterFirst(), DetailField::None);
        row("series starting with a hyphen (2011)", true, false, fact, "-123", "03", "100", "50",
            "2011", true, 5, Shown::Host, declmod::SeriesRules::messageFirstCharacter(),
            DetailField::Series);
        row("series of 3 characters", true, false, fact, "A12", "03", "100", "50", "2011", true, 5,
            Shown::Box, declmod::SeriesRules::messageInvalidSeries(), DetailField::Series);
        row("series refused while its field is disabled", false, false, fact, "A12", "03", "100",
            "50", "2011", false, 5, Shown::Box, declmod::SeriesRules::messageInvalidSeries(),
            DetailField::None);
        row("electronic series B0A1 (2013)", true, false, fact, "B0A1", "05", "100", "50", "2013",
            true, 5, Shown::Host, declmod::SeriesRules::messageElectronic(), DetailField::None);
        row("electronic series F0A1 (2013)", true, false, fact, "F0A1", "05", "100", "50", "2013",
            true, 0, Shown::Nothing, "", DetailField::None);
        row("type 12 without series", true, false, note12, "  ", "05", "100", "50", "2013", true, 5,
            Shown::Box, declmod::SeriesRules::messageType12Empty(), DetailField::Series);
        row("total not numeric", true, false, fact, "0001", "03", "abc", "50", "2011", true, 6,
            Shown::Host, "Ingrese las ventas totales", DetailField::TotalSales);
        row("total empty", true, false, fact, "0001", "03", "", "", "2011", true, 6, Shown::Host,
            "Ingrese las ventas totales", DetailField::TotalSales);
        row("total zero", true, false, fact, "0001", "03", "0", "0", "2011", true, 7, Shown::Host,
            "Las ventas totales deben ser mayor a cero", DetailField::TotalSales);
        row("total 0.00 before a bad taxed amount", true, false, fact, "0001", "03", "0.00", "x", "2011", true, 7,
            Shown::Host, "Las ventas totales deben ser mayor a cero", DetailField::TotalSales);
        row("taxed empty", true, false, fact, "0001", "03", "100", "", "2011", true, 8, Shown::Host,
            "Ingrese el valor de las ventas gravadas", DetailField::TaxedSales);
        row("taxed not numeric", true, false, fact, "0001", "03", "100", "5o", "2011", true, 8,
            Shown::Host, "Ingrese el valor de las ventas gravadas", DetailField::TaxedSales);
        row("taxed one cent above total", true, false, fact, "0001", "03", "50", "50.01", "2011",
            true, 9, Shown::Host, "Las ventas gravadas no pueden ser mayor a las ventas totales",
            DetailField::TaxedSales);
        row("taxed equal to total", true, false, fact, "0001", "03", "50", "50.00", "2011", true, 0,
            Shown::Nothing, "", DetailField::None);
        row("taxed zero", true, false, fact, "0001", "03", "50", "0", "2011", true, 0,
            Shown::Nothing, "", DetailField::None);
        row("grouped amounts", true, false, fact, "0001", "03", "1,234,567.50", "1,234.50", "2011",
            true, 0, Shown::Nothing, "", DetailField::None);
        row("grouped taxed above grouped total", true, false, fact, "0001", "03", "1,234.50",
            "1,234.51", "2011", true, 9, Shown::Host,
            "Las ventas gravadas no pueden ser mayor a las ventas totales", DetailField::TaxedSales);
        // Above 2^53 cents a floating-point comparison would take these as equal.
        row("taxed above total by a cent at 12 digits", true, false, fact, "0001", "03",
            "999999999999.98", "999999999999.99", "2011", true, 9, Shown::Host,
            "Las ventas gravadas no pueden ser mayor a las ventas totales", DetailField::TaxedSales);
    }

    void checks()
    {
        QFETCH(bool, addMode);
        QFETCH(bool, duplicate);
        QFETCH(QString, type);
        QFETCH(QString, series);
        QFETCH(QString, month);
        QFETCH(QString, total);
        QFETCH(QString, taxed);
        QFETCH(QString, period);
        QFETCH(bool, seriesEnabled);
        QFETCH(int, check);
        QFETCH(Shown, shown);
        QFETCH(QString, message);
        QFETCH(DetailField, focus);

        DetailEntry e;
        e.addMode = addMode;
        e.typeText = type;
        e.series = series;
        e.month = month;
        e.totalSales = total;
        e.taxedSales = taxed;
        e.seriesEnabled = seriesEnabled;
        int asked = 0;
        const DetailVerdict v = declmod::validateDetail(kHost, e, period, [&] {
            ++asked;
            return duplicate;
        });
        QCOMPARE(v.ok, check == 0);
        QCOMPARE(v.check, check);
        QCOMPARE(v.shownBy, shown);
        QCOMPARE(v.text, message);
        QCOMPARE(v.focus, focus);
        QCOMPARE(asked, addMode ? 1 : 0);
    }

    void amountTexts_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("creditNote");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("editable");
        QTest::addColumn<QString>("grouped");
        QTest::newRow("whole") << "100" << false << "100.00" << "100.00" << "100.00";
        QTest::newRow("credit note") << "100" << true << "-100.00" << "100.00" << "100.00";
        QTest::newRow("grouped") << "1,234.5" << false << "1234.50" << "1234.50" << "1,234.50";
        QTest::newRow("credit note below one") << "0.5" << true << "-0.50" << "0.50" << "0.50";
        QTest::newRow("point first") << ".75" << false << "0.75" << "0.75" << "0.75";
        QTest::newRow("12 integer digits") << "999999999999.99" << false << "999999999999.99"
                                           << "999999999999.99" << "999,999,999,999.99";
        QTest::newRow("11 digits, credit note") << "99999999999.99" << true << "-99999999999.99"
                                                << "99999999999.99" << "99,999,999,999.99";
        QTest::newRow("not an amount") << "abc" << false << "abc" << "abc" << "abc";
        QTest::newRow("empty") << "" << false << "" << "" << "";
    }

    void amountTexts()
    {
        QFETCH(QString, shown);
        QFETCH(bool, creditNote);
        QFETCH(QString, stored);
        QFETCH(QString, editable);
        QFETCH(QString, grouped);
        QCOMPARE(declmod::storedAmount(shown, creditNote), stored);
        QCOMPARE(declmod::editableAmount(stored), editable);
        QCOMPARE(declmod::groupedAmount(shown), grouped);
        QCOMPARE(declmod::withoutCommas(declmod::groupedAmount(shown)),
                 shown.isEmpty() || shown == u"abc" ? shown : declmod::storedAmount(shown, false));
    }

    void typeListEntries_data()
    {
        QTest::addColumn<QString>("argumento");
        QTest::addColumn<QString>("funcion");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("description");
        const QString longText = QStringLiteral("FACTURA ELECTRONICA DE VENTA CON DETALLE LARGO");
        QTest::newRow("two-digit code") << "01" << "FACTURA" << "01     FACTURA" << "01" << "FACTURA";
        QTest::newRow("one-digit code is padded with a blank")
            << "7" << "NOTA DE CREDITO" << "7      NOTA DE CREDITO" << "7 " << "NOTA DE CREDITO";
        QTest::newRow("description of 40 characters")
            << "06" << longText << "06     " + longText.left(40) << "06" << longText.left(38);
        QTest::newRow("first 15 blank: no description")
            << "99" << QString(15, u' ') + "OTROS" << "99     " << "99" << "";
    }

    void typeListEntries()
    {
        QFETCH(QString, argumento);
        QFETCH(QString, funcion);
        QFETCH(QString, entry);
        QFETCH(QString, code);
        QFETCH(QString, description);
        const QString made = declmod::typeListEntry(kHost, argumento, funcion.left(40));
        QCOMPARE(made, entry);
        QCOMPARE(declmod::typeCodeOf(made), code);
        QCOMPARE(declmod::typeDescriptionOf(made), description);
    }
};

QTEST_APPLESS_MAIN(TestDetailRules)
#include "tst_detailrules.moc"
