// The control value written with every stored row, and the check digits that tie an order
// number to the control number of a sending.

#include "declmod/declaration/checkdigits.h"
#include "declmod/declaration/numerocontrol.h"

#include <QDate>
#include <QtTest>

class TestDeclControl : public QObject
{
    Q_OBJECT

private slots:
    void agregaDigito_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("trimmed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sum 138, remainder 6") << "12345678" << "12345678" << "123456785";
        QTest::newRow("blanks trimmed") << " 12345678  " << "12345678" << "123456785";
        QTest::newRow("remainder 0 gives 1") << "0" << "0" << "01";
        QTest::newRow("remainder 1 gives 0") << "6" << "6" << "60";
        QTest::newRow("letter counts 0") << "1234A678" << "1234A678" << "1234A6788";
        QTest::newRow("first 17 only") << "123456789012345678" << "12345678901234567"
                                       << "123456789012345673";
        QTest::newRow("empty") << "" << "" << "";
        QTest::newRow("blank") << "    " << "" << "";
    }

    void agregaDigito()
    {
        QFETCH(QString, input);
        QFETCH(QString, trimmed);
        QFETCH(QString, expected);
        QString s = input;
        QCOMPARE(declmod::AgregaDigito(s), expected);
        QCOMPARE(s, trimmed); // the caller's text becomes its trimmed form
    }

    void checkDigits_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("digits");
        QTest::newRow("example") << "12345678" << "87654321" << "57";
        QTest::newRow("zeros") << "00000000" << "00000000" << "19";
        QTest::newRow("another") << "20130001" << "12345678" << "10";
        // The control number is used trimmed in both digits.
        QTest::newRow("control with leading blank") << " 12345678" << "87654321" << "57";
        QTest::newRow("control with trailing blanks") << "12345678  " << "87654321" << "57";
    }

    void checkDigits()
    {
        QFETCH(QString, control);
        QFETCH(QString, order);
        QFETCH(QString, digits);
        QCOMPARE(declmod::CalculaDigitos(control, order), digits);
        QVERIFY(declmod::ValidaDigitos(control, order, digits));
        // Any other pair of digits is refused.
        for (int i = 0; i < 100; ++i) {
            const QString other = QString::number(i).rightJustified(2, u'0');
            if (other != digits)
                QVERIFY(!declmod::ValidaDigitos(control, order, other));
        }
    }

    void numeroControl_data()
    {
        QTest::addColumn<QVariantList>("fields");
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("expected");
        // tip_doc_d .. per_tri sum to 9567; "100" and "18" give 289 + 161 = 450.
        const QVariantList detail{6, "20000000451", "2013", "7093", "01", "F001", "03",
                                  "100", "18", QVariant()};
        QTest::newRow("detail row") << detail << 7 << "567450";
        QVariantList padded = detail;
        padded[1] = " 20000000451 ";
        padded[7] = QStringLiteral("100  ");
        QTest::newRow("texts trimmed") << padded << 7 << "567450";
        QVariantList stored = detail;
        stored[9] = QStringLiteral("999999");
        QTest::newRow("last field left out") << stored << 7 << "567450";
        QVariantList typed = detail;
        typed[0] = QVariant::fromValue<uchar>(6);
        typed[2] = 2013;
        typed[3] = qlonglong(7093);
        QTest::newRow("numbers of any kind") << typed << 7 << "567450";
        QTest::newRow("null and non-numeric count 0")
            << QVariantList{QVariant(), "ABC", "7", "x", ""} << 3 << "007120";
        QTest::newRow("fraction rounds half away")
            << QVariantList{"1.5", "1", ""} << 2 << "003000";
        QTest::newRow("negative sum keeps its digits")
            << QVariantList{"-5", "", ""} << 1 << "005000";
        QTest::newRow("grouped number") << QVariantList{"1,234", ""} << 1 << "234000";
        QTest::newRow("large sums")
            << QVariantList{"99999999999", "99999999999", "99999999999", ""} << 3 << "997000";
        // A 15-digit series of type 99 is beyond the currency range and is still exact:
        // 6 + 20123456789 + 2023 + 7093 + 99 + 999999999999999 + 5 = 1000020123466014.
        const QVariantList longSeries{6, "20123456789", "2023", "7093", "99",
                                      "999999999999999", "05", "100", "18", QVariant()};
        QTest::newRow("15-digit series") << longSeries << 7 << "014450";
        QVariantList longSeries2 = longSeries;
        longSeries2[5] = QStringLiteral("999999999999998");
        QTest::newRow("15-digit series, one less") << longSeries2 << 7 << "013450";
        QTest::newRow("exponent form reduced")
            << QVariantList{"9999E11", "7", ""} << 2 << "007000";
        QTest::newRow("date as yyyymmdd")
            << QVariantList{1, QDate(2013, 1, 31), ""} << 1 << "001780";
        QTest::newRow("windows-1252 codes")
            << QVariantList{0, QString::fromUtf8("é€"), ""} << 1 << "000489";
        // 2.5 rounds to 3; "0.25" gives 48 + 46 * 2 + 50 * 3 + 53 * 4 = 502.
        QTest::newRow("double text form") << QVariantList{2.5, 0.25, ""} << 1 << "003502";
    }

    void numeroControl()
    {
        QFETCH(QVariantList, fields);
        QFETCH(int, k);
        QFETCH(QString, expected);
        QCOMPARE(declmod::NumeroControl(fields, k), expected);
    }
};

QTEST_GUILESS_MAIN(TestDeclControl)
#include "tst_declcontrol.moc"
