// The one number reader: the forms each flag admits, exact rounding in every mode, the
// ranges of the conversions, exact comparison and plain text, and inputs far beyond any
// range that must stay bounded.

#include "common/amount/decimalscan.h"

#include <QtTest>

#include <cmath>

using qav::DecimalNumber;
using qav::Rounding;
using qav::ScanFlags;

namespace {

constexpr qint64 kInvalid = INT64_MIN; // "no value" in the tables

qint64 scaledOr(const DecimalNumber &d, int decimals, Rounding r)
{
    const auto v = d.scaled(decimals, r);
    return v ? *v : kInvalid;
}

DecimalNumber plain(const char *text)
{
    return qav::scanDecimal(QByteArrayView(text), qav::ScanWhole | qav::ScanSign | qav::ScanExponent);
}

} // namespace

class TestDecimalScan : public QObject
{
    Q_OBJECT

private slots:
    // Which texts each combination of flags reads, the value in ten-thousandths, and where
    // the number ends.
    void forms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<int>("end");
        const uint whole = qav::ScanWhole | qav::ScanBlanks;
        const uint sign = qav::ScanSign;
        auto row = [](const char *name, const char *text, uint flags, qint64 raw, int end) {
            QTest::newRow(name) << QString::fromLatin1(text) << flags << raw << end;
        };
        row("plain", "1234.5", whole, 12345000, 6);
        row("blanks around", " \t12 \t", whole, 120000, 6);
        row("blanks not asked for", " 12", qav::ScanWhole, kInvalid, 0);
        row("trailing blank not asked for", "12 ", qav::ScanWhole, kInvalid, 0);
        row("point only before", ".5", whole, 5000, 2);
        row("point only after", "5.", whole, 50000, 2);
        row("lone point", ".", whole, kInvalid, 0);
        row("sign refused without the flag", "-1", whole, kInvalid, 0);
        row("sign", "-1.5", whole | sign, -15000, 4);
        row("plus", "+7", whole | sign, 70000, 2);
        row("sign alone", "-", whole | sign, kInvalid, 0);
        row("two signs", "--1", whole | sign, kInvalid, 0);
        row("grouped", "1,234,567.25", whole | qav::ScanGrouping, 12345672500, 12);
        row("grouping not asked for", "1,234", whole, kInvalid, 0);
        row("short group", "1,23", whole | qav::ScanGrouping, kInvalid, 0);
        row("long first group", "1234,567", whole | qav::ScanGrouping, kInvalid, 0);
        row("leading comma", ",123", whole | qav::ScanGrouping, kInvalid, 0);
        row("exponent", "1.5e3", whole | qav::ScanExponent, 15000000, 5);
        row("exponent with sign", "25E-1", whole | qav::ScanExponent, 25000, 5);
        row("exponent as the database writes it", "1e+14", whole | qav::ScanExponent,
            1000000000000000000, 5);
        row("exponent not asked for", "1e3", whole, kInvalid, 0);
        row("e without digits", "1e", whole | qav::ScanExponent, kInvalid, 0);
        row("leading: e without digits ends before it", "1e+x", qav::ScanExponent, 10000, 1);
        row("leading: the rest ignored", "12.5x", qav::ScanBlanks, 125000, 4);
        row("leading: second point ends it", "1.2.9", 0, 12000, 3);
        row("leading: space ends it", "1 2", 0, 10000, 1);
        row("inner spaces", " - 1 2 . 5 ", qav::ScanBlanks | sign | qav::ScanInnerSpaces, -125000, 11);
        row("no digit", "abc", qav::ScanBlanks, kInvalid, 0);
        row("empty", "", whole, kInvalid, 0);
        row("leading zeros", "000000000000000000000000000001", whole, 10000, 30);
        row("second point", "1.2.3", whole, kInvalid, 0);
    }

    void forms()
    {
        QFETCH(QString, text);
        QFETCH(uint, flags);
        QFETCH(qint64, raw);
        QFETCH(int, end);
        for (const DecimalNumber &d :
             {qav::scanDecimal(QStringView(text), flags),
              qav::scanDecimal(QByteArrayView(text.toLatin1()), flags)}) {
            QCOMPARE(d.isValid(), raw != kInvalid);
            QCOMPARE(scaledOr(d, 4, Rounding::HalfAwayFromZero), raw);
            QCOMPARE(int(d.end()), end);
        }
    }

    void nonAsciiIsNoPartOfANumber()
    {
        QVERIFY(!qav::scanDecimal(QStringView(u"١٢"), qav::ScanWhole).isValid());
        QVERIFY(!qav::scanDecimal(QStringView(u"1\u00a0000"), qav::ScanWhole).isValid());
        // Windows-1252 bytes above 127 end a leading number.
        QCOMPARE(int(qav::scanDecimal(QByteArrayView("12\xb2"), 0).end()), 2);
    }

    // Each rounding from the exact digits: halves, a hair above or below them, and
    // negatives.
    void rounding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<qint64>("away");
        QTest::addColumn<qint64>("even");
        QTest::addColumn<qint64>("cut");
        QTest::newRow("2.5") << "2.5" << 0 << qint64(3) << qint64(2) << qint64(2);
        QTest::newRow("3.5") << "3.5" << 0 << qint64(4) << qint64(4) << qint64(3);
        QTest::newRow("-2.5") << "-2.5" << 0 << qint64(-3) << qint64(-2) << qint64(-2);
        QTest::newRow("2.51") << "2.51" << 0 << qint64(3) << qint64(3) << qint64(2);
        QTest::newRow("half by a hair more")
            << "2.50000000000000000000000000000000000000000000000000000001" << 0 << qint64(3)
            << qint64(3) << qint64(2);
        QTest::newRow("just under a half") << "1.49999999999999999999" << 0 << qint64(1)
                                           << qint64(1) << qint64(1);
        QTest::newRow("0.00495 to two places") << "0.00495" << 2 << qint64(0) << qint64(0)
                                               << qint64(0);
        QTest::newRow("1.00499999 to two places") << "1.00499999" << 2 << qint64(100)
                                                  << qint64(100) << qint64(100);
        QTest::newRow("1.005 to two places") << "1.005" << 2 << qint64(101) << qint64(100)
                                             << qint64(100);
        QTest::newRow("0.995 carries") << "0.995" << 2 << qint64(100) << qint64(100) << qint64(99);
        QTest::newRow("far below a unit") << "0.0000000004" << 0 << qint64(0) << qint64(0)
                                          << qint64(0);
        QTest::newRow("exponent moves the point") << "12345e-4" << 2 << qint64(123)
                                                  << qint64(123) << qint64(123);
        QTest::newRow("tiny exponent") << "5e-999999999" << 4 << qint64(0) << qint64(0)
                                       << qint64(0);
    }

    void rounding()
    {
        QFETCH(QString, text);
        QFETCH(int, decimals);
        QFETCH(qint64, away);
        QFETCH(qint64, even);
        QFETCH(qint64, cut);
        const DecimalNumber d = plain(text.toLatin1().constData());
        QVERIFY(d.isValid());
        QCOMPARE(scaledOr(d, decimals, Rounding::HalfAwayFromZero), away);
        QCOMPARE(scaledOr(d, decimals, Rounding::HalfEven), even);
        QCOMPARE(scaledOr(d, decimals, Rounding::TowardZero), cut);
    }

    void ranges()
    {
        QCOMPARE(scaledOr(plain("9223372036854775807"), 0, Rounding::HalfEven), INT64_MAX);
        QCOMPARE(scaledOr(plain("-9223372036854775807"), 0, Rounding::HalfEven), -INT64_MAX);
        QCOMPARE(scaledOr(plain("9223372036854775808"), 0, Rounding::HalfEven), kInvalid);
        QCOMPARE(scaledOr(plain("9223372036854775807.5"), 0, Rounding::HalfAwayFromZero), kInvalid);
        QCOMPARE(scaledOr(plain("9223372036854775807.5"), 0, Rounding::TowardZero), INT64_MAX);
        QCOMPARE(scaledOr(plain("1e18"), 1, Rounding::HalfEven), kInvalid);
        QCOMPARE(scaledOr(plain("1e18"), 0, Rounding::HalfEven), qint64(1000000000000000000));
        QCOMPARE(scaledOr(plain("1"), 19, Rounding::HalfEven), kInvalid); // beyond the places

        // 34 integer digits in ten-thousandths fit the wide result; 10^38 does not.
        const auto wide = plain("1234567890123456789012345678901234.5").scaledWide(4, Rounding::HalfEven);
        QVERIFY(wide.has_value());
        QCOMPARE(qint64(*wide % 1000000000000000000), qint64(123456789012345000));
        QVERIFY(!plain("1e34").scaledWide(4, Rounding::HalfEven).has_value());
        QVERIFY(plain("-9.9999e33").scaledWide(4, Rounding::HalfEven).has_value());
    }

    void wholeness()
    {
        QVERIFY(plain("12").isWholeAt(0));
        QVERIFY(plain("12.000").isWholeAt(0));
        QVERIFY(!plain("12.5").isWholeAt(0));
        QVERIFY(plain("12.5").isWholeAt(1));
        QVERIFY(plain("1.25e1").isWholeAt(1));
        QVERIFY(!plain("x").isWholeAt(0));
    }

    void doubles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "12.5" << 12.5;
        QTest::newRow("negative") << "-0.25" << -0.25;
        QTest::newRow("exponent") << "1e+15" << 1e15;
        QTest::newRow("long") << "0.1000000000000000055511151231257827" << 0.1;
        QTest::newRow("zero") << "-0" << 0.0;
        QTest::newRow("not a number") << "abc" << 0.0;
    }

    void doubles()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(plain(text.toLatin1().constData()).toDouble(), value);
    }

    void comparison_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal written apart") << "1.50" << "001.5" << 0;
        QTest::newRow("more integer digits") << "100" << "99.99" << 1;
        QTest::newRow("decimals decide") << "1271.19" << "1271.2" << -1;
        QTest::newRow("beyond the kept digits")
            << "1.00000000000000000000000000000000000000000000000000001" << "1" << 1;
        QTest::newRow("negatives") << "-5" << "-4" << -1;
        QTest::newRow("signs") << "-5" << "4" << -1;
        QTest::newRow("negative zero") << "-0.00" << "0" << 0;
        QTest::newRow("zero and small") << "0" << ".0001" << -1;
        QTest::newRow("exponent") << "1e3" << "999" << 1;
    }

    void comparison()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const DecimalNumber x = plain(a.toLatin1().constData());
        const DecimalNumber y = plain(b.toLatin1().constData());
        QCOMPARE(DecimalNumber::compare(x, y), order);
        QCOMPARE(DecimalNumber::compare(y, x), -order);
    }

    void plainText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("leadingZero");
        QTest::addColumn<QString>("expected");
        QTest::newRow("decimals") << "100.50" << true << "100.5";
        QTest::newRow("whole") << "00120" << true << "120";
        QTest::newRow("below one") << "0.50" << true << "0.5";
        QTest::newRow("below one, no zero") << "0.50" << false << ".5";
        QTest::newRow("small negative") << "-.05" << false << "-.05";
        QTest::newRow("zero") << "-0.0" << true << "0";
        QTest::newRow("exponent") << "1.5e3" << true << "1500";
    }

    void plainText()
    {
        QFETCH(QString, text);
        QFETCH(bool, leadingZero);
        QFETCH(QString, expected);
        QCOMPARE(plain(text.toLatin1().constData()).plainText(leadingZero), expected);
    }

    void roundedDigits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QByteArray>("digits");
        QTest::newRow("carry through nines") << "999.995" << 2 << QByteArray("100000");
        QTest::newRow("rounds once") << "0.00495" << 2 << QByteArray();
        QTest::newRow("beyond 64 bits") << "999999999999999999" << 2
                                        << QByteArray("99999999999999999900");
        QTest::newRow("exponent") << "1e+20" << 0 << QByteArray("100000000000000000000");
        QTest::newRow("negative") << "-1.5" << 0 << QByteArray("2");
    }

    void roundedDigits()
    {
        QFETCH(QString, text);
        QFETCH(int, decimals);
        QFETCH(QByteArray, digits);
        QCOMPARE(plain(text.toLatin1().constData()).roundedDigits(decimals, Rounding::HalfAwayFromZero),
                 digits);
    }

    // Megabytes of digits and exponents far beyond any range give a definite answer, and
    // the result does not grow with them.
    void hugeInputStaysBounded()
    {
        const QByteArray nines(1 << 20, '9');
        const DecimalNumber big = plain(nines.constData());
        QVERIFY(big.isValid());
        QVERIFY(!big.scaled(0, Rounding::HalfEven).has_value());
        QVERIFY(std::isinf(big.toDouble()));
        QCOMPARE(DecimalNumber::compare(big, plain("1e1000")), 1);

        const DecimalNumber nearlyOne = plain(("0." + nines).constData());
        QCOMPARE(scaledOr(nearlyOne, 4, Rounding::HalfAwayFromZero), qint64(10000));
        QCOMPARE(scaledOr(nearlyOne, 4, Rounding::TowardZero), qint64(9999));
        QCOMPARE(DecimalNumber::compare(nearlyOne, plain("1")), -1);

        QVERIFY(std::isinf(plain("1e999999999999999999999").toDouble()));
        QCOMPARE(plain("1e-999999999999999999999").toDouble(), 0.0);
        QVERIFY(plain("1e999999").plainText().size() < 6000);
        QVERIFY(sizeof(DecimalNumber) < 128);
    }
};

QTEST_GUILESS_MAIN(TestDecimalScan)
#include "tst_decimalscan.moc"
