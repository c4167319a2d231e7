// Text files of the installation: Windows-1252 and CR LF at the file boundary, line
// splitting, and file names found whatever their case.

#include "common/text/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("spanish letters")
            << QStringList{QString::fromUtf8("Año"), QString::fromUtf8("Envío é")}
            << QByteArray("A\xf1o\r\nEnv\xedo \xe9\r\n");
        QTest::newRow("euro and quotes")
            << QStringList{QString::fromUtf8("€ 1.00 “x” – ok")}
            << QByteArray("\x80 1.00 \x93x\x94 \x96 ok\r\n");
        QTest::newRow("blank lines and trailing blanks")
            << QStringList{"", "Mensaje ", ""} << QByteArray("\r\nMensaje \r\n\r\n");
        QTest::newRow("pipes") << QStringList{"7093|F7093DES|"} << QByteArray("7093|F7093DES|\r\n");
    }

    void roundTrip()
    {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("rt.txt"));
        QString error;
        QVERIFY2(qav::writeTextLines(path, lines, &error), qPrintable(error));
        QCOMPARE(readBytes(path), bytes);
        QStringList back;
        QVERIFY(qav::readTextLines(path, &back, &error));
        QCOMPARE(back, lines);
    }

    void codePage()
    {
        QCOMPARE(qav::cp1252Code(QChar(0x00F1)), 0xF1); // ñ
        QCOMPARE(qav::cp1252Code(QChar(0x20AC)), 0x80); // €
        QCOMPARE(qav::cp1252Code(QChar(u'A')), 65);
        QCOMPARE(qav::cp1252Code(QChar(0x0416)), int('?')); // not in the code page
        QCOMPARE(qav::encodeCp1252(QString::fromUtf8("ñЖ")), QByteArray("\xf1?"));
        // Every byte decodes to one character and encodes back to itself.
        QByteArray all(256, 0);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QString text = qav::decodeCp1252(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(qav::encodeCp1252(text), all);
    }

    void splitLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << "a\r\nb\r\n" << QStringList{"a", "b"};
        QTest::newRow("no final terminator") << "a\r\nb" << QStringList{"a", "b"};
        QTest::newRow("lone LF and CR") << "a\nb\rc" << QStringList{"a", "b", "c"};
        QTest::newRow("empty lines kept") << "a\r\n\r\n\r\nb" << QStringList{"a", "", "", "b"};
        QTest::newRow("LF CR is two ends") << "a\n\rb" << QStringList{"a", "", "b"};
        QTest::newRow("empty") << "" << QStringList{};
    }

    void splitLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(qav::splitLines(text), lines);
    }

    void caseInsensitiveNames()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Qav/RPT")));
        const QString written = m_dir.filePath(QStringLiteral("Qav/RPT/00000001.Err"));
        QVERIFY(qav::writeTextLines(written, {QStringLiteral("0228|linea|")}));
        QCOMPARE(qav::resolveCaseInsensitive(m_dir.filePath(QStringLiteral("qav/rpt/00000001.err"))), written);
        QCOMPARE(qav::resolveCaseInsensitive(m_dir.filePath(QStringLiteral("QAV/Rpt/00000001.ERR"))), written);
        QStringList lines;
        QVERIFY(qav::readTextLines(m_dir.filePath(QStringLiteral("qav/rpt/00000001.err")), &lines));
        QCOMPARE(lines, QStringList{QStringLiteral("0228|linea|")});
        // Writing through another case replaces the existing file instead of adding one.
        QVERIFY(qav::writeTextLines(m_dir.filePath(QStringLiteral("QAV/rpt/00000001.ERR")), {"x"}));
        QCOMPARE(QDir(m_dir.filePath(QStringLiteral("Qav/RPT"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("00000001.Err")});
        QCOMPARE(readBytes(written), QByteArray("x\r\n"));
        // A new file keeps its own spelling and goes into the folder that exists.
        const QString fresh = m_dir.filePath(QStringLiteral("qav/rpt/Nuevo.TXT"));
        QCOMPARE(qav::resolveCaseInsensitive(fresh), m_dir.filePath(QStringLiteral("Qav/RPT/Nuevo.TXT")));
        QVERIFY(qav::writeTextLines(fresh, {"y"}));
        QCOMPARE(readBytes(m_dir.filePath(QStringLiteral("Qav/RPT/Nuevo.TXT"))), QByteArray("y\r\n"));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("qav"))));
        // A missing folder on the way: the name as given (opening it then fails).
        const QString nowhere = m_dir.filePath(QStringLiteral("qav/otro/Nuevo.TXT"));
        QCOMPARE(qav::resolveCaseInsensitive(nowhere), nowhere);
    }

    void readErrors()
    {
        QStringList lines{QStringLiteral("sin tocar")};
        QString error;
        QVERIFY(!qav::readTextLines(m_dir.filePath(QStringLiteral("noexiste.txt")), &lines, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(lines, QStringList{QStringLiteral("sin tocar")});
        error.clear();
        QVERIFY(!qav::writeTextLines(m_dir.filePath(QStringLiteral("no/hay/carpeta.txt")), {"x"}, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
