// The host's service object: fitting and padding of texts, the checks, the message service
// and the file-existence check.

#include "declmod/session/hostservices.h"

#include "common/ui/messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace declmod;

class TestHostServices : public QObject
{
    Q_OBJECT

    HostServices m_host;

private slots:
    void texts_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("fill");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pad month") << "pad" << "1" << 2 << "0" << "01";
        QTest::newRow("pad series") << "pad" << "7" << 4 << "0" << "0007";
        QTest::newRow("pad already wide") << "pad" << "12" << 2 << "0" << "12";
        // A longer text comes back whole, so that a length check after it still fails.
        QTest::newRow("pad longer: unchanged") << "pad" << "12345" << 4 << "0" << "12345";
        QTest::newRow("pad with spaces") << "pad" << "AB" << 4 << " " << "  AB";
        QTest::newRow("left") << "left" << "01" << 4 << " " << "01  ";
        QTest::newRow("left longer: cut") << "left" << "IDENTIFICACION LARGA" << 10 << " " << "IDENTIFICA";
        QTest::newRow("left width 0") << "left" << "AB" << 0 << " " << "";
        QTest::newRow("right") << "right" << "12.50" << 8 << " " << "   12.50";
        // An amount keeps every digit: a longer text comes back whole.
        QTest::newRow("right longer: whole") << "right" << "-123,456,789,012.50" << 15 << " " << "-123,456,789,012.50";
        QTest::newRow("right exact") << "right" << "1,234.50" << 8 << " " << "1,234.50";
        QTest::newRow("fill") << "fill" << "2013" << 6 << "*" << "2013**";
        QTest::newRow("fill longer: cut") << "fill" << "0123456789" << 4 << " " << "0123";
    }

    void texts()
    {
        QFETCH(QString, service);
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, fill);
        QFETCH(QString, expected);
        QString got;
        if (service == "pad")
            got = m_host.padLeft(text, width, fill.at(0));
        else if (service == "left")
            got = m_host.alignLeft(text, width);
        else if (service == "right")
            got = m_host.alignRight(text, width);
        else
            got = m_host.fillToWidth(text, width, fill.at(0));
        QCOMPARE(got, expected);
    }

    void checks_data()
    {
        QTest::addColumn<QString>("check");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("numeric digit") << "numeric" << int('7') << true;
        QTest::newRow("numeric letter") << "numeric" << int('a') << false;
        QTest::newRow("numeric Enter") << "numeric" << 13 << false;
        QTest::newRow("alphanumeric letter") << "alnum" << int('Z') << true;
        QTest::newRow("alphanumeric digit") << "alnum" << int('0') << true;
        QTest::newRow("alphanumeric accented") << "alnum" << 0xD1 << false; // Ñ
        QTest::newRow("alphanumeric hyphen") << "alnum" << int('-') << false;
        QTest::newRow("series hyphen") << "series" << int('-') << true;
        QTest::newRow("series space") << "series" << int(' ') << false;
        QTest::newRow("series quote") << "series" << int('\'') << false;
    }

    void checks()
    {
        QFETCH(QString, check);
        QFETCH(int, code);
        QFETCH(bool, accepted);
        bool got = false;
        if (check == "numeric")
            got = m_host.numericCharOk(code, true, false, false);
        else if (check == "alnum")
            got = m_host.alphanumericCharOk(code, false, false);
        else
            got = m_host.seriesCharOk(code, true);
        QCOMPARE(got, accepted);
        // The rules reach the same checks through their interface.
        const HostCharChecks &rules = m_host;
        if (check == "numeric")
            QCOMPARE(rules.numericCharOk(code, true, false, false), accepted);
        QCOMPARE(m_host.normalizeKey(code), code);
    }

    void seriesText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("digits") << "0001" << true;
        QTest::newRow("letters and digits") << "F0A1" << true;
        QTest::newRow("with hyphen") << "MR-2044" << true;
        QTest::newRow("blank") << "   " << false;
        QTest::newRow("quote") << "0'1" << false;
        QTest::newRow("inner space") << "A 1" << false;
    }

    void seriesText()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(m_host.seriesTextOk(text, false, false, false), accepted);
    }

    void messageService_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("style");
        QTest::newRow("refusal 1,1,1") << 1 << 16;
        QTest::newRow("completed save 4,1,1") << 4 << 64;
        QTest::newRow("other") << 0 << 0;
    }

    void messageService()
    {
        QFETCH(int, kind);
        QFETCH(int, style);
        auto msgs = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(msgs);
        m_host.message("La información fue grabada satisfactoriamente. ",
                       "QAV Detalle de Operaciones ", kind, 1, 1);
        qav::setMessageService(nullptr);
        QCOMPARE(msgs->shown.size(), 1);
        QCOMPARE(msgs->shown[0].text, QStringLiteral("La información fue grabada satisfactoriamente. "));
        QCOMPARE(msgs->shown[0].title, QStringLiteral("QAV Detalle de Operaciones "));
        QCOMPARE(msgs->shown[0].style, style);
    }

    void fileExists()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile f(dir.filePath("RPT00001.PRN"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(QDir(dir.path()).mkdir("RPT"));
        QVERIFY(m_host.fileExists(dir.filePath("RPT00001.PRN")));
        QVERIFY(m_host.fileExists(dir.filePath("rpt00001.prn")));
        QVERIFY(!m_host.fileExists(dir.filePath("RPT00002.PRN")));
        QVERIFY(!m_host.fileExists(dir.filePath("RPT"))); // a folder is not a file
        QVERIFY(!m_host.fileExists(QString()));
    }
};

QTEST_MAIN(TestHostServices)
#include "tst_hostservices.moc"
