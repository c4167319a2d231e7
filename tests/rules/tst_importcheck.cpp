// Import checks: every rejection code with a line that provokes it, the values written for
// accepted lines (credit notes negated, "##########.#0"), the field-by-field routine, the
// whole-file checks and their messages, the block reader's line splitting, and the
// duplicate rule of a whole-file run.

#include "declmod/import/filecheck.h"
#include "declmod/import/importfile.h"
#include "declmod/import/importline.h"
#include "declmod/import/vouchertypes.h"

#include "common/text/textfile.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using namespace declmod;

namespace {

VoucherTypeSet referenceTypes()
{
    QStringList codes;
    ReferenceVoucherTypes().codes(&codes, nullptr);
    return VoucherTypeSet(codes);
}

QString outcome(ImportLineChecker &checker, const QByteArray &line)
{
    ImportRecord r;
    if (!checker.checkLine(line, &r))
        return QString::fromLatin1(checker.rejectionCode());
    return r.tip_com.toString() + u'|' + r.num_ser.toString() + u'|' + r.per_tri.toString() + u'|'
        + r.tot_ven.toString() + u'|' + r.tot_gra.toString() + u'|';
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

class TestImportCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const DefaultHostCharChecks m_checks;
    const VoucherTypeSet m_types = referenceTypes();

private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *period, const char *line, const char *expected) {
            QTest::addRow("%s %s", period, line) << period << QByteArray(line) << expected;
        };
        // Accepted lines and the values written.
        row("2013", "01|F001|3|1500.00|1271.19|", "01|F001|03|1500.00|1271.19|");
        row("2013", "1|1|12|100|0.00|", "01|0001|12|100.00|.00|");
        row("2013", "07|0001|05|100|50|", "07|0001|05|-100.00|-50.00|");
        row("2013", "07|0001|05|100.5|0|", "0944");
        row("2013", "07|0001|05|100.5|0.0|", "07|0001|05|-100.50|.00|");
        row("2013", "01|f001|05|0.5|.25|", "01|F001|05|.50|.25|");
        row("2013", " 01 | F001 |  5 | 100 | 50 |   ", "01|F001|05|100.00|50.00|");
        row("2013", "01|0001|05|100.005|100.004|", "01|0001|05|100.01|100.00|");
        row("2013", "01|0001|05|100|100|", "01|0001|05|100.00|100.00|");
        row("2013", "12|TICKET-01|05|100|50|", "12|TICKET-01|05|100.00|50.00|");
        row("2013", "06|12|05|100|50|", "06|0012|05|100.00|50.00|");
        // Empty fields: the first empty one is reported.
        row("2013", "|0001|05|100|50|", "0914");
        row("2013", "01||05|100|50|", "0915");
        row("2013", "01|0001||100|50|", "0916");
        row("2013", "01|0001|05||50|", "0921");
        row("2013", "01|0001|05|100||", "0922");
        row("2013", "01||||||", "0915");
        // Type.
        row("2013", "02|0001|05|100|50|", "0900");
        row("2013", "AB|0001|05|100|50|", "0900");
        row("2013", "001|0001|05|100|50|", "0900");
        row("2013", "1.|0001|05|100|50|", "01|0001|05|100.00|50.00|");
        row("2013", ".5|0001|05|100|50|", "01|0001|05|100.00|50.00|");
        row("2013", ".4|0001|05|100|50|", "0900");
        row("2013", "-1|0001|05|100|50|", "0900");
        row("2013", "  |0001|05|100|50|", "0900");
        // Series, in both steps.
        row("2013", "99|ABC|05|100|50|", "0901");
        row("2013", "01|   |05|100|50|", "0901");
        row("2013", "01|B0A1|05|100|50|", "0901");
        row("2009", "01|A123|05|100|50|", "0901");
        row("2012", "03|F0A1|11|100|50|", "0901");
        row("2012", "03|F0A1|12|100|50|", "03|F0A1|12|100.00|50.00|");
        row("2013", "06|12AB|05|100|50|", "0901");
        row("2013", "12|\xf1" "and|05|100|50|", "0901"); // ñ, capitalised, is no series letter
        // Month.
        row("2013", "01|0001|13|100|50|", "0947");
        row("2013", "01|0001|0|100|50|", "0947");
        row("2013", "01|0001|00|100|50|", "0947");
        row("2013", "01|0001|1a|100|50|", "0947");
        row("2013", "01|0001|012|100|50|", "0947");
        // Amounts: every check runs and the last failure gives the code.
        row("2013", "01|0001|05|0|50|", "0905");
        row("2013", "01|0001|05|0.00|0|", "0923");
        row("2013", "01|0001|05|00000000000000|1|", "0923"); // too long, and zero
        row("2013", "01|0001|05|1.2.3|1|", "0949");
        row("2013", "01|0001|05|12a|1|", "0946");
        row("2013", "01|0001|05|1a.2.3|1|", "0949");
        row("2013", "01|0001|05|1234567890123|1|", "0945");
        row("2013", "01|0001|05|123456789012|1|", "01|0001|05|123456789012.00|1.00|");
        row("2013", "07|0001|05|123456789012|1|", "0945");
        row("2013", "07|0001|05|12345678901|1|", "07|0001|05|-12345678901.00|-1.00|");
        row("2013", "01|0001|05|1234567890123.5|1|", "0945");
        row("2013", "01|0001|05|123456789012.55|1|", "01|0001|05|123456789012.55|1.00|");
        row("2013", "01|0001|05|1234567890123456|1|", "0945");
        row("2013", "07|0001|05|1234567890.1234|1|", "0945");
        row("2013", "07|0001|05|123456789.1234|1|", "07|0001|05|-123456789.12|-1.00|");
        row("2013", "01|0001|05|100|150|", "0948");
        row("2013", "01|0001|05|100|100.001|", "0948");
        row("2013", "07|0001|05|100|100.01|", "0948");
        row("2013", "01|0001|05|100|0|", "0944");
        row("2013", "01|0001|05|100|5b|", "0906");
        row("2013", "01|0001|05|100|1..|", "0907");
        row("2013", "01|0001|05|100|1234567890123|", "0948");
        row("2013", "01|0001|05|100|1234567890123456|", "0908");
        row("2013", "07|0001|05|100|123456789012345|", "0908");
        // No digit at all, or a control character: never written as an amount.
        row("2013", "01|0001|05|.|1|", "0905");
        row("2013", "01|0001|05|100|.|", "0944");
        row("2013", "01|0001|05|1\b0|1|", "0905");
        // A field far longer than any field may be.
        row("2013", QByteArray("01|0001|05|" + QByteArray(200, '1') + "|1|").constData(), "0945");
        row("2013", QByteArray("01|" + QByteArray(200, 'A') + "|05|1|1|").constData(), "0901");
    }

    void lines()
    {
        QFETCH(QString, period);
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        ImportLineChecker checker(m_checks, m_types, period);
        QCOMPARE(outcome(checker, line), expected);
    }

    // The text of every rejection code in the error list, letter for letter (double spaces
    // and the trailing blank included); "0228" and unknown codes have none of their own.
    void codeTexts_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0914") << QByteArray("0914") << QStringLiteral("Debe ingresar el tipo de comprobante");
        QTest::newRow("0915") << QByteArray("0915") << QStringLiteral("Debe ingresar el número de serie del comprobante");
        QTest::newRow("0916") << QByteArray("0916") << QStringLiteral("Debe ingresar el mes del comprobante");
        QTest::newRow("0921") << QByteArray("0921") << QStringLiteral("Debe ingresar las ventas totales");
        QTest::newRow("0922") << QByteArray("0922") << QStringLiteral("Debe ingresar las ventas gravadas");
        QTest::newRow("0900") << QByteArray("0900") << QStringLiteral("No existe el tipo de documento del comprobante de pago");
        QTest::newRow("0901") << QByteArray("0901") << QStringLiteral("La serie del comprobante no es válida");
        QTest::newRow("0947") << QByteArray("0947") << QStringLiteral("El mes no es valido ");
        QTest::newRow("0905") << QByteArray("0905") << QStringLiteral("El importe de ventas totales no es válido");
        QTest::newRow("0944") << QByteArray("0944") << QStringLiteral("El importe de ventas gravadas no es válido");
        QTest::newRow("0946") << QByteArray("0946") << QStringLiteral("El importe de ventas totales del comprobante de pago contiene letras o caracteres no validos");
        QTest::newRow("0906") << QByteArray("0906") << QStringLiteral("El importe de ventas gravadas contiene letras o caracteres no validos");
        QTest::newRow("0949") << QByteArray("0949") << QStringLiteral("El importe de ventas totales  contiene mas de un punto decimal");
        QTest::newRow("0907") << QByteArray("0907") << QStringLiteral("El importe de ventas gravadas  contiene mas de un punto decimal");
        QTest::newRow("0945") << QByteArray("0945") << QStringLiteral("El importe de ventas totales es demasiado grande");
        QTest::newRow("0908") << QByteArray("0908") << QStringLiteral("El importe de ventas gravadas es demasiado grande");
        QTest::newRow("0923") << QByteArray("0923") << QStringLiteral("Las ventas totales deben ser mayor a cero");
        QTest::newRow("0948") << QByteArray("0948") << QStringLiteral("El montro gravado no puede ser mayor al monto total");
        QTest::newRow("0228") << QByteArray("0228") << QString();
        QTest::newRow("unknown") << QByteArray("0999") << QString();
    }

    void codeTexts()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, text);
        QCOMPARE(importCodeText(code), text);
    }

    // The routine the import calls per field rewrites each field to its normalised value.
    void fieldByField()
    {
        ImportLineChecker checker(m_checks, m_types, QStringLiteral("2013"));
        QByteArray type("7"), series(" 12 "), month("3"), total("100.50"), taxed("0050.0");
        QVERIFY(checker.ValidaTransferencia(type, 0));
        QCOMPARE(type, QByteArray("07"));
        QVERIFY(checker.ValidaTransferencia(series, 1));
        QCOMPARE(series, QByteArray("0012"));
        QVERIFY(checker.ValidaTransferencia(month, 2));
        QCOMPARE(month, QByteArray("03"));
        QVERIFY(checker.ValidaTransferencia(total, 3));
        QCOMPARE(total, QByteArray("-100.5"));
        QVERIFY(checker.ValidaTransferencia(taxed, 4));
        QCOMPARE(taxed, QByteArray("-50"));
        QVERIFY(checker.rejectionCode().isEmpty());

        QByteArray bad("13");
        QByteArray t("01"), s("0001");
        QVERIFY(checker.ValidaTransferencia(t, 0));
        QVERIFY(checker.ValidaTransferencia(s, 1));
        QVERIFY(!checker.ValidaTransferencia(bad, 2));
        QCOMPARE(checker.rejectionCode(), QByteArrayView("0947"));
        QCOMPARE(bad, QByteArray("13"));

        // Fields held as text take the same route.
        QString type12 = QStringLiteral("12"), ticket = QStringLiteral(" tk-01 ");
        QVERIFY(checker.ValidaTransferencia(type12, 0));
        QVERIFY(checker.ValidaTransferencia(ticket, 1));
        QCOMPARE(ticket, QStringLiteral("TK-01"));
        QString accented = QStringLiteral("ÑAND");
        QVERIFY(!checker.ValidaTransferencia(accented, 1));
        QCOMPARE(checker.rejectionCode(), QByteArrayView("0901"));
    }

    void voucherTypes()
    {
        QStringList codes;
        QVERIFY(ReferenceVoucherTypes().codes(&codes, nullptr));
        QCOMPARE(codes, (QStringList{"01", "03", "06", "07", "08", "12", "16", "99"}));
        const VoucherTypeSet set(QStringList{"01", "1", "123", "A\u20ac"});
        QVERIFY(set.contains("01"));
        QVERIFY(!set.contains("1"));
        QVERIFY(!set.contains("02"));
        QVERIFY(set.contains("A\x80")); // the euro sign's Windows-1252 byte
    }

    void wholeFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        const int ok = int(ImportFileStatus::Ok);
        const int count = int(ImportFileStatus::WrongFieldCount);
        const int end = int(ImportFileStatus::MissingSeparator);
        QTest::newRow("three lines") << QByteArray("01|F001|3|1|1|\r\n01|F002|3|1|1|\r\n"
                                                   "01|F003|3|1|1|\r\n") << ok;
        QTest::newRow("no final line end") << QByteArray("01|F001|3|1|1|\r\n01|F002|3|1|1|") << ok;
        QTest::newRow("empty file") << QByteArray() << ok;
        QTest::newRow("trailing blanks") << QByteArray("01|F001|3|1|1|   \r\n") << ok;
        QTest::newRow("six bars") << QByteArray("01|F001|3|1|1||\r\n") << count;
        QTest::newRow("four bars") << QByteArray("01|F001|3|1|1\r\n") << count;
        QTest::newRow("empty line after the last") << QByteArray("01|F001|3|1|1|\r\n\r\n") << count;
        QTest::newRow("blank line") << QByteArray("01|F001|3|1|1|\r\n   \r\n") << count;
        QTest::newRow("text after the last bar") << QByteArray("01|F001|3|1|1|x\r\n") << end;
        QTest::newRow("field count checked first")
            << QByteArray("01|F001|3|1|1|x\r\n01|F001|3|1\r\n") << count;
        QTest::newRow("lone LF lines") << QByteArray("01|F001|3|1|1|\n01|F002|3|1|1|\n") << ok;
    }

    void wholeFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        const QString path = m_dir.filePath(QStringLiteral("7093WHOLE.TXT"));
        QVERIFY(writeFile(path, bytes));
        const ImportFileProblem p = checkImportFile(path);
        QCOMPARE(int(p.status), status);
        QCOMPARE(CuentaPye(path), status != int(ImportFileStatus::WrongFieldCount));
    }

    void wholeFileMessages()
    {
        QCOMPARE(fileProblem(ImportFileStatus::WrongFieldCount).message,
                 QStringLiteral("El archivo de importación no tiene el número de campos correctos"));
        const ImportFileProblem end = fileProblem(ImportFileStatus::MissingSeparator);
        QCOMPARE(end.title, QStringLiteral("Error en archivo de importación"));
        QCOMPARE(end.message, QStringLiteral("Cada línea del archivo debe terminar con el separador |"));

        const ImportFileProblem missing = checkImportFile(m_dir.filePath(QStringLiteral("none.TXT")));
        QCOMPARE(missing.status, ImportFileStatus::NotFound);
        QCOMPARE(missing.message, QStringLiteral("En la ruta indicada, no se encuentra el archivo a "
                                                 "transferir, verifique la ruta"));
        QCOMPARE(fileProblem(ImportFileStatus::InUse).message,
                 QStringLiteral("¡El archivo se encuentra abierto!\nIntente nuevamente por favor."));
        QCOMPARE(checkImportFile(m_dir.path()).status, ImportFileStatus::NotFound);

        // The name is matched without regard to case.
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("7093case.txt")), "01|F001|3|1|1|\r\n"));
        QCOMPARE(checkImportFile(m_dir.filePath(QStringLiteral("7093CASE.TXT"))).status,
                 ImportFileStatus::Ok);
    }

    // Refusals before the line checks: a Unicode file (its first line would be rejected
    // without a word about the encoding), and a line longer than any five fields, which
    // stops the reading at once instead of growing the buffer with the file.
    void refusedBeforeTheLineChecks_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("lines"); // lines passed on by the run
        const QByteArray good("01|F001|3|1|1|\r\n");
        const qsizetype longest = ImportLineReader::kMaxLineLength;
        const QByteArray padded = "01|F001|3|1|1|" + QByteArray(longest - 14, ' ');
        const QString tooLong = QStringLiteral("La línea %1 del archivo de importación tiene más de "
                                               "1048576 caracteres: no es una línea de cinco campos.");
        QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF" + good + good << int(ImportFileStatus::WrongEncoding)
            << QStringLiteral("El archivo de importación está codificado en UTF-8 (empieza con una "
                              "marca de orden de bytes): debe estar en Windows-1252 (ANSI). Guárdelo "
                              "con esa codificación e intente nuevamente.") << 0;
        QTest::newRow("UTF-16 mark") << QByteArray("\xFF\xFE" "0\0" "1\0" "|\0", 8)
                                     << int(ImportFileStatus::WrongEncoding)
            << QStringLiteral("El archivo de importación está codificado en UTF-16 (empieza con una "
                              "marca de orden de bytes): debe estar en Windows-1252 (ANSI). Guárdelo "
                              "con esa codificación e intente nuevamente.") << 0;
        QTest::newRow("mark only at the start counts") << good + "\xEF\xBB\xBF" + good
                                                       << int(ImportFileStatus::Ok) << QString() << 2;
        QTest::newRow("longest line still read") << good + padded + "\r\n" + good
                                                 << int(ImportFileStatus::Ok) << QString() << 3;
        QTest::newRow("one more character") << good + padded + " \r\n" + good
                                            << int(ImportFileStatus::LineTooLong) << tooLong.arg(2) << 0;
        QTest::newRow("endless line without an end") << QByteArray(3 << 20, '7')
                                                     << int(ImportFileStatus::LineTooLong)
                                                     << tooLong.arg(1) << 0;
    }

    void refusedBeforeTheLineChecks()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(int, lines);
        const QString path = m_dir.filePath(QStringLiteral("7093REFUSED.TXT"));
        QVERIFY(writeFile(path, bytes));
        const ImportFileProblem p = checkImportFile(path);
        QCOMPARE(int(p.status), status);
        QCOMPARE(p.message, message);
        ImportFileCheck run(m_checks, m_types, QStringLiteral("2013"));
        int calls = 0;
        QCOMPARE(int(run.run(path, [&](const ImportLineResult &) { ++calls; }).status), status);
        QCOMPARE(calls, lines);
    }

    // The reader stops at an over-long line: it has read no more than a bounded amount.
    void readerStopsAtAnOverlongLine()
    {
        QByteArray bytes(8 << 20, 'x');
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));
        ImportLineReader reader(&device, 16);
        QByteArrayView line;
        QVERIFY(!reader.next(&line));
        QVERIFY(reader.tooLong());
        QVERIFY(!reader.failed());
        QVERIFY(device.pos() <= 2 * ImportLineReader::kMaxLineLength);
        QVERIFY(!reader.next(&line));
    }

    // A file the system refuses to open is reported with the system's error number and its
    // cause in Spanish.
    void openFailureCarriesTheSystemNumber()
    {
        // Write-only even for the administrator.
        const QString path = QStringLiteral("/sys/bus/pci/rescan");
        QFile probe(path);
        if (!QFileInfo(path).isFile() || probe.open(QIODevice::ReadOnly))
            QSKIP("no file here that refuses to be read");
        const ImportFileProblem p = checkImportFile(path);
        QCOMPARE(p.status, ImportFileStatus::ReadError);
        QCOMPARE(p.message, QStringLiteral("Error Tecnico: %1 permiso denegado").arg(EACCES));
    }

    // Small blocks split lines, and CR LF pairs, at every possible place; the lines are the
    // same as those of the shared line splitter.
    void readerSplitsLikeTheTextFiles()
    {
        QRandomGenerator rng(7093);
        const char alphabet[] = "ab|\r\n\r\n ";
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes;
            const int n = int(rng.bounded(60));
            for (int i = 0; i < n; ++i)
                bytes += alphabet[rng.bounded(int(sizeof alphabet - 1))];
            const QStringList expected = qav::splitLines(qav::decodeCp1252(bytes));
            for (int block : {16, 17, 33, 1 << 20}) {
                QBuffer device(&bytes);
                QVERIFY(device.open(QIODevice::ReadOnly));
                ImportLineReader reader(&device, block);
                QStringList got;
                QByteArrayView line;
                while (reader.next(&line))
                    got << qav::decodeCp1252(line);
                QVERIFY(!reader.failed());
                QCOMPARE(got, expected);
            }
        }
        // A line longer than the block grows it.
        QByteArray longLine(100000, 'x');
        longLine += "\r\nend";
        QBuffer device(&longLine);
        QVERIFY(device.open(QIODevice::ReadOnly));
        ImportLineReader reader(&device, 16);
        QByteArrayView line;
        QVERIFY(reader.next(&line));
        QCOMPARE(line.size(), 100000);
        QVERIFY(reader.next(&line));
        QCOMPARE(line, QByteArrayView("end"));
        QVERIFY(!reader.next(&line));
    }

    void runWithDuplicates()
    {
        const QString path = m_dir.filePath(QStringLiteral("7093RUN.TXT"));
        QVERIFY(writeFile(path, "01|F001|3|100|50|\r\n"    // 1 accepted
                                "01|F001|03|200|50|\r\n"   // 2 same key once normalised
                                "01|F001|4|100|500|\r\n"   // 3 rejected (0948)
                                "01|F001|4|100|50|\r\n"    // 4 accepted: 3 did not count
                                "1|f001|4|1|1|\r\n"        // 5 same key as 4
                                "03|F001|3|100|50|\r\n")); // 6 another type
        ImportFileCheck run(m_checks, m_types, QStringLiteral("2013"));
        QStringList seen;
        const ImportFileProblem p = run.run(path, [&](const ImportLineResult &r) {
            seen << QStringLiteral("%1 %2").arg(r.number).arg(
                r.accepted ? QStringLiteral("OK ") + r.record->num_ser.toString()
                           : QString::fromLatin1(r.code));
        });
        QCOMPARE(p.status, ImportFileStatus::Ok);
        QCOMPARE(seen, (QStringList{"1 OK F001", "2 0228", "3 0948", "4 OK F001", "5 0228",
                                    "6 OK F001"}));
        QCOMPARE(run.transferred(), 3);
        QCOMPARE(run.rejected(), 3);
    }

    void runManyDistinctKeys()
    {
        // Enough keys to grow the key table several times; every repeat is caught.
        const QString path = m_dir.filePath(QStringLiteral("7093MANY.TXT"));
        QByteArray bytes;
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < 6000; ++i)
                bytes += "12|S" + QByteArray::number(i) + "XYZ|" + QByteArray::number(i % 12 + 1)
                    + "|10|1|\r\n";
        QVERIFY(writeFile(path, bytes));
        ImportFileCheck run(m_checks, m_types, QStringLiteral("2013"));
        qint64 duplicates = 0;
        QVERIFY(run.run(path, [&](const ImportLineResult &r) {
                       if (!r.accepted && r.code == QByteArrayView("0228"))
                           ++duplicates;
                   }).status == ImportFileStatus::Ok);
        QCOMPARE(run.transferred(), 6000);
        QCOMPARE(duplicates, 6000);
    }

    // Lines appended to the file while its lines are being passed on (after its whole-file
    // checks) are not passed on: the check reads the file once.
    void runPassesOnOnlyTheLinesChecked()
    {
        const QString path = m_dir.filePath(QStringLiteral("7093GROW.TXT"));
        QVERIFY(writeFile(path, "01|F001|3|100|50|\r\n01|F002|3|100|50|\r\n"));
        ImportFileCheck run(m_checks, m_types, QStringLiteral("2013"));
        QStringList seen;
        const ImportFileProblem p = run.run(path, [&](const ImportLineResult &r) {
            if (r.number == 1) {
                QFile f(path);
                QVERIFY(f.open(QIODevice::Append));
                QVERIFY(f.write("01|F003|3|100|50|7|8|\r\n01|F004|3|100|50\r\n") > 0);
            }
            seen << QStringLiteral("%1 %2").arg(r.number).arg(
                r.accepted ? r.record->num_ser.toString() : QString::fromLatin1(r.code));
        });
        QCOMPARE(p.status, ImportFileStatus::Ok);
        QCOMPARE(seen, (QStringList{"1 F001", "2 F002"}));
        QCOMPARE(run.transferred(), 2);
    }

    void runStopsOnWholeFileFailure()
    {
        const QString path = m_dir.filePath(QStringLiteral("7093BAD.TXT"));
        QVERIFY(writeFile(path, "01|F001|3|100|50|\r\n01|F002|3|100|50\r\n"));
        ImportFileCheck run(m_checks, m_types, QStringLiteral("2013"));
        int calls = 0;
        const ImportFileProblem p = run.run(path, [&](const ImportLineResult &) { ++calls; });
        QCOMPARE(p.status, ImportFileStatus::WrongFieldCount);
        QCOMPARE(calls, 0);
    }
};

QTEST_GUILESS_MAIN(TestImportCheck)
#include "tst_importcheck.moc"
