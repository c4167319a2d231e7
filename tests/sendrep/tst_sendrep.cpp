// The send receipt: the command line cut by positions, the receipt lines and amounts, the
// whole run against a throw-away installation (golden files for both receipts, spool rows,
// copies, temporary file, every failure), and the program without a display.

#include "common/db/account.h"
#include "common/db/database.h"
#include "common/report/reportreader.h"
#include "common/settings/profile.h"
#include "common/text/atomicfile.h"
#include "common/text/textfile.h"
#include "common/time/clock.h"
#include "common/ui/messages.h"
#include "sendrep/commandline.h"
#include "sendrep/receipt.h"
#include "sendrep/sendreceipt.h"
#include "tests/support/damagedpage.h"
#include "tests/support/runprogram.h"
#include "tests/support/sandbox.h"
#include "tests/support/smalldisk.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QtTest>

#include <cerrno>

using sendrep::CommandLine;
using sendrep::SendReceipt;

namespace {

const QString kRuc = QStringLiteral("20100066603");
const QString kName = QStringLiteral("Distribuidora Peñaflor del Sur S.A.C.");
const QString kTryAgain = QStringLiteral("Intente nuevamente por favor.");
const QDateTime kWhen(QDate(2024, 3, 5), QTime(9, 7, 3));

// The command line as the host builds it: two leading characters, the RUC in 15 positions,
// the form, the period in 6, the week and the receipt number in 8.
QString commandLine(const QString &ruc = kRuc, const QString &period = QStringLiteral("2023"),
                    const QString &week = QStringLiteral("0"), const QString &receipt = QStringLiteral("40000001"))
{
    return QStringLiteral("01") + ruc.leftJustified(15, u' ') + QStringLiteral("7093")
           + period.leftJustified(6, u' ') + week + receipt;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<cannot read ") + path.toLocal8Bit() + '>';
    return f.readAll();
}

QString fixture(const QString &name)
{
    return qEnvironmentVariable("QAV_SOURCE_DIR") + QStringLiteral("/tests/sendrep/fixtures/") + name;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

// A number source that hands out the numbers given, then repeats the last one.
SendReceipt::NumberSource numbers(QList<int> list)
{
    auto shared = std::make_shared<QList<int>>(std::move(list));
    return [shared] { return shared->size() > 1 ? shared->takeFirst() : shared->first(); };
}

} // namespace

class TestSendRep : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;
    std::shared_ptr<qav::ScriptedMessageService> m_msg;
    std::unique_ptr<qav::Database> m_db;

    qav::Database &db()
    {
        if (!m_db) {
            m_db = std::make_unique<qav::Database>(QStringLiteral("check"));
            if (!m_db->open(m_sb->openOptions()))
                qWarning() << m_db->lastError().text;
        }
        return *m_db;
    }

    QString rptDir() const { return m_sb->sysPath + QStringLiteral("RPT"); }
    QString tmpDir() const { return m_sb->sysPath + QStringLiteral("TMP"); }

    bool addTaxpayer(const QString &ruc, const QString &name)
    {
        return db().insert(QStringLiteral("CONT"), {{QStringLiteral("Tip_doc_d"), 6},
                                                    {QStringLiteral("Doc_id_d"), ruc},
                                                    {QStringLiteral("Tip_per"), QStringLiteral("2")},
                                                    {QStringLiteral("Nombre"), name},
                                                    {QStringLiteral("Usuario"), m_sb->sysUser}});
    }

    bool addVoucher(const QString &ruc, const QString &year, const QString &series, const QString &month,
                    const QVariant &ven, const QVariant &gra, const QString &type = QStringLiteral("01"))
    {
        return db().insert(QStringLiteral("f7093des"), {{QStringLiteral("tip_doc_d"), 6},
                                                        {QStringLiteral("doc_id_d"), ruc},
                                                        {QStringLiteral("periodo"), year},
                                                        {QStringLiteral("formulario"), QStringLiteral("7093")},
                                                        {QStringLiteral("tip_com"), type},
                                                        {QStringLiteral("num_ser"), series},
                                                        {QStringLiteral("per_tri"), month},
                                                        {QStringLiteral("tot_ven"), ven},
                                                        {QStringLiteral("tot_gra"), gra},
                                                        {QStringLiteral("cnumero"), QStringLiteral("000000")}});
    }

    // The declaration of the golden files: three vouchers of 2023, one of them a credit
    // note, and rows of another year and another taxpayer that must not count.
    void addGoldenVouchers()
    {
        QVERIFY(addVoucher(kRuc, QStringLiteral("2023"), QStringLiteral("F001"), QStringLiteral("01"),
                           QStringLiteral("1500.00"), QStringLiteral("1271.19")));
        QVERIFY(addVoucher(kRuc, QStringLiteral("2023"), QStringLiteral("B001"), QStringLiteral("02"),
                           QStringLiteral("250.50"), QStringLiteral("212.29"), QStringLiteral("03")));
        QVERIFY(addVoucher(kRuc, QStringLiteral("2023"), QStringLiteral("F001"), QStringLiteral("03"),
                           QStringLiteral("-300.25"), QStringLiteral("-254.45"), QStringLiteral("07")));
        QVERIFY(addVoucher(kRuc, QStringLiteral("2022"), QStringLiteral("F001"), QStringLiteral("01"),
                           QStringLiteral("999.00"), QStringLiteral("999.00")));
        QVERIFY(addVoucher(QStringLiteral("20500000001"), QStringLiteral("2023"), QStringLiteral("F001"),
                           QStringLiteral("01"), QStringLiteral("777.00"), QStringLiteral("777.00")));
    }

    int spoolRows()
    {
        return db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL")).toInt();
    }

    // Runs the receipt in-process with the temporary names given.
    int run(const QString &line, QList<int> names = {12345678}, SendReceipt *out = nullptr)
    {
        SendReceipt own;
        SendReceipt &r = out ? *out : own;
        r.setNumberSource(numbers(std::move(names)));
        return r.run(line);
    }

    void expectOneMessage(const QString &text, const QString &title)
    {
        QCOMPARE(m_msg->shown.size(), 1);
        QCOMPARE(m_msg->shown[0].text, text);
        QCOMPARE(m_msg->shown[0].title, title);
        QCOMPARE(m_msg->shown[0].icon(), int(qav::MbCritical));
    }

    void expectNothingWritten()
    {
        QCOMPARE(spoolRows(), 0);
        QCOMPARE(filesIn(rptDir()), QStringList());
        QCOMPARE(filesIn(tmpDir()), QStringList());
    }

    QString sendrepPath() const
    {
        return qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/sendrep");
    }

    // Runs the real program without a display; its standard error in *err.
    int runProgram(const QStringList &args, QString *err)
    {
        const qavtest::ProgramRun run = qavtest::runProgram(sendrepPath(), args, m_sb->windir);
        *err = run.err;
        return run.exitCode;
    }

    // The copy an earlier sending of the same command line left in the report folder.
    QString earlierCopy() const { return rptDir() + QStringLiteral("/70932023  040000001.PRN"); }
    const QByteArray kEarlierCopy = QByteArrayLiteral("pPos|10|10|copia anterior|False|8|0|\r\n");

private slots:
    void init()
    {
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
        QVERIFY(db().execute(QStringLiteral(
            "CREATE TABLE f7093des (tip_doc_d INTEGER, doc_id_d TEXT COLLATE NOCASE, periodo TEXT COLLATE NOCASE, "
            "formulario TEXT COLLATE NOCASE, tip_com TEXT COLLATE NOCASE, num_ser TEXT COLLATE NOCASE, "
            "per_tri TEXT COLLATE NOCASE, tot_ven TEXT COLLATE NOCASE, tot_gra TEXT COLLATE NOCASE, "
            "cnumero TEXT COLLATE NOCASE)")));
        QVERIFY(addTaxpayer(kRuc, kName));
        m_msg = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_msg);
        qav::setFixedNow(kWhen);
    }

    void cleanup()
    {
        qav::setFixedNow(QDateTime());
        m_db.reset();
        qav::setMessageService(nullptr);
        m_msg.reset();
        m_sb.reset();
    }

    void commandLineFields_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("ruc");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("week");
        QTest::addColumn<QString>("receipt");
        QTest::addColumn<QString>("outputName");

        QTest::newRow("RUC padded to 15") << commandLine() << QStringLiteral("20100066603    ")
                                          << QStringLiteral("2023") << QStringLiteral("0")
                                          << QStringLiteral("40000001") << QStringLiteral("70932023  040000001");
        QTest::newRow("six-character period")
            << commandLine(kRuc, QStringLiteral("202312"), QStringLiteral("3"), QStringLiteral("00000042"))
            << QStringLiteral("20100066603    ") << QStringLiteral("2023") << QStringLiteral("3")
            << QStringLiteral("00000042") << QStringLiteral("70932023123") + QStringLiteral("00000042");
        QTest::newRow("characters past 36 ignored")
            << commandLine() + QStringLiteral(" resto") << QStringLiteral("20100066603    ")
            << QStringLiteral("2023") << QStringLiteral("0") << QStringLiteral("40000001")
            << QStringLiteral("70932023  040000001");
        QTest::newRow("15-digit document") << commandLine(QStringLiteral("123456789012345"))
                                           << QStringLiteral("123456789012345") << QStringLiteral("2023")
                                           << QStringLiteral("0") << QStringLiteral("40000001")
                                           << QStringLiteral("70932023  040000001");
    }

    void commandLineFields()
    {
        QFETCH(QString, line);
        QFETCH(QString, ruc);
        QFETCH(QString, year);
        QFETCH(QString, week);
        QFETCH(QString, receipt);
        QFETCH(QString, outputName);
        QString why;
        const std::optional<CommandLine> c = CommandLine::parse(line, &why);
        QVERIFY2(c, qPrintable(why));
        QCOMPARE(c->ruc, ruc);
        QCOMPARE(c->rucKey(), ruc.trimmed());
        QCOMPARE(c->form, QStringLiteral("7093"));
        QCOMPARE(c->year, year);
        QCOMPARE(c->week, week);
        QCOMPARE(c->receiptNumber, receipt);
        QCOMPARE(c->outputName(), outputName);
        QCOMPARE(c->outputName().size(), 19);
    }

    void badCommandLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QString() << QStringLiteral("La línea de comandos está vacía.");
        QTest::newRow("only spaces") << QString(40, u' ') << QStringLiteral("La línea de comandos está vacía.");
        QTest::newRow("35 characters") << commandLine().left(35)
                                       << QStringLiteral("La línea de comandos tiene 35 caracteres; se esperan al menos 36.");
        QTest::newRow("single quote in the RUC")
            << commandLine(QStringLiteral("2010006660' OR '1'='1").left(15))
            << QStringLiteral("La línea de comandos no puede contener comillas.");
        QTest::newRow("double quote past the fields") << commandLine() + QStringLiteral("\"")
                                                      << QStringLiteral("La línea de comandos no puede contener comillas.");
        QTest::newRow("folder in the receipt number")
            << commandLine(kRuc, QStringLiteral("2023"), QStringLiteral("0"), QStringLiteral("../../x1"))
            << QStringLiteral("La línea de comandos no puede contener separadores de carpeta.");
        QTest::newRow("backslash in the period")
            << commandLine(kRuc, QStringLiteral("20\\23"))
            << QStringLiteral("La línea de comandos no puede contener separadores de carpeta.");
        QTest::newRow("bar in the receipt number")
            << commandLine(kRuc, QStringLiteral("2023"), QStringLiteral("0"), QStringLiteral("|True|72"))
            << QStringLiteral("La línea de comandos no puede contener el carácter \"|\".");
        QTest::newRow("bar past the fields") << commandLine() + QStringLiteral("|")
                                             << QStringLiteral("La línea de comandos no puede contener el carácter \"|\".");
        QTest::newRow("line feed in the week")
            << commandLine(kRuc, QStringLiteral("2023"), QStringLiteral("\n"))
            << QStringLiteral("La línea de comandos contiene caracteres de control.");
    }

    // Refused before anything is touched: no settings key, no spool row, no file.
    void badCommandLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, reason);
        QString why;
        QVERIFY(!CommandLine::parse(line, &why));
        QCOMPARE(why, reason);

        const QByteArray iniBefore = fileBytes(m_sb->iniFile());
        QCOMPARE(run(line), int(sendrep::BadCommandLine));
        expectOneMessage(QStringLiteral("No se puede generar la constancia de envío: ") + reason,
                         QStringLiteral("Mensaje"));
        expectNothingWritten();
        QCOMPARE(fileBytes(m_sb->iniFile()), iniBefore);
    }

    void fitAmount_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("appended");

        const QString p12 = QStringLiteral("###,###,###,##0.#0");
        QTest::newRow("1234.5 in 12") << QStringLiteral("1234.5") << p12 << 12 << QStringLiteral("     1,234.50");
        QTest::newRow("grouped text") << QStringLiteral("1,450.25") << p12 << 12 << QStringLiteral("     1,450.25");
        QTest::newRow("zero") << QStringLiteral("0") << p12 << 12 << QStringLiteral("         0.00");
        QTest::newRow("negative") << QStringLiteral("-300.25") << p12 << 12 << QStringLiteral("      -300.25");
        QTest::newRow("exactly 12 wide") << QStringLiteral("123456789.5") << p12 << 12
                                         << QStringLiteral(" 123,456,789.50");
        QTest::newRow("exactly the width") << QStringLiteral("1234567.5") << p12 << 12
                                           << QStringLiteral(" 1,234,567.50");
        QTest::newRow("wider than the width") << QStringLiteral("22999999999999.78") << p12 << 12
                                              << QStringLiteral(" 22,999,999,999,999.78");
        QTest::newRow("taxed sales in 14") << QStringLiteral("1229.03") << QStringLiteral("#,###,###,###,##0.#0")
                                           << 14 << QStringLiteral("       1,229.03");
        QTest::newRow("not a number") << QStringLiteral("abc") << p12 << 12 << QStringLiteral("          abc");
    }

    void fitAmount()
    {
        QFETCH(QString, value);
        QFETCH(QString, picture);
        QFETCH(int, width);
        QFETCH(QString, appended);
        QString line = QStringLiteral(">");
        sendrep::FitAmount(line, value, picture, width);
        QCOMPARE(line, u'>' + appended);
    }

    void plainTextWriter()
    {
        sendrep::PlainTextWriter w;
        w.WriteTextLine(QString());
        w.WriteTextLine(QStringLiteral("   "));
        w.WriteTextLine(QStringLiteral("Año"));
        QCOMPARE(w.bytes(), QByteArray(" \r\n   \r\nA\xf1o\r\n"));

        // After every 80 lines a line holding only the character 15.
        sendrep::PlainTextWriter page;
        for (int i = 1; i <= 161; ++i)
            page.WriteTextLine(QString::number(i));
        const QList<QByteArray> lines = page.bytes().split('\n');
        QCOMPARE(lines.size(), 161 + 2 + 1);
        QCOMPARE(lines[79], QByteArray("80\r"));
        QCOMPARE(lines[80], QByteArray("\x0f\r"));
        QCOMPARE(lines[81], QByteArray("81\r"));
        QCOMPARE(lines[161], QByteArray("\x0f\r"));
        QCOMPARE(lines[162], QByteArray("161\r"));
    }

    void goldenReceipts_data()
    {
        QTest::addColumn<bool>("vouchers");
        QTest::newRow("with-vouchers") << true;
        QTest::newRow("without-vouchers") << false;
    }

    void goldenReceipts()
    {
        QFETCH(bool, vouchers);
        if (vouchers)
            addGoldenVouchers();
        SendReceipt r;
        QCOMPARE(run(commandLine(), {12345678}, &r), int(sendrep::Done));
        QVERIFY(m_msg->shown.isEmpty());

        const QString dir = fixture(QString::fromLatin1(QTest::currentDataTag()));
        const QString name = QStringLiteral("70932023  040000001");
        const QByteArray expectedDocument = fileBytes(dir + QStringLiteral("/document.PRN"));
        const QByteArray expectedText = fileBytes(dir + QStringLiteral("/receipt.txt"));
        QCOMPARE(fileBytes(rptDir() + QStringLiteral("/00000001.PRN")), expectedDocument);
        QCOMPARE(fileBytes(rptDir() + u'/' + name + QStringLiteral(".PRN")), expectedDocument);
        QCOMPARE(fileBytes(tmpDir() + u'/' + name + QStringLiteral(".txt")), expectedText);
        // The temporary file with the random name is gone.
        QCOMPARE(filesIn(tmpDir()), QStringList{name + QStringLiteral(".txt")});
        QCOMPARE(filesIn(rptDir()), (QStringList{QStringLiteral("00000001.PRN"), name + QStringLiteral(".PRN")}));

        QCOMPARE(r.outcome().spoolName, QStringLiteral("00000001.PRN"));
        QCOMPARE(r.outcome().documentCopy, rptDir() + u'/' + name + QStringLiteral(".PRN"));
        QCOMPARE(r.outcome().textCopy, tmpDir() + u'/' + name + QStringLiteral(".txt"));

        // The spool row: code DE0002, the RUC trimmed, the session user, the clock's time.
        const QList<QSqlRecord> spool = db().rows(QStringLiteral("SELECT * FROM SPOOL"));
        QCOMPARE(spool.size(), 1);
        QCOMPARE(spool[0].value(QStringLiteral("CodRep")).toString(), QStringLiteral("DE0002"));
        QCOMPARE(spool[0].value(QStringLiteral("Secuencia")).toString(), QStringLiteral("000001"));
        QCOMPARE(spool[0].value(QStringLiteral("Archivo")).toString(), QStringLiteral("00000001.PRN"));
        QCOMPARE(spool[0].value(QStringLiteral("Usuario")).toString(), m_sb->sysUser);
        QCOMPARE(spool[0].value(QStringLiteral("tip_doc_d")).toInt(), 6);
        QCOMPARE(spool[0].value(QStringLiteral("Doc_id_d")).toString(), kRuc);
        QCOMPARE(spool[0].value(QStringLiteral("Fecha")).toDateTime(), kWhen);
    }

    // The output name keeps the spaces of a four-character period.
    void outputNameKeepsSpaces()
    {
        QCOMPARE(run(commandLine(kRuc, QStringLiteral("2023"), QStringLiteral("0"), QStringLiteral("00001234"))),
                 int(sendrep::Done));
        QVERIFY(QFileInfo::exists(rptDir() + QStringLiteral("/70932023  000001234.PRN")));
        QVERIFY(QFileInfo::exists(tmpDir() + QStringLiteral("/70932023  000001234.txt")));
    }

    // Sums are exact over the stored texts: a floating-point sum of these loses the cent.
    void sumsAreExact()
    {
        for (int i = 0; i < 23; ++i)
            QVERIFY(addVoucher(kRuc, QStringLiteral("2023"), QStringLiteral("S%1").arg(i), QStringLiteral("01"),
                               QStringLiteral("999999999999.99"), QStringLiteral("1.10")));
        QVERIFY(addVoucher(kRuc, QStringLiteral("2023"), QStringLiteral("T"), QStringLiteral("01"),
                           QStringLiteral("0.01"), QVariant()));
        QCOMPARE(run(commandLine()), int(sendrep::Done));
        QStringList lines;
        QVERIFY(qav::readTextLines(tmpDir() + QStringLiteral("/70932023  040000001.txt"), &lines));
        QCOMPARE(lines.value(5), QString(13, u' ') + QStringLiteral(" 22,999,999,999,999.78        25.30"));
        QStringList document;
        QVERIFY(qav::readTextLines(rptDir() + QStringLiteral("/00000001.PRN"), &document));
        QVERIFY(document.contains(QStringLiteral("pPos|10|3150|") + QString(27, u' ')
                                  + QStringLiteral(" 22,999,999,999,999.78          25.30|False|8|0|")));
    }

    // A name holding "|" stays one text of its line: read back, the document has the name
    // whole (the bar drawn as "¦") and no field of size, weight or page taken from it.
    void barInTheNameStaysText()
    {
        const QString name = QStringLiteral("ACME |True|72| S.A.\r\nNC");
        QVERIFY(db().execute(QStringLiteral("UPDATE CONT SET Nombre=? WHERE Doc_id_d=?"), {name, kRuc}));
        SendReceipt r;
        QCOMPARE(run(commandLine(), {12345678}, &r), int(sendrep::Done));
        qav::ReportDocument doc;
        QString why;
        QVERIFY2(qav::readReportDocument(r.outcome().documentPath, &doc, &why), qPrintable(why));
        QCOMPARE(doc.skippedLines, 0);
        QStringList names;
        for (const qav::ReportElement &e : std::as_const(doc.elements)) {
            if (e.text.contains(QStringLiteral("RAZON SOCIAL")))
                names << e.text;
            QCOMPARE(e.kind, qav::ReportElement::Text);
            QCOMPARE(e.size, qint16(8));
            QVERIFY(!e.bold);
        }
        QCOMPARE(names, QStringList{QString(10, u' ') + QStringLiteral("RAZON SOCIAL     : ACME ¦True¦72¦ S.A.  NC")});
        QCOMPARE(doc.pageCount(), 1);
    }

    // A damaged table page makes the engine fail part-way through the rows: no total from
    // the rows read before it, no receipt, no spool row; the real program exits 1 and says
    // why in Spanish.
    void damagedPageStopsTheReceipt()
    {
        for (int i = 0; i < 300; ++i)
            QVERIFY(addVoucher(kRuc, QStringLiteral("2023"),
                               QStringLiteral("M%1-").arg(i, 4, 10, QLatin1Char('0')) + QString(300, u'x'),
                               QStringLiteral("01"), QStringLiteral("1000.00"), QStringLiteral("847.46")));
        QVERIFY(db().execute(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
        m_db.reset();
        QString why;
        QVERIFY2(qavtest::damagePageHolding(m_sb->dbFile, "M0200-", &why), qPrintable(why));

        QString err;
        QCOMPARE(runProgram({commandLine()}, &err), 1);
        QCOMPARE(err, QStringLiteral("Mensaje: Error tecnico:  %1\nError del motor de base de datos: el archivo "
                                     "de la base de datos está dañado.\n").arg(int(qav::ErrEngine))
                          + kTryAgain + u'\n');
        expectNothingWritten();
    }

    // A write refused part-way (the writer's seam, as a disk that fills up at that byte):
    // the run fails with the file and the cause, the document is not left registered, and
    // the copy of an earlier sending is kept as it was.
    void writeFailsPartWay_data()
    {
        QTest::addColumn<qint64>("failAt");
        QTest::addColumn<QString>("file"); // the file that could not be written
        QTest::addColumn<QStringList>("temporary"); // what stays in the temporary folder
        QTest::newRow("the plain-text receipt") << qint64(0) << QStringLiteral("TMP/12345678") << QStringList();
        QTest::newRow("the report document") << qint64(1000) << QStringLiteral("RPT/00000001.PRN")
                                             << QStringList{QStringLiteral("12345678")};
    }
    void writeFailsPartWay()
    {
        QFETCH(qint64, failAt);
        QFETCH(QString, file);
        QFETCH(QStringList, temporary);
        addGoldenVouchers();
        QVERIFY(qav::writeText(earlierCopy(), QString::fromLatin1(kEarlierCopy)));
        qav::AtomicFile::failAfterBytesForTesting(failAt, ENOSPC);
        const int status = run(commandLine(), {12345678});
        qav::AtomicFile::failAfterBytesForTesting(-1, 0);
        QCOMPARE(status, int(sendrep::Failed));
        expectOneMessage(QStringLiteral("Error tecnico:  75\nNo se pudo escribir el archivo %1: no queda espacio "
                                        "en el disco.\n").arg(m_sb->sysPath + file)
                             + kTryAgain,
                         QStringLiteral("Mensaje"));
        QCOMPARE(spoolRows(), 0);
        QCOMPARE(filesIn(rptDir()), QStringList{QStringLiteral("70932023  040000001.PRN")});
        QCOMPARE(fileBytes(earlierCopy()), kEarlierCopy);
        QCOMPARE(filesIn(tmpDir()), temporary);
    }

    // A disk really full (a small file system on one folder of the installation, filled
    // up), with the real program: the report folder or the temporary folder full fails the
    // run (exit 1, the cause on standard error, nothing registered, the earlier copy
    // kept); the settings folder full keeps PM000.INI as it was, never emptied.
    void fullDisk_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("report folder") << QStringLiteral("RPT") << 1
                                       << QStringLiteral("No se pudo escribir el archivo %1/00000001.PRN: no queda "
                                                         "espacio en el disco.");
        QTest::newRow("temporary folder") << QStringLiteral("TMP") << 1
                                          << QStringLiteral("no queda espacio en el disco.");
        QTest::newRow("settings folder") << QStringLiteral("windows") << 0 << QString();
    }
    void fullDisk()
    {
        QFETCH(QString, folder);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QString why;
        if (!qavtest::SmallDisk::available(&why))
            QSKIP(qPrintable(QStringLiteral("no small file system here: ") + why));
        addGoldenVouchers();
        const QString path = folder == u"windows" ? m_sb->windir : m_sb->sysPath + folder;
        const QByteArray settings = fileBytes(m_sb->iniFile());
        qavtest::SmallDisk disk;
        QVERIFY2(disk.mount(path, 64 * 1024, &why), qPrintable(why));
        if (folder == u"windows")
            QVERIFY(qav::writeText(m_sb->iniFile(), QString::fromLatin1(settings)));
        if (folder == u"RPT")
            QVERIFY(qav::writeText(earlierCopy(), QString::fromLatin1(kEarlierCopy)));
        QVERIFY2(disk.fill(&why), qPrintable(why));

        QString err;
        QCOMPARE(runProgram({commandLine()}, &err), exitCode);
        if (folder == u"windows")
            QCOMPARE(fileBytes(m_sb->iniFile()), settings);
        if (exitCode == 0) {
            QVERIFY2(err.isEmpty(), qPrintable(err));
            QCOMPARE(spoolRows(), 1);
            return;
        }
        QVERIFY2(err.startsWith(QStringLiteral("Mensaje: Error tecnico:  75\n")), qPrintable(err));
        QVERIFY2(err.contains(message.contains(u"%1") ? message.arg(path) : message), qPrintable(err));
        QVERIFY2(err.contains(path), qPrintable(err));
        QCOMPARE(spoolRows(), 0);
        QCOMPARE(filesIn(rptDir()), folder == u"RPT" ? QStringList{QStringLiteral("70932023  040000001.PRN")}
                                                      : QStringList());
        if (folder == u"RPT")
            QCOMPARE(fileBytes(earlierCopy()), kEarlierCopy);
    }

    void storedAmountNotANumber()
    {
        QVERIFY(addVoucher(kRuc, QStringLiteral("2023"), QStringLiteral("F001"), QStringLiteral("01"),
                           QStringLiteral("100.00"), QStringLiteral("12,5")));
        QCOMPARE(run(commandLine()), int(sendrep::Failed));
        expectOneMessage(QStringLiteral("Error tecnico:  13\nNo coinciden los tipos: tot_gra = '12,5'\n") + kTryAgain,
                         QStringLiteral("Mensaje"));
        expectNothingWritten();
    }

    // Each run registers its own document; the copies named after the command line are
    // replaced by the latest run.
    void twoRuns()
    {
        addGoldenVouchers();
        QCOMPARE(run(commandLine(), {11111111}), int(sendrep::Done));
        qav::setFixedNow(kWhen.addSecs(3600));
        QCOMPARE(run(commandLine(), {22222222}), int(sendrep::Done));
        QVERIFY(m_msg->shown.isEmpty());

        const QList<QSqlRecord> spool =
            db().rows(QStringLiteral("SELECT Secuencia, Archivo FROM SPOOL ORDER BY Archivo"));
        QCOMPARE(spool.size(), 2);
        QCOMPARE(spool[0].value(1).toString(), QStringLiteral("00000001.PRN"));
        QCOMPARE(spool[1].value(0).toString(), QStringLiteral("000002"));
        QCOMPARE(spool[1].value(1).toString(), QStringLiteral("00000002.PRN"));

        const QString name = QStringLiteral("70932023  040000001");
        QCOMPARE(filesIn(rptDir()), (QStringList{QStringLiteral("00000001.PRN"), QStringLiteral("00000002.PRN"),
                                                 name + QStringLiteral(".PRN")}));
        QCOMPARE(filesIn(tmpDir()), QStringList{name + QStringLiteral(".txt")});
        const QByteArray second = fileBytes(rptDir() + QStringLiteral("/00000002.PRN"));
        QVERIFY(second != fileBytes(rptDir() + QStringLiteral("/00000001.PRN")));
        QVERIFY(second.contains("|          10:07:03|"));
        QCOMPARE(fileBytes(rptDir() + u'/' + name + QStringLiteral(".PRN")), second);
    }

    // A file that carries the drawn name is left alone: another name is drawn.
    void temporaryNameTaken()
    {
        QFile taken(tmpDir() + QStringLiteral("/12345678"));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("not ours");
        taken.close();
        QCOMPARE(run(commandLine(), {12345678, 12345678, 23456789}), int(sendrep::Done));
        QCOMPARE(fileBytes(tmpDir() + QStringLiteral("/12345678")), QByteArray("not ours"));
        QCOMPARE(filesIn(tmpDir()),
                 (QStringList{QStringLiteral("12345678"), QStringLiteral("70932023  040000001.txt")}));
    }

    void temporaryNamesExhausted()
    {
        QFile taken(tmpDir() + QStringLiteral("/12345678"));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.close();
        QCOMPARE(run(commandLine(), {12345678}), int(sendrep::Failed));
        expectOneMessage(QStringLiteral("Error tecnico:  58\nEl archivo ya existe: ") + tmpDir() + u'\n' + kTryAgain,
                         QStringLiteral("Mensaje"));
        QCOMPARE(spoolRows(), 0);
        QCOMPARE(filesIn(tmpDir()), QStringList{QStringLiteral("12345678")});
    }

    void noTaxpayerRow_data()
    {
        QTest::addColumn<QString>("ruc");
        QTest::newRow("unknown RUC") << QStringLiteral("20999999999");
        QTest::newRow("RUC of another document type") << QStringLiteral("10456789012");
    }

    void noTaxpayerRow()
    {
        QFETCH(QString, ruc);
        QVERIFY(db().insert(QStringLiteral("CONT"), {{QStringLiteral("Tip_doc_d"), 1},
                                                     {QStringLiteral("Doc_id_d"), QStringLiteral("10456789012")},
                                                     {QStringLiteral("Nombre"), QStringLiteral("Persona")}}));
        QVERIFY(addVoucher(ruc, QStringLiteral("2023"), QStringLiteral("F001"), QStringLiteral("01"),
                           QStringLiteral("10.00"), QStringLiteral("10.00")));
        QCOMPARE(run(commandLine(ruc)), int(sendrep::Failed));
        expectOneMessage(QStringLiteral("No existe data para Generar Reporte de Envio!!!\n"), QStringLiteral("Error"));
        expectNothingWritten();
    }

    void databaseOpenFailure_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("detail");
        QTest::newRow("missing database") << QStringLiteral("DBName") << QStringLiteral("otra.mdb")
                                          << int(qav::ErrFileNotFound) << QStringLiteral("otra.mdb");
        QTest::newRow("no DBPath, no workgroup file")
            << QStringLiteral("DBPath") << QString() << int(qav::ErrNoWorkgroup) << QString();
    }

    void databaseOpenFailure()
    {
        QFETCH(QString, setting);
        QFETCH(QString, value);
        QFETCH(int, number);
        QFETCH(QString, detail);
        QVERIFY(qav::writeProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"), setting, value));
        QCOMPARE(run(commandLine()), int(sendrep::Failed));
        if (!detail.isEmpty())
            detail.prepend(m_sb->sysPath);
        expectOneMessage(u'\n' + qav::dbErrorText(number, detail) + u'\n' + kTryAgain, QStringLiteral("Mensaje"));
        expectNothingWritten();
    }

    void badAccount()
    {
        QVERIFY(qav::writeWorkgroupFile(m_sb->workgroupFile(), QStringLiteral("otro"), QStringLiteral("clave")));
        QCOMPARE(run(commandLine()), int(sendrep::Failed));
        expectOneMessage(u'\n' + qav::dbErrorText(qav::ErrBadAccount) + u'\n' + kTryAgain, QStringLiteral("Mensaje"));
    }

    // Every folder comes from DBPath; SystemDB is written on every run.
    void settingsFromDbPath_data()
    {
        QTest::addColumn<bool>("trailingSeparator");
        QTest::newRow("DBPath with separator") << true;
        QTest::newRow("DBPath without separator") << false;
    }

    void settingsFromDbPath()
    {
        QFETCH(bool, trailingSeparator);
        // SysPath points elsewhere: nothing may be taken from it.
        const QString elsewhere = m_sb->root + QStringLiteral("/elsewhere/");
        QVERIFY(QDir().mkpath(elsewhere));
        const QString ini = QStringLiteral("PM000.INI");
        const QString options = QStringLiteral("Options");
        QVERIFY(qav::writeProfileString(ini, options, QStringLiteral("SysPath"), elsewhere));
        QString dbPath = m_sb->sysPath;
        if (!trailingSeparator) {
            dbPath.chop(1);
            // DBPath + "RPT" and DBPath + "TMP", joined without a separator.
            QVERIFY(QDir().mkpath(dbPath + QStringLiteral("RPT")));
            QVERIFY(QDir().mkpath(dbPath + QStringLiteral("TMP")));
            QVERIFY(qav::writeProfileString(ini, options, QStringLiteral("DBName"), QStringLiteral("/qav.mdb")));
        }
        QVERIFY(qav::writeProfileString(ini, options, QStringLiteral("DBPath"), dbPath));

        SendReceipt r;
        QCOMPARE(run(commandLine(), {12345678}, &r), int(sendrep::Done));
        QCOMPARE(qav::readProfileString(ini, options, QStringLiteral("SystemDB")), dbPath + QStringLiteral("/PM000.MDW"));
        QCOMPARE(r.installation().workgroupFile, m_sb->workgroupFile());
        QCOMPARE(r.installation().reportDir, dbPath + QStringLiteral("RPT"));
        QCOMPARE(r.installation().tempDir, dbPath + QStringLiteral("TMP"));
        QCOMPARE(r.installation().sysUser, m_sb->sysUser);
        QVERIFY(QFileInfo::exists(dbPath + QStringLiteral("RPT/00000001.PRN")));
        QVERIFY(QFileInfo::exists(dbPath + QStringLiteral("TMP/70932023  040000001.txt")));
        QCOMPARE(filesIn(elsewhere), QStringList());
    }

    // The document is registered before it is written: without a report folder the spool
    // row and the plain-text file stay, nothing is copied.
    void missingReportFolder()
    {
        QVERIFY(QDir(rptDir()).removeRecursively());
        QCOMPARE(run(commandLine(), {12345678}), int(sendrep::Failed));
        expectOneMessage(QStringLiteral("Error tecnico:  76\nNo se encontró la ruta de acceso: ") + rptDir() + u'\n'
                             + kTryAgain,
                         QStringLiteral("Mensaje"));
        QCOMPARE(spoolRows(), 1);
        QCOMPARE(filesIn(tmpDir()), QStringList{QStringLiteral("12345678")});
    }

    void missingTemporaryFolder()
    {
        // Folder names are matched without regard to case: "tmp" would serve as "TMP".
        QVERIFY(QDir(tmpDir()).removeRecursively());
        QVERIFY(QDir(m_sb->sysPath + QStringLiteral("tmp")).removeRecursively());
        QCOMPARE(run(commandLine()), int(sendrep::Failed));
        expectOneMessage(QStringLiteral("Error tecnico:  76\nNo se encontró la ruta de acceso: ") + tmpDir() + u'\n'
                             + kTryAgain,
                         QStringLiteral("Mensaje"));
        QCOMPARE(spoolRows(), 0);
        QCOMPARE(filesIn(rptDir()), QStringList());
    }

    // A copy that cannot be written (a folder stands where the file would go).
    void failingCopy()
    {
        QVERIFY(QDir().mkpath(tmpDir() + QStringLiteral("/70932023  040000001.txt")));
        QCOMPARE(run(commandLine(), {12345678}), int(sendrep::Failed));
        expectOneMessage(QStringLiteral("Error tecnico:  75\nNo se pudo crear el archivo ") + tmpDir()
                             + QStringLiteral("/70932023  040000001.txt: es una carpeta, no un archivo.\n") + kTryAgain,
                         QStringLiteral("Mensaje"));
        // What was written stays: the document, its copy and the temporary file.
        QCOMPARE(filesIn(rptDir()),
                 (QStringList{QStringLiteral("00000001.PRN"), QStringLiteral("70932023  040000001.PRN")}));
        QVERIFY(QFileInfo::exists(tmpDir() + QStringLiteral("/12345678")));
    }

    void missingModuleTable()
    {
        QVERIFY(db().execute(QStringLiteral("DROP TABLE f7093des")));
        QCOMPARE(run(commandLine()), int(sendrep::Failed));
        expectOneMessage(QStringLiteral("Error tecnico:  %1\n").arg(int(qav::ErrNoSuchTable))
                             + qav::dbErrorText(qav::ErrNoSuchTable, QStringLiteral("f7093des")) + u'\n' + kTryAgain,
                         QStringLiteral("Mensaje"));
        expectNothingWritten();
    }

    // The registration fails after the plain-text file was written: it stays, no document.
    void spoolRefused()
    {
        QVERIFY(db().execute(QStringLiteral("DROP TABLE SPOOL")));
        QCOMPARE(run(commandLine(), {12345678}), int(sendrep::Failed));
        expectOneMessage(QStringLiteral("Error tecnico:  %1\n").arg(int(qav::ErrNoSuchTable))
                             + qav::dbErrorText(qav::ErrNoSuchTable, QStringLiteral("SPOOL")) + u'\n' + kTryAgain,
                         QStringLiteral("Mensaje"));
        QCOMPARE(filesIn(rptDir()), QStringList());
        QCOMPARE(filesIn(tmpDir()), QStringList{QStringLiteral("12345678")});
    }

    void programWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrText");
        QTest::newRow("one argument") << QStringList{commandLine()} << 0 << QString();
        QTest::newRow("no argument") << QStringList() << 2
                                     << QStringLiteral("Mensaje: No se puede generar la constancia de envío: "
                                                       "La línea de comandos está vacía.\n");
        QTest::newRow("split at the spaces") << commandLine().split(u' ', Qt::SkipEmptyParts) << 2
                                             << QStringLiteral("Mensaje: No se puede generar la constancia de envío: "
                                                               "La línea de comandos tiene 32 caracteres; se esperan "
                                                               "al menos 36.\n");
        QTest::newRow("drawing fields in the receipt number")
            << QStringList{commandLine(kRuc, QStringLiteral("2023"), QStringLiteral("0"), QStringLiteral("|True|72"))}
            << 2
            << QStringLiteral("Mensaje: No se puede generar la constancia de envío: La línea de comandos no "
                              "puede contener el carácter \"|\".\n");
        QTest::newRow("unknown taxpayer") << QStringList{commandLine(QStringLiteral("20999999999"))} << 1
                                          << QStringLiteral("Error: No existe data para Generar Reporte de Envio!!!\n\n");
    }

    void programWithoutDisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrText);
        QString err;
        const int status = runProgram(args, &err);
        QCOMPARE(err, stderrText);
        QCOMPARE(status, exitCode);
        if (exitCode == 0) {
            QCOMPARE(spoolRows(), 1);
            QVERIFY(QFileInfo::exists(rptDir() + QStringLiteral("/70932023  040000001.PRN")));
            QVERIFY(QFileInfo::exists(tmpDir() + QStringLiteral("/70932023  040000001.txt")));
        } else {
            expectNothingWritten();
        }
    }
};

QTEST_GUILESS_MAIN(TestSendRep)
#include "tst_sendrep.moc"
