// The control value on rows the host stand-in writes, and its window.

#include "declmod/declaration/numerocontrol.h"
#include "devhost/hostwindow.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

class TstDevhostParts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void controlValue_data();
    void controlValue();
    void windowWithoutModule();

private:
    QTemporaryDir m_runtime;
};

void TstDevhostParts::initTestCase()
{
    // The window publishes the host's presence marker; keep it away from the user's
    // runtime folder so that no other program or test sees this host.
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
}

void TstDevhostParts::controlValue_data()
{
    QTest::addColumn<QVariantList>("fields");
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("expected");

    // Fields 0 to 6 sum to 1567; S2 = (49x1 + 48x2 + 48x3) + (49x1 + 56x2) = 450.
    QTest::newRow("sum ending in 567, amounts 100 and 18")
        << QVariantList{6, "1000", "500", "61", "0", "0", "0", "100", "18", QVariant()} << 7
        << QStringLiteral("567450");
    // A series with letters counts 0 in S1; the control field itself is left out.
    QTest::newRow("voucher record with a lettered series")
        << QVariantList{6, "20518732464", "2023", "7093", "01", "F001", "01", "15000.00", "12711.86", "999999"}
        << 7 << QStringLiteral("588582");
    // A date enters S2 as yyyymmdd; a null as empty text; texts trimmed.
    QTest::newRow("sent header with a date")
        << QVariantList{6, "20604128715", "2022", "7093", 0, "001", QVariant(),
                        QDateTime(QDate(2023, 3, 28), QTime(10, 15)), " 40012345 ", 1, "0", "1.0", QVariant()}
        << 6 << QStringLiteral("837058");
    // Position weights restart in every field: "AB" + "C" is not "ABC".
    QTest::newRow("weights restart per field")
        << QVariantList{"AB", "C", QVariant()} << 0
        << QStringLiteral("000") + QStringLiteral("%1").arg(65 * 1 + 66 * 2 + 67 * 1, 3, 10, QLatin1Char('0'));
    QTest::newRow("accented letter by its Windows-1252 code")
        << QVariantList{QStringLiteral("É"), QVariant()} << 0 << QStringLiteral("000201");
}

void TstDevhostParts::controlValue()
{
    QFETCH(QVariantList, fields);
    QFETCH(int, k);
    QFETCH(QString, expected);
    QCOMPARE(declmod::NumeroControl(fields, k), expected);
}

void TstDevhostParts::windowWithoutModule()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("bin/declmod"));
    devhost::HostWindow window(devhost::sandboxLayout(dir.path()), missing);
    QCOMPARE(window.windowTitle(), QStringLiteral("QAV"));

    // A module that is not built is reported in the window, and can be tried again.
    window.startModule();
    QVERIFY(!window.moduleRunning());
    QVERIFY2(window.statusText().contains(missing), qPrintable(window.statusText()));
    QVERIFY(window.startAction()->isEnabled());
}

QTEST_MAIN(TstDevhostParts)
#include "tst_devhost_parts.moc"
