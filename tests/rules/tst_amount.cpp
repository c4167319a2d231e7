// Exact amounts and the numeric pictures: parsing (plain and grouped forms, rounding of
// extra decimals, refusal of huge or malformed text), checked arithmetic, and every picture
// the programs use.

#include "common/amount/amount.h"
#include "common/amount/picture.h"

#include <QtTest>

#include <stdexcept>

using qav::Amount;

namespace {

Amount amount(const char *text)
{
    const auto value = Amount::parse(QString::fromLatin1(text));
    if (!value)
        qFatal("bad amount in test: %s", text);
    return *value;
}

} // namespace

class TestAmount : public QObject
{
    Q_OBJECT

private slots:
    void parseValid_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<qint64>("raw");
        auto row = [](const char *text, int decimals, qint64 raw) {
            QTest::addRow("%s /%d", text, decimals) << QString::fromLatin1(text) << decimals << raw;
        };
        row("1234.5", 4, 12345000);
        row("-100.5", 4, -1005000);
        row("1,234.50", 4, 12345000);
        row("-1,234,567.25", 4, -12345672500);
        row(".50", 4, 5000);
        row("-.5", 4, -5000);
        row("5.", 4, 50000);
        row("+3", 4, 30000);
        row("  12  ", 4, 120000);
        row("000000000000000000000000000001", 4, 10000);
        row("0.00005", 4, 1);     // fifth decimal rounds half away from zero
        row("-0.00005", 4, -1);
        row("0.00004", 4, 0);
        row("1.005", 2, 10100);   // exact: no binary-floating error pushes it down
        row("1.00499999", 2, 10000);
        row("-1.005", 2, -10100);
        row("0.995", 2, 10000);
        row("2.5", 0, 30000);
        row("-2.5", 0, -30000);
        row("922337203685477.5807", 4, INT64_MAX);
        row("-922337203685477.5807", 4, -INT64_MAX);
    }

    void parseValid()
    {
        QFETCH(QString, text);
        QFETCH(int, decimals);
        QFETCH(qint64, raw);
        const auto value = Amount::parse(text, decimals);
        QVERIFY(value.has_value());
        QCOMPARE(value->raw(), raw);
        const auto fromBytes = Amount::parse(QByteArrayView(text.toLatin1()), decimals);
        QVERIFY(fromBytes.has_value());
        QCOMPARE(fromBytes->raw(), raw);
    }

    void parseInvalid_data()
    {
        QTest::addColumn<QString>("text");
        const char *bad[] = {"", "   ", "-", ".", "+.", "1.2.3", "12a", "1e5", "--1", "1 000",
                             "1,23", "1234,567", ",123", "1,,234", "1,234,", "1,234.5,0",
                             "0x10", "922337203685478", "922337203685477.5808",
                             "-922337203685477.5808", "922337203685477.58075",
                             "99999999999999999999999999999999999999999999999999"};
        for (const char *text : bad)
            QTest::addRow("'%s'", text) << QString::fromLatin1(text);
        QTest::addRow("arabic digits") << QString::fromUtf8("١٢");
        QTest::addRow("nbsp inside") << QString::fromUtf8("1\u00a0000");
    }

    void parseInvalid()
    {
        QFETCH(QString, text);
        QVERIFY(!Amount::parse(text).has_value());
        QVERIFY(!Amount::isNumeric(text));
    }

    void parseHugeInputStaysBounded()
    {
        // A megabyte of digits is refused, not wrapped round.
        const QString digits(1 << 20, u'9');
        QVERIFY(!Amount::parse(digits).has_value());
        QCOMPARE(Amount::parse(QStringLiteral("0.") + digits)->raw(), 10000);
    }

    void sumsAreExact()
    {
        Amount total;
        const Amount cent = amount("0.01");
        for (int i = 0; i < 100000; ++i)
            total += cent;
        QCOMPARE(total, amount("1000"));
        QCOMPARE((amount("0.1") + amount("0.2")), amount("0.3"));
        QCOMPARE((amount("100") - amount("150.25")).toPlainString(), QStringLiteral("-50.25"));
        QCOMPARE((amount("1.5") * 3).toPlainString(), QStringLiteral("4.5"));
    }

    void overflowIsReported()
    {
        const Amount max = Amount::fromRaw(INT64_MAX);
        QVERIFY(!Amount::add(max, amount("0.0001")).has_value());
        QVERIFY(!Amount::subtract(-max, amount("0.0001")).has_value());
        QVERIFY(!Amount::multiply(max, 2).has_value());
        QVERIFY(!Amount::fromUnits(922337203685478).has_value());
        QCOMPARE(Amount::fromUnits(-5)->raw(), -50000);
        QVERIFY_THROWS_EXCEPTION(std::overflow_error, max + max);
        QCOMPARE((-max).abs(), max);
        QCOMPARE(Amount::fromRaw(INT64_MIN), -max);
    }

    void rounding_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        QTest::newRow("half up") << "2.345" << 2 << "2.35";
        QTest::newRow("half away negative") << "-2.345" << 2 << "-2.35";
        QTest::newRow("below half") << "2.3449" << 2 << "2.34";
        QTest::newRow("to units") << "-0.5" << 0 << "-1";
        QTest::newRow("nothing to do") << "7.1" << 4 << "7.1";
    }

    void rounding()
    {
        QFETCH(QString, value);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(Amount::parse(value)->rounded(decimals).toPlainString(), expected);
    }

    void plainText_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("negated credit") << "-100.5" << "-100.5";
        QTest::newRow("whole") << "1,234" << "1234";
        QTest::newRow("small") << ".05" << "0.05";
        QTest::newRow("zero") << "-0.000" << "0";
    }

    void plainText()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(Amount::parse(value)->toPlainString(), expected);
    }

    // Every picture the programs use, with rounding, negatives, parentheses, zero and
    // values wider than the picture.
    void pictures_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *value, const char *picture, const char *expected) {
            QTest::addRow("%s in %s", value, picture)
                << QString::fromLatin1(value) << QString::fromLatin1(picture)
                << QString::fromLatin1(expected);
        };
        const char *screen = "###,###,##0.#0";
        row("1234.5", screen, "1,234.50");
        row("0", screen, "0.00");
        row("0.5", screen, "0.50");
        row("1234567.125", screen, "1,234,567.13");
        row("1234567.1249", screen, "1,234,567.12");
        row("-1234567.125", screen, "-1,234,567.13");
        row("999.995", screen, "1,000.00");
        row("-0.004", screen, "0.00");
        row("-0.005", screen, "-0.01");
        row("123456789012", screen, "123,456,789,012.00");
        row("1234567890123", screen, "1,234,567,890,123.00");
        row("100", screen, "100.00");

        row("123456789012345.67", "###,###,###,###,##0.#0", "123,456,789,012,345.67");
        row("-5", "###,###,###,###,##0.#0", "-5.00");
        row("1000000", "###,###,###,##0.#0", "1,000,000.00");
        row("1234567890123.45", "#,###,###,###,##0.#0", "1,234,567,890,123.45");
        row("12", "#,###,###,###,##0.#0", "12.00");

        const char *stored = "###########0.#0";
        row("0.5", stored, "0.50");
        row("0", stored, "0.00");
        row("-100", stored, "-100.00");
        row("123456789012.345", stored, "123456789012.35");
        row("1234567890123", stored, "1234567890123.00");
        row("1,234.5", stored, "1234.50");

        const char *imported = "##########.#0";
        row("0.5", imported, ".50");
        row("0", imported, ".00");
        row("-0.5", imported, "-.50");
        row("-100", imported, "-100.00");
        row("1500", imported, "1500.00");
        row("1271.19", imported, "1271.19");
        row("1.005", imported, "1.01");
        row("12345678901234", imported, "12345678901234.00");

        const char *shown = "(##,###,##0.#0)";
        row("1234.5", shown, "(1,234.50)");
        row("0.25", shown, "(0.25)");
        row("0", shown, "(0.00)");
        row("123456789", shown, "(123,456,789.00)");
        row("1234567890", shown, "(1,234,567,890.00)");

        row("1234", "###,###", "1,234");
        row("0", "###,###", "");
        row("1234567", "###,###", "1,234,567");
        row("12.5", "###,###", "13");
        row("0", "###,###,##0", "0");
        row("1234567", "###,###,##0", "1,234,567");
        row("5", "##", "5");
        row("0", "##", "");
        row("123", "##", "123");
        row("1", "0#", "01");
        row("12", "0#", "12");
        row("0", "0#", "00");
        row("123", "0#", "123");
        row("42", "000000", "000042");
        row("1234567", "000000", "1234567");
        row("7", "00000000", "00000007");
        row("1012009", "0#/0#/####", "01/01/2009");
        row("31122012", "0#/0#/####", "31/12/2012");
    }

    void pictures()
    {
        QFETCH(QString, value);
        QFETCH(QString, picture);
        QFETCH(QString, expected);
        const Amount a = *Amount::parse(value);
        QCOMPARE(qav::formatPicture(a, picture), expected);
        // The compiled picture's single-byte output is the same text.
        char buffer[64];
        const qsizetype n = qav::Picture(picture).formatTo(a, buffer, sizeof buffer);
        QCOMPARE(QString::fromLatin1(buffer, n), expected);
        // Whole values give the same text through the integer formatter.
        if (a.rounded(0) == a)
            QCOMPARE(qav::formatPicture(a.raw() / Amount::Scale, picture), expected);
    }

    void integerPictures()
    {
        QCOMPARE(qav::formatPicture(INT64_MAX, u"###,###"), QStringLiteral("9,223,372,036,854,775,807"));
        QCOMPARE(qav::formatPicture(INT64_MIN, u"0#"), QStringLiteral("-9223372036854775808"));
        QCOMPARE(qav::formatPicture(3, u"###,###,##0"), QStringLiteral("3"));
    }

    void textPictures_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const QString &number, const char *picture,
                      const QString &expected) {
            QTest::newRow(name) << number << QString::fromLatin1(picture) << expected;
        };
        const char *screen = "###,###,##0.#0";
        row("date digits", "01012009", "0#/0#/####", "01/01/2009");
        row("plain", "1500.5", "##########.#0", "1500.50");
        row("grouped text", "-1,234.5", screen, "-1,234.50");
        // Rounded once from the digits as written, not first to four places.
        row("five decimals below a half", "0.00495", screen, "0.00");
        row("many decimals below a half", "1.00499999", screen, "1.00");
        row("many decimals below a half, stored", "1.00499999", "##########.#0", "1.00");
        row("a half at the third", "1.005", screen, "1.01");
        row("negative rounding to zero", "-0.00495", screen, "0.00");
        row("carry into the units", "999.99951", screen, "1,000.00");
        // Beyond the currency's range, or with an exponent, as the database hands back reals.
        row("exponent", "1e+15", screen, "1,000,000,000,000,000.00");
        row("exponent, stored", "1e+15", "##########.#0", "1000000000000000.00");
        row("eighteen nines", "999999999999999999", screen, "999,999,999,999,999,999.00");
        row("beyond 64 bits", "-123456789012345678901234567890.125", "###########0.#0",
            "-123456789012345678901234567890.13");
        row("small exponent", "1.5e-3", screen, "0.00");
        row("real handed back", QVariant(1234567.125).toString(), screen, "1,234,567.13");
        row("large real handed back", QVariant(1e15).toString(), "(##,###,##0.#0)",
            "(1,000,000,000,000,000.00)");
        row("largest real", QVariant(1.7976931348623157e308).toString(), "0",
            QStringLiteral("17976931348623157") + QString(292, u'0'));
        // Text that is not a number comes back as it is.
        row("letters", "12a", "##########.#0", "12a");
        row("empty", "", "0#", "");
        row("exponent without digits", "1e", "0#", "1e");
    }

    void textPictures()
    {
        QFETCH(QString, number);
        QFETCH(QString, picture);
        QFETCH(QString, expected);
        QCOMPARE(qav::formatPicture(QStringView(number), picture), expected);
    }
};

QTEST_GUILESS_MAIN(TestAmount)
#include "tst_amount.moc"
