// The voucher series rules in both variants: the entry dialog's (message, how it is shown,
// focus) and the import's (accept or refuse, and the series kept), around both date
// thresholds and for each type group; and what the rules ask of the host's checks.

#include "declmod/voucher/seriesrules.h"

#include <QtTest>

using declmod::SeriesRules;
using declmod::SeriesVerdict;
using Shown = SeriesVerdict::Shown;

Q_DECLARE_METATYPE(SeriesVerdict::Shown)

namespace {

// A host whose answers the test chooses, and that records what it was asked.
class ScriptedChecks : public declmod::DefaultHostCharChecks
{
public:
    bool acceptSeriesText = true;
    mutable QStringList calls;

    bool alphanumericCharOk(int code, bool o1, bool o2) const override
    {
        calls << QStringLiteral("alnum %1 %2%3").arg(QChar(code)).arg(int(o1)).arg(int(o2));
        return DefaultHostCharChecks::alphanumericCharOk(code, o1, o2);
    }
    bool seriesCharOk(int code, bool o) const override
    {
        calls << QStringLiteral("serieschar %1 %2").arg(QChar(code)).arg(int(o));
        return DefaultHostCharChecks::seriesCharOk(code, o);
    }
    bool seriesTextOk(const QString &text, bool o1, bool o2, bool o3) const override
    {
        calls << QStringLiteral("seriestext [%1] %2%3%4").arg(text).arg(int(o1)).arg(int(o2)).arg(int(o3));
        return acceptSeriesText && DefaultHostCharChecks::seriesTextOk(text, o1, o2, o3);
    }
    QString padLeft(const QString &text, int width, QChar fill) const override
    {
        calls << QStringLiteral("pad [%1] %2 %3").arg(text).arg(width).arg(fill);
        return DefaultHostCharChecks::padLeft(text, width, fill);
    }
};

const QString kInvalid = SeriesRules::messageInvalidSeries();

} // namespace

class TestSeriesRules : public QObject
{
    Q_OBJECT

private slots:
    // Every text the entry dialog shows for a series, letter for letter (accents, the dates
    // inside the texts, the final points).
    void messages_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("invalid series") << SeriesRules::messageInvalidSeries()
            << QStringLiteral("El número de serie del comprobante de pago no es válido");
        QTest::newRow("type 12 blank") << SeriesRules::messageType12Empty()
            << QStringLiteral("Debe registrar el número de serie del comprobante de pago no es válido");
        QTest::newRow("electronic") << SeriesRules::messageElectronic()
            << QStringLiteral("Para los comprobantes de pago electrónicos con fecha de emisión mayor o "
                              "igual a 01/12/2012, sólo se permite el ingreso de caracteres "
                              "alfanuméricos desde la segunda a la cuarta posición, si es que la "
                              "primera posición del número de serie es la letra F.");
        QTest::newRow("letters after first") << SeriesRules::messageLettersAfterFirst()
            << QStringLiteral("Para comprobantes de pago con la fecha de emisión que ha ingresado, no "
                              "se permiten caracteres alfabéticos desde la segunda a la cuarta "
                              "posición en el número de serie.");
        QTest::newRow("first character") << SeriesRules::messageFirstCharacter()
            << QStringLiteral("Para los comprobantes de pago con fecha de emisión mayor o igual a "
                              "01/07/2010 sólo se permite el ingreso de caracter alfanumérico en la "
                              "primera posición del número de serie.");
    }

    void messages()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void entry_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("series");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<Shown>("shown");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("focus");
        const QString electronic = SeriesRules::messageElectronic();
        const QString letters = SeriesRules::messageLettersAfterFirst();
        const QString first = SeriesRules::messageFirstCharacter();
        auto ok = [](const char *name, const char *period, const char *month, const char *type,
                     const char *series) {
            QTest::newRow(name) << period << month << type << series << true << Shown::Nothing
                                << QString() << false;
        };
        auto no = [](const char *name, const char *period, const char *month, const char *type,
                     const char *series, Shown shown, const QString &text, bool focus) {
            QTest::newRow(name) << period << month << type << series << false << shown << text
                                << focus;
        };
        // From December 2012: letters in 2-4 only behind an "F".
        ok("2013 F0A1", "2013", "05", "01", "F0A1");
        ok("2013 B001", "2013", "05", "01", "B001");
        ok("2013 f0a1", "2013", "05", "07", "f0a1");
        no("2013 B0A1", "2013", "05", "01", "B0A1", Shown::Host, electronic, false);
        no("2012-12 1A23", "2012", "12", "08", "1A23", Shown::Host, electronic, false);
        ok("2012-12 03 F0A1", "2012", "12", "03", "F0A1");
        // July 2010 to November 2012: a letter only in the first position.
        no("2012-11 03 F0A1", "2012", "11", "03", "F0A1", Shown::Host, letters, false);
        ok("2011 A123", "2011", "01", "01", "A123");
        no("2011 1A23", "2011", "01", "01", "1A23", Shown::Host, letters, false);
        no("2011 -123", "2011", "01", "01", "-123", Shown::Host, first, true);
        ok("2010-07 A123", "2010", "07", "01", "A123");
        no("2010-07 1A23", "2010", "07", "01", "1A23", Shown::Host, letters, false);
        // Has-letter reads positions 2 to 4 of the text as typed; the length and the first
        // character are taken after trimming.
        no("2011 blank A123", "2011", "01", "01", " A123", Shown::Host, letters, false);
        no("2013 blank B001", "2013", "05", "01", " B001", Shown::Host, electronic, false);
        ok("2013 blank F0A1", "2013", "05", "01", " F0A1");
        ok("2011 A123 blank", "2011", "01", "01", "A123 ");
        // Before July 2010: the host's series-text check decides.
        ok("2010-06 1A23", "2010", "06", "01", "1A23");
        ok("2009 A123", "2009", "03", "01", "A123");
        no("2009 A#12", "2009", "03", "01", "A#12", Shown::Box, kInvalid, true);
        // Group A needs exactly four characters.
        no("01 123", "2013", "05", "01", "123", Shown::Box, kInvalid, true);
        no("01 A12", "2011", "05", "01", "A12", Shown::Box, kInvalid, true);
        no("01 empty", "2013", "05", "01", "", Shown::Box, kInvalid, true);
        ok("01 0123", "2013", "05", "01", "0123");
        // Type 12: any non-blank series.
        no("12 empty", "2013", "05", "12", "", Shown::Box,
           SeriesRules::messageType12Empty(), true);
        no("12 blank", "2013", "05", "12", "   ", Shown::Box,
           SeriesRules::messageType12Empty(), true);
        ok("12 X", "2013", "05", "12", "X");
        ok("12 @@", "2013", "05", "12", "@@");
        // Type 99 and group C: the host's series-text check.
        no("99 @@", "2013", "05", "99", "@@", Shown::Box, kInvalid, true);
        ok("99 ABC", "2013", "05", "99", "ABC");
        ok("06 12AB", "2013", "05", "06", "12AB");
        no("16 blank", "2013", "05", "16", " ", Shown::Box, kInvalid, true);
    }

    void entry()
    {
        QFETCH(QString, period);
        QFETCH(QString, month);
        QFETCH(QString, type);
        QFETCH(QString, series);
        QFETCH(bool, ok);
        QFETCH(Shown, shown);
        QFETCH(QString, text);
        QFETCH(bool, focus);
        const declmod::DefaultHostCharChecks checks;
        const SeriesVerdict v = SeriesRules(checks).checkEntry(type, series, month, period);
        QCOMPARE(v.ok, ok);
        QCOMPARE(v.shownBy, shown);
        QCOMPARE(v.text, text);
        QCOMPARE(v.focusSeries, focus);
    }

    void import_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("series");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("kept");
        auto row = [](const char *name, const char *period, const char *month, const char *type,
                      const char *series, bool ok, const char *kept) {
            QTest::newRow(name) << period << month << type << series << ok << kept;
        };
        row("2013 F0A1", "2013", "05", "01", "F0A1", true, "F0A1");
        row("2013 B001", "2013", "05", "01", "B001", true, "B001");
        row("2013 B0A1", "2013", "05", "01", "B0A1", false, "");
        row("2011 A123", "2011", "01", "01", "A123", true, "A123");
        row("2011 1A23", "2011", "01", "01", "1A23", false, "");
        row("2011 -123", "2011", "01", "01", "-123", false, "");
        row("2012-11 03 F0A1", "2012", "11", "03", "F0A1", false, "");
        row("2012-12 03 F0A1", "2012", "12", "03", "F0A1", true, "F0A1");
        row("2012-12 1A23", "2012", "12", "01", "1A23", false, "");
        row("2010-06 A123", "2010", "06", "01", "A123", false, "");
        row("2010-07 A123", "2010", "07", "01", "A123", true, "A123");
        row("2009 A123", "2009", "03", "01", "A123", false, "");
        row("2009 0123", "2009", "03", "01", "0123", true, "0123");
        // Numeric series of groups A and C are padded to four.
        row("01 123", "2013", "05", "01", "123", true, "0123");
        row("01 7 trimmed", "2013", "05", "08", " 7 ", true, "0007");
        row("01 12345", "2013", "05", "01", "12345", false, "");
        row("01 A12", "2013", "05", "01", "A12", false, "");
        row("06 12", "2013", "05", "06", "12", true, "0012");
        row("06 12AB", "2013", "05", "06", "12AB", false, "");
        row("06 -123", "2013", "05", "06", "-123", false, "");
        row("01 empty", "2013", "05", "01", "", false, "");
        // Group B: up to 15 series characters, at least four in the import.
        row("12 ABC", "2013", "05", "12", "ABC", false, "");
        row("99 ABC", "2013", "05", "99", "ABC", false, "");
        row("12 ABCD", "2013", "05", "12", "ABCD", true, "ABCD");
        row("12 123 not padded", "2013", "05", "12", "123", false, "");
        row("99 A-B-C", "2013", "05", "99", "A-B-C", true, "A-B-C");
        row("12 15 chars", "2013", "05", "12", "ABCDEFGHIJ12345", true, "ABCDEFGHIJ12345");
        row("12 16 chars", "2013", "05", "12", "ABCDEFGHIJ123456", false, "");
        row("12 inner space", "2013", "05", "12", "AB 12", false, "");
        row("12 blank", "2013", "05", "12", "    ", false, "");
    }

    void import()
    {
        QFETCH(QString, period);
        QFETCH(QString, month);
        QFETCH(QString, type);
        QFETCH(QString, series);
        QFETCH(bool, ok);
        QFETCH(QString, kept);
        const declmod::DefaultHostCharChecks checks;
        const SeriesRules rules(checks);
        const QByteArray t = type.toLatin1(), s = series.toLatin1();
        const declmod::ImportSeries step1 = rules.importStep1(t, s);
        const bool accepted = step1.ok
            && rules.importStep2(t, step1.view(), month.toLatin1(), period.toLatin1());
        QCOMPARE(accepted, ok);
        if (ok)
            QCOMPARE(QString::fromLatin1(step1.view()), kept);
    }

    // The rules consult the host with the options their callers state, and follow its answer.
    void hostIsAsked()
    {
        ScriptedChecks checks;
        const SeriesRules rules(checks);

        checks.acceptSeriesText = false;
        SeriesVerdict v = rules.checkEntry(u"06", QStringLiteral("1234"), u"05", u"2013");
        QVERIFY(!v.ok);
        QCOMPARE(checks.calls, QStringList{QStringLiteral("seriestext [1234] 000")});
        checks.calls.clear();
        v = rules.checkEntry(u"01", QStringLiteral("1234"), u"05", u"2009");
        QVERIFY(!v.ok);
        QCOMPARE(v.text, kInvalid);
        QCOMPARE(checks.calls, QStringList{QStringLiteral("seriestext [1234] 000")});

        checks.calls.clear();
        QVERIFY(rules.importStep1("01", "12").ok);
        QCOMPARE(checks.calls, (QStringList{QStringLiteral("pad [12] 4 0"),
                                            QStringLiteral("alnum 0 00"), QStringLiteral("alnum 0 00"),
                                            QStringLiteral("alnum 1 00"), QStringLiteral("alnum 2 00")}));
        checks.calls.clear();
        QVERIFY(rules.importStep1("99", "A-1").ok);
        QCOMPARE(checks.calls, (QStringList{QStringLiteral("serieschar A 1"),
                                            QStringLiteral("serieschar - 1"),
                                            QStringLiteral("serieschar 1 1")}));
    }

    void groups()
    {
        using declmod::VoucherGroup;
        QCOMPARE(declmod::voucherGroup(u"01"), VoucherGroup::A);
        QCOMPARE(declmod::voucherGroup(u"03"), VoucherGroup::A);
        QCOMPARE(declmod::voucherGroup(u"07"), VoucherGroup::A);
        QCOMPARE(declmod::voucherGroup(u"08"), VoucherGroup::A);
        QCOMPARE(declmod::voucherGroup(u"12"), VoucherGroup::B);
        QCOMPARE(declmod::voucherGroup(u"99"), VoucherGroup::B);
        QCOMPARE(declmod::voucherGroup(u"06"), VoucherGroup::C);
        QCOMPARE(declmod::voucherGroup(u"16"), VoucherGroup::C);
        QCOMPARE(declmod::voucherGroup(u"1"), VoucherGroup::C);
    }
};

QTEST_GUILESS_MAIN(TestSeriesRules)
#include "tst_seriesrules.moc"
