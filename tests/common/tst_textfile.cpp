// Text files of the installation: Windows-1252 and CR LF at the file boundary, line
// splitting, file names found whatever their case, the one writer of whole files (a
// failure at any byte, or a disk really full, keeps the old file), and the Spanish causes
// of file failures.

#include "common/text/atomicfile.h"
#include "common/text/syserror.h"
#include "common/text/textfile.h"
#include "tests/support/smalldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// Every name in a folder, hidden ones included (a writer's new file would be one).
QStringList everyName(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Lines enough for a file of some size.
QStringList someLines(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("SystemDB=/qav/PM000.MDW línea %1").arg(i);
    return lines;
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

    // A write refused at any byte (the writer's own seam, as a disk that fills up there)
    // leaves the old file byte for byte and nothing beside it, and says why with the path.
    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<qint64>("failAt");
        QTest::addColumn<int>("errnoValue");
        QTest::addColumn<QString>("cause");
        const QString full = QStringLiteral("no queda espacio en el disco");
        QTest::newRow("first byte") << qint64(0) << ENOSPC << full;
        QTest::newRow("after one byte") << qint64(1) << ENOSPC << full;
        QTest::newRow("in the middle") << qint64(700) << ENOSPC << full;
        QTest::newRow("last byte") << qint64(someLines(40).join(u"\r\n").size() + 1) << ENOSPC << full;
        QTest::newRow("device failure") << qint64(300) << EIO
                                        << QStringLiteral("error de entrada o salida del dispositivo");
        QTest::newRow("quota") << qint64(300) << EDQUOT
                               << QStringLiteral("se superó la cuota de disco del usuario");
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(qint64, failAt);
        QFETCH(int, errnoValue);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("PM000.INI"));
        const QByteArray old("[Options]\r\nSysPath=/qav/\r\n");
        QVERIFY(writeBytes(path, old));
        qav::AtomicFile::failAfterBytesForTesting(failAt, errnoValue);
        QString error;
        const bool written = qav::writeTextLines(path, someLines(40), &error);
        qav::AtomicFile::failAfterBytesForTesting(-1, 0);
        QVERIFY(!written);
        QCOMPARE(error, QStringLiteral("No se pudo escribir el archivo %1: %2.").arg(path, cause));
        QCOMPARE(readBytes(path), old);
        QCOMPARE(everyName(dir.path()), QStringList{QStringLiteral("PM000.INI")});

        // The same write with the disk back goes through whole.
        QVERIFY2(qav::writeTextLines(path, someLines(40), &error), qPrintable(error));
        QCOMPARE(readBytes(path), qav::encodeCp1252(someLines(40).join(u"\r\n") + QStringLiteral("\r\n")));
        QCOMPARE(everyName(dir.path()), QStringList{QStringLiteral("PM000.INI")});
    }

    // A replaced file keeps its permissions; a link keeps pointing at the file it names,
    // which is the one replaced.
    void replacedFileKeepsPermissionsAndLinks()
    {
        QTemporaryDir dir;
        const QString real = dir.filePath(QStringLiteral("real.ini"));
        const QString link = dir.filePath(QStringLiteral("link.ini"));
        QVERIFY(writeBytes(real, "viejo"));
        QVERIFY(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ReadGroup));
        QVERIFY(QFile::link(real, link));
        QString error;
        QVERIFY2(qav::writeText(link, QStringLiteral("nuevo"), &error), qPrintable(error));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readBytes(real), QByteArray("nuevo"));
        // Owner, group and others (the bits of the current user depend on who runs it).
        QCOMPARE(QFile::permissions(real) & QFileDevice::Permissions(0x7077),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    }

    // A writer that only creates never replaces a file that is there.
    void newOnlyNeverReplaces()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("12345678"));
        QVERIFY(writeBytes(path, "de otro"));
        qav::AtomicFile f(path);
        f.setNewOnly(true);
        QVERIFY(!f.open());
        QCOMPARE(f.systemError(), EEXIST);
        QCOMPARE(readBytes(path), QByteArray("de otro"));

        // Taken between the opening and the commit: refused at the commit.
        const QString later = dir.filePath(QStringLiteral("87654321"));
        qav::AtomicFile g(later);
        g.setNewOnly(true);
        QVERIFY(g.open());
        QCOMPARE(g.write("mío"), qint64(4));
        QVERIFY(writeBytes(later, "de otro"));
        QVERIFY(!g.commit());
        QCOMPARE(g.systemError(), EEXIST);
        QCOMPARE(readBytes(later), QByteArray("de otro"));
        QCOMPARE(everyName(dir.path()), (QStringList{QStringLiteral("12345678"), QStringLiteral("87654321")}));
    }

    // A disk really full (a small file system filled up): the settings file is kept as it
    // was, never emptied, and the write says why.
    void realFullDisk()
    {
        QString why;
        if (!qavtest::SmallDisk::available(&why))
            QSKIP(qPrintable(QStringLiteral("no small file system here: ") + why));
        QTemporaryDir dir;
        qavtest::SmallDisk disk;
        QVERIFY2(disk.mount(dir.path(), 64 * 1024, &why), qPrintable(why));
        const QString path = dir.filePath(QStringLiteral("PM000.INI"));
        const QByteArray old("[Options]\r\nSysPath=/qav/\r\nDBName=qav.mdb\r\n");
        QVERIFY(writeBytes(path, old));
        QVERIFY2(disk.fill(&why), qPrintable(why));
        QString error;
        QVERIFY(!qav::writeTextLines(path, someLines(40), &error));
        QCOMPARE(error, QStringLiteral("No se pudo escribir el archivo %1: no queda espacio en el disco.").arg(path));
        QCOMPARE(readBytes(path), old);
        QCOMPARE(everyName(dir.path()), (QStringList{QStringLiteral(".llenado"), QStringLiteral("PM000.INI")}));
        QVERIFY2(disk.unfill(&why), qPrintable(why));
        QVERIFY2(qav::writeTextLines(path, someLines(40), &error), qPrintable(error));
        QCOMPARE(readBytes(path).size(), qav::encodeCp1252(someLines(40).join(u"\r\n") + QStringLiteral("\r\n")).size());
    }

    // The causes of the system's failures, in Spanish; a number without a text keeps it.
    void systemCauses_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("no such file") << ENOENT << QStringLiteral("no existe el archivo o la carpeta");
        QTest::newRow("permission") << EACCES << QStringLiteral("permiso denegado");
        QTest::newRow("folder") << EISDIR << QStringLiteral("es una carpeta, no un archivo");
        QTest::newRow("full") << ENOSPC << QStringLiteral("no queda espacio en el disco");
        QTest::newRow("read-only") << EROFS << QStringLiteral("el sistema de archivos es de solo lectura");
        QTest::newRow("not a folder") << ENOTDIR << QStringLiteral("una parte de la ruta no es una carpeta");
        QTest::newRow("name too long") << ENAMETOOLONG << QStringLiteral("el nombre del archivo es demasiado largo");
        QTest::newRow("no text of its own") << EPROTO << QStringLiteral("error del sistema número %1").arg(EPROTO);
    }
    void systemCauses()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        QCOMPARE(qav::systemErrorText(number), text);
    }

    // Real failures of the file layer, read back as their cause.
    void fileFailureCauses_data()
    {
        QTest::addColumn<QString>("name"); // under the test's folder
        QTest::addColumn<bool>("writing");
        QTest::addColumn<int>("number");
        QTest::newRow("reading a missing file") << QStringLiteral("noexiste.txt") << false << ENOENT;
        QTest::newRow("reading a folder") << QStringLiteral("carpeta") << false << EISDIR;
        QTest::newRow("writing over a folder") << QStringLiteral("carpeta") << true << EISDIR;
        QTest::newRow("writing in a missing folder") << QStringLiteral("no/hay.txt") << true << ENOENT;
        QTest::newRow("a file on the way") << QStringLiteral("archivo.txt/x.txt") << false << ENOTDIR;
        QTest::newRow("a file on the way, writing") << QStringLiteral("archivo.txt/x.txt") << true << ENOTDIR;
        QTest::newRow("name too long") << QString(300, u'n') << false << ENAMETOOLONG;
    }
    void fileFailureCauses()
    {
        QFETCH(QString, name);
        QFETCH(bool, writing);
        QFETCH(int, number);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("carpeta")));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("archivo.txt")), "x"));
        const QString path = dir.filePath(name);
        const QString cause = qav::systemErrorText(number);
        QString error;
        if (writing) {
            QVERIFY(!qav::writeText(path, QStringLiteral("x"), &error));
            QVERIFY2(error.endsWith(QStringLiteral(": ") + cause + u'.'), qPrintable(error));
        } else {
            QFile f(path);
            QVERIFY(!f.open(QIODevice::ReadOnly));
            QCOMPARE(qav::systemErrorOf(f), number);
            QCOMPARE(qav::fileErrorText(f), cause);
            QString text;
            QVERIFY(!qav::readText(path, &text, &error));
            QVERIFY2(error.endsWith(QStringLiteral(": ") + cause + u'.'), qPrintable(error));
        }
        QVERIFY2(error.contains(path), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
