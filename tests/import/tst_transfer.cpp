// The transfer run of the import on a real database: golden files per case (the working
// table, the log and the error list byte for byte, the counters and the closing message),
// the first-rejection rule over two runs, the failures of a run and their messages, a stop
// during a run, a record that cannot be written, the log that cannot be written, and the
// error report registered in the spool.

#include "declmod/declaration/workingtable.h"
#include "declmod/import/importtarget.h"
#include "declmod/import/transferlog.h"
#include "declmod/import/transperret.h"
#include "declmod/import/vouchertypes.h"
#include "declmod/session/hostservices.h"

#include "common/db/database.h"
#include "common/text/textfile.h"
#include "common/ui/messages.h"
#include "schema/hostschema.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using namespace declmod;

namespace {

const QString kRuc = QStringLiteral("20100066666");
const QString kYear = QStringLiteral("2013");
const QString kBase = QStringLiteral("7093") + kRuc + kYear;

QString fixture(const QString &name)
{
    return qEnvironmentVariable("QAV_SOURCE_DIR") + QStringLiteral("/tests/import/fixtures/transfer/")
        + name;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

VoucherTypeSet referenceTypes()
{
    QStringList codes;
    ReferenceVoucherTypes().codes(&codes, nullptr);
    return VoucherTypeSet(codes);
}

// How many descriptors of this process are open on `path`.
int openDescriptors(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            ++n;
    return n;
}

// A lock of the whole file on an opening of its own, as another program would hold it.
class FileLock
{
public:
    explicit FileLock(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT, 0666);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        m_locked = m_fd >= 0 && ::fcntl(m_fd, F_OFD_SETLK, &lock) == 0;
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool locked() const { return m_locked; }

private:
    int m_fd = -1;
    bool m_locked = false;
};

} // namespace

class TestTransfer : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    qav::Database m_db{QStringLiteral("tst_transfer")};
    const HostServices m_host;
    const VoucherTypeSet m_types = referenceTypes();
    std::shared_ptr<qav::ScriptedMessageService> m_messages;
    QString m_sysPath;   // <dir>/qav/
    QString m_reportDir; // <dir>/qav/RPT
    QString m_folder;    // where the import file lies

    QString logPath() const { return m_sysPath + QStringLiteral("RPT") + kBase + QStringLiteral(".Log"); }
    QString errorListPath() const { return m_sysPath + QStringLiteral("RPT") + kRuc + QStringLiteral(".Err"); }
    QString importPath() const { return m_folder + u'/' + kBase + QStringLiteral(".TXT"); }

    TransferSetup setup(const QString &folder) const
    {
        return {folder, m_reportDir, QStringLiteral("7093"), kRuc, kYear};
    }

    TransPerRet::Services services(ImportTarget *target)
    {
        return {&m_host, &m_types, &m_db, target, m_messages.get()};
    }

    // The working table's rows in key order, one "tip_com|num_ser|per_tri|tot_ven|tot_gra|"
    // line each.
    QStringList tableRows()
    {
        QStringList rows;
        for (const QSqlRecord &r : m_db.rows(QStringLiteral(
                 "SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra FROM tmpf7093des "
                 "ORDER BY tip_com, num_ser, per_tri"))) {
            QString line;
            for (int i = 0; i < 5; ++i)
                line += r.value(i).toString() + u'|';
            rows << line;
        }
        return rows;
    }

    void preload(const QStringList &rows)
    {
        for (const QString &row : rows) {
            const QStringList f = row.split(u'|');
            QVERIFY2(m_db.execute(QStringLiteral("INSERT INTO tmpf7093des VALUES (?, ?, ?, ?, ?)"),
                                  {f[0], f[1], f[2], f[3], f[4]}),
                     qPrintable(m_db.lastError().text));
        }
    }

    QStringList messageTexts() const
    {
        QStringList out;
        for (const qav::Message &m : m_messages->shown)
            out << QString::number(m.style) + u' ' + m.title + QStringLiteral(": ") + m.text;
        return out;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_sysPath = m_dir->path() + QStringLiteral("/qav/");
        m_reportDir = m_sysPath + QStringLiteral("RPT");
        m_folder = m_dir->path() + QStringLiteral("/Importar");
        QVERIFY(QDir().mkpath(m_reportDir));
        QVERIFY(QDir().mkpath(m_folder));
        qav::OpenOptions o;
        o.file = m_sysPath + QStringLiteral("qav.mdb");
        QVERIFY(writeFile(o.file, QByteArray())); // an empty file is an empty database
        QVERIFY2(m_db.open(o), qPrintable(m_db.lastError().text));
        QString why;
        QVERIFY2(qav::createHostTables(m_db, &why), qPrintable(why));
        // The declaration window's working table, private to this connection.
        QVERIFY(WorkingTable(m_db).create());
        QStringList errorRows;
        QVERIFY(qav::readTextLines(fixture(QStringLiteral("error-table.txt")), &errorRows));
        for (const QString &row : errorRows) {
            // The fixture is UTF-8; readTextLines reads Windows-1252.
            const QString line = QString::fromUtf8(qav::encodeCp1252(row));
            QVERIFY(m_db.execute(QStringLiteral("INSERT INTO Error (CodError, DescError) VALUES (?, ?)"),
                                 {line.section(u'|', 0, 0), line.section(u'|', 1)}));
        }
        m_messages = std::make_shared<qav::ScriptedMessageService>();
    }

    void cleanup()
    {
        m_db.close();
        m_dir.reset();
    }

    // Each case folder: input.TXT, preload.txt (rows already in the working table),
    // table.txt (the rows afterwards), counters.txt ("transferred rejected"), and, when
    // lines are rejected, expected.Log and expected.Err.
    void golden_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"mixed", "duplicates", "clean"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void golden()
    {
        QFETCH(QString, name);
        const QString dir = fixture(name) + u'/';
        QStringList rows;
        QVERIFY(qav::readTextLines(dir + QStringLiteral("preload.txt"), &rows));
        preload(rows);
        // The folder is given with a trailing separator and the file named in lower case.
        QVERIFY(QFile::copy(dir + QStringLiteral("input.TXT"),
                            m_folder + u'/' + kBase + QStringLiteral(".txt")));

        WorkingTableTarget target(m_db, 2);
        TransPerRet run(services(&target), setup(m_folder + u'/'));
        QCOMPARE(run.run(), TransferOutcome::Completed);
        QVERIFY(m_messages->shown.isEmpty());

        QStringList expectedRows;
        QVERIFY(qav::readTextLines(dir + QStringLiteral("table.txt"), &expectedRows));
        QCOMPARE(tableRows(), expectedRows);
        const QStringList counters =
            QString::fromLatin1(readAll(dir + QStringLiteral("counters.txt"))).split(u' ');
        QCOMPARE(QString::number(run.transferred()), counters.value(0).trimmed());
        QCOMPARE(QString::number(run.rejected()), counters.value(1).trimmed());
        QCOMPARE(run.transferred() + qint64(rows.size()), qint64(expectedRows.size()));
        QCOMPARE(run.bytesRead(), run.fileSize());
        if (run.rejected() > 0) {
            QCOMPARE(readAll(logPath()), readAll(dir + QStringLiteral("expected.Log")));
            QCOMPARE(readAll(errorListPath()), readAll(dir + QStringLiteral("expected.Err")));
        } else {
            QVERIFY(!QFile::exists(logPath()));
            QVERIFY(!QFile::exists(errorListPath()));
        }

        // The closing message, or the question about the error report.
        m_messages->answers = {qav::AnsNo};
        const TransferAnnouncement a =
            announceTransfer(run, m_db, QStringLiteral("JPEREZ"), {}, *m_messages, true);
        QCOMPARE(m_messages->shown.size(), 1);
        const qav::Message &m = m_messages->shown.first();
        if (run.rejected() == 0) {
            QCOMPARE(m.title, QStringLiteral("Mensaje"));
            QCOMPARE(m.style, qav::MbOk | qav::MbInformation);
            QCOMPARE(m.text, QStringLiteral("Archivo : ") + m_folder + u'/' + kBase
                         + QStringLiteral(".TXT transferido"));
            QVERIFY(a.spoolName.isEmpty());
        } else {
            QCOMPARE(m.title, QStringLiteral("Confirmar"));
            QCOMPARE(m.style, qav::MbYesNo | qav::MbQuestion | qav::MbDefaultButton2);
            QCOMPARE(m.text, QStringLiteral("¡Algunos registros han sido rechazados!\nVerifique "
                                            "Archivo Log: ")
                         + logPath() + QStringLiteral("\n¿Desea Visualizar Reporte de errores?"));
            QVERIFY(!a.spoolName.isEmpty());
        }
    }

    // The first rejection of a run starts the log and the error list afresh; a run without
    // rejections leaves the files of the run before it as they were.
    void filesOfEarlierRuns()
    {
        QVERIFY(writeFile(logPath(), "old log line\r\n"));
        QVERIFY(writeFile(errorListPath(), "old error line\r\n"));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));

        QVERIFY(writeFile(importPath(), "01|F001|3|10|5|\r\n"));
        QCOMPARE(run.run(), TransferOutcome::Completed);
        QCOMPARE(run.rejected(), 0);
        QVERIFY(!run.wroteThisRun());
        QCOMPARE(readAll(logPath()), QByteArray("old log line\r\n"));
        QCOMPARE(readAll(errorListPath()), QByteArray("old error line\r\n"));

        // The same file again: its line is now a duplicate, and the old files are replaced.
        QCOMPARE(run.run(), TransferOutcome::Completed);
        QCOMPARE(run.transferred(), 0);
        QCOMPARE(run.rejected(), 1);
        QVERIFY(run.wroteThisRun());
        QCOMPARE(readAll(logPath()), QByteArray("01|F001|3|10|5|\r\n"));
        const QByteArray duplicate = "  01              F001   3"
                                     "      Registro duplicado: ya existe un registro con el "
                                     "mismo tipo, serie y mes\r\n";
        QCOMPARE(readAll(errorListPath()), duplicate);

        // A third run with two rejections holds those two only.
        QVERIFY(writeFile(importPath(), "01|F001|3|10|5|\r\n01|F002|3|10|50|\r\n"));
        QCOMPARE(run.run(), TransferOutcome::Completed);
        QCOMPARE(run.rejected(), 2);
        QCOMPARE(readAll(logPath()), QByteArray("01|F001|3|10|5|\r\n01|F002|3|10|50|\r\n"));
        QCOMPARE(readAll(errorListPath()).count("\r\n"), 2);
    }

    // An existing log named in another case is the one written.
    void logFoundWhateverItsCase()
    {
        const QString lower = m_sysPath + QStringLiteral("rpt") + kBase + QStringLiteral(".log");
        QVERIFY(writeFile(lower, "old\r\n"));
        QVERIFY(writeFile(importPath(), "01|F001|3|10|50|\r\n"));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));
        QCOMPARE(run.run(), TransferOutcome::Completed);
        QCOMPARE(readAll(lower), QByteArray("01|F001|3|10|50|\r\n"));
        QVERIFY(!QFile::exists(logPath()));
    }

    // Runs that end before any line is read: the message shown, nothing loaded, the
    // import file not left open.
    void refusedRuns_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("content"); // empty: no import file
        QTest::addColumn<bool>("lock");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        const QString critical = QString::number(qav::MbCritical) + u' ';
        QTest::newRow("no folder chosen")
            << QString() << QByteArray("01|F001|3|10|5|\r\n") << false
            << int(TransferOutcome::NoFolder)
            << QString::number(qav::MbInformation)
                + QStringLiteral(" Mensaje: Seleccionar directorio donde se encuentran\nlos "
                                 "archivos a transferir");
        QTest::newRow("missing file")
            << QStringLiteral("folder") << QByteArray() << false << int(TransferOutcome::FileFailed)
            << critical + QStringLiteral("Error: En la ruta indicada, no se encuentra el archivo a "
                                         "transferir, verifique la ruta");
        QTest::newRow("file in use")
            << QStringLiteral("folder") << QByteArray("01|F001|3|10|5|\r\n") << true
            << int(TransferOutcome::FileFailed)
            << critical + QStringLiteral("Error: ¡El archivo se encuentra abierto!\nIntente "
                                         "nuevamente por favor.");
        QTest::newRow("six separators")
            << QStringLiteral("folder") << QByteArray("01|F001|3|10|5|\r\n01|F001|4|10|5||\r\n")
            << false << int(TransferOutcome::Refused)
            << critical + QStringLiteral("Importar: El archivo de importación no tiene el número "
                                         "de campos correctos");
        QTest::newRow("empty line after the last")
            << QStringLiteral("folder") << QByteArray("01|F001|3|10|5|\r\n\r\n") << false
            << int(TransferOutcome::Refused)
            << critical + QStringLiteral("Importar: El archivo de importación no tiene el número "
                                         "de campos correctos");
        QTest::newRow("no final separator")
            << QStringLiteral("folder") << QByteArray("01|F001|3|10|5|\r\n|01|F001|4|10|5\r\n")
            << false << int(TransferOutcome::Refused)
            << critical + QStringLiteral("Error en archivo de importación: Cada línea del archivo "
                                         "debe terminar con el separador |");
    }
    void refusedRuns()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, content);
        QFETCH(bool, lock);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        if (!content.isEmpty())
            QVERIFY(writeFile(importPath(), content));
        std::unique_ptr<FileLock> held;
        if (lock) {
            held = std::make_unique<FileLock>(importPath());
            QVERIFY(held->locked());
        }
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(folder.isEmpty() ? QString() : m_folder));
        QCOMPARE(int(run.run()), outcome);
        QCOMPARE(messageTexts(), QStringList{message});
        QCOMPARE(tableRows(), QStringList());
        QCOMPARE(run.transferred() + run.rejected(), 0);
        QVERIFY(!QFile::exists(logPath()));
        if (!content.isEmpty())
            QCOMPARE(openDescriptors(importPath()), lock ? 1 : 0);
    }

    // An empty import file loads nothing and ends as a completed run.
    void emptyFile()
    {
        QVERIFY(writeFile(importPath(), QByteArray()));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));
        QCOMPARE(run.run(), TransferOutcome::Completed);
        QCOMPARE(run.transferred() + run.rejected(), 0);
        QVERIFY(m_messages->shown.isEmpty());
    }

    // The file changes between its whole-file checks and the reading of its lines (the
    // first progress report comes between the two): the run loads exactly the lines that
    // were checked, never a line written after the checks - neither one of seven fields nor
    // one without its final "|", which the checks refuse.
    void fileChangedAfterItsChecks_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("lines appended") << "append";
        QTest::newRow("file rewritten") << "rewrite";
        QTest::newRow("file removed") << "remove";
    }
    void fileChangedAfterItsChecks()
    {
        QFETCH(QString, how);
        const QByteArray checked = "01|F001|3|1500.00|1271.19|\r\n03|B001|4|80|40|\r\n"
                                   "01|0001|05|100|150|\r\n";
        const QByteArray later = "01|F900|6|100|50|6|7|\r\n01|F901|7|100|50\r\n";
        QVERIFY(writeFile(importPath(), checked));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));
        int reports = 0;
        run.setProgress([&](const TransPerRet &r) {
            if (reports++ > 0)
                return;
            QCOMPARE(r.transferred() + r.rejected(), 0); // after the checks, before any line
            if (how == "append") {
                QFile f(importPath());
                QVERIFY(f.open(QIODevice::Append));
                QCOMPARE(f.write(later), later.size());
            } else if (how == "rewrite") {
                QVERIFY(writeFile(importPath(), later + later));
            } else {
                QVERIFY(QFile::remove(importPath()));
            }
        }, 0);
        QCOMPARE(run.run(), TransferOutcome::Completed);
        QVERIFY(reports > 0);
        QCOMPARE(run.transferred(), 2);
        QCOMPARE(run.rejected(), 1);
        QCOMPARE(tableRows(), (QStringList{"01|F001|03|1500.00|1271.19|", "03|B001|04|80.00|40.00|"}));
        QCOMPARE(readAll(logPath()), QByteArray("01|0001|05|100|150|\r\n"));
        QVERIFY(m_messages->shown.isEmpty());
    }

    // Salir during a run: the run stops after the line being read; what was written stays,
    // the counters agree with the table and nothing more is shown.
    void stopDuringRun()
    {
        QByteArray content;
        for (int i = 0; i < 40; ++i)
            content += "01|F" + QByteArray::number(100 + i) + "|" + QByteArray::number(i % 12 + 1)
                + (i % 4 == 3 ? "|10|50|\r\n" : "|10|5|\r\n");
        QVERIFY(writeFile(importPath(), content));
        WorkingTableTarget target(m_db, 3);
        TransPerRet run(services(&target), setup(m_folder));
        qint64 lastBytes = -1;
        bool monotonic = true;
        run.setProgress([&](const TransPerRet &r) {
            monotonic = monotonic && r.bytesRead() >= lastBytes;
            lastBytes = r.bytesRead();
            if (r.transferred() + r.rejected() == 10)
                const_cast<TransPerRet &>(r).requestStop();
        }, 0);
        QCOMPARE(run.run(), TransferOutcome::Stopped);
        QVERIFY(monotonic);
        QCOMPARE(run.transferred(), 8);
        QCOMPARE(run.rejected(), 2);
        QCOMPARE(tableRows().size(), 8);
        QVERIFY(run.bytesRead() < run.fileSize());
        QVERIFY(m_messages->shown.isEmpty());
        QCOMPARE(readAll(logPath()).count("\r\n"), 2);
        // Nothing is left in a transaction: the connection can start one.
        qav::Transaction t(m_db);
        QVERIFY(t.isActive());
    }

    // The database locked by another program when the import starts: the message says the
    // database is busy (not that a file is open), and nothing is loaded.
    void databaseBusyAtStart()
    {
        QVERIFY(writeFile(importPath(), "01|F001|3|10|5|\r\n"));
        qav::Database other(QStringLiteral("tst_transfer_other"));
        qav::OpenOptions o;
        o.file = m_sysPath + QStringLiteral("qav.mdb");
        o.busyTimeoutMs = 200;
        QVERIFY(other.open(o));
        qav::Transaction held(other);
        QVERIFY(held.isActive());
        QVERIFY(m_db.execute(QStringLiteral("PRAGMA busy_timeout = 200")));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));
        QCOMPARE(run.run(), TransferOutcome::RecordFailed);
        QCOMPARE(messageTexts(),
                 QStringList{QString::number(qav::MbOk | qav::MbCritical)
                             + QStringLiteral(" Error: La base de datos está ocupada: otro usuario o programa la "
                                              "está modificando en este momento.\nIntente nuevamente en unos "
                                              "momentos.")});
        QCOMPARE(tableRows(), QStringList());
        QCOMPARE(run.transferred(), 0);
    }

    // A record the working table refuses for a reason other than a duplicate stops the run
    // with its message; the records before it stay and the counters do not count it.
    void recordNotWritten()
    {
        QVERIFY(m_db.execute(QStringLiteral("DROP TABLE temp.tmpf7093des")));
        QVERIFY(m_db.execute(QStringLiteral(
            "CREATE TEMP TABLE tmpf7093des (tip_com TEXT, num_ser TEXT, per_tri TEXT, "
            "tot_ven TEXT CHECK (length(tot_ven) < 8), tot_gra TEXT, "
            "UNIQUE (tip_com, num_ser, per_tri))")));
        QVERIFY(writeFile(importPath(), "01|F001|3|10|5|\r\n01|F001|3|10|5|\r\n"
                                        "01|F002|3|123456|5|\r\n01|F003|3|10|5|\r\n"));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));
        QCOMPARE(run.run(), TransferOutcome::RecordFailed);
        QCOMPARE(run.transferred(), 1);
        QCOMPARE(run.rejected(), 1);
        QCOMPARE(tableRows(), QStringList{QStringLiteral("01|F001|03|10.00|5.00|")});
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(m_messages->shown[0].title, QStringLiteral("Error"));
        QVERIFY2(m_messages->shown[0].text.startsWith(QStringLiteral("Error Tecnico: ")
                                                       + QString::number(qav::ErrEngine) + u' '),
                 qPrintable(m_messages->shown[0].text));
    }

    // A working table that is missing is an object the database cannot find.
    void workingTableMissing()
    {
        QVERIFY(m_db.execute(QStringLiteral("DROP TABLE temp.tmpf7093des")));
        QVERIFY(writeFile(importPath(), "01|F001|3|10|5|\r\n"));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));
        QCOMPARE(run.run(), TransferOutcome::RecordFailed);
        QCOMPARE(run.transferred(), 0);
        QCOMPARE(messageTexts(),
                 QStringList{QString::number(qav::MbCritical)
                             + QStringLiteral(" Error: En la ruta indicada, no se encuentra el "
                                              "archivo a transferir, verifique la ruta")});
    }

    // The log or the error list cannot be written: the message, and the run stops after
    // the line.
    void logNotWritten_data()
    {
        QTest::addColumn<bool>("errorList"); // the error list fails, else the log
        QTest::addColumn<bool>("locked");    // locked by another program, else a folder
        QTest::newRow("log locked") << false << true;
        QTest::newRow("log is a folder") << false << false;
        QTest::newRow("error list locked") << true << true;
        QTest::newRow("error list is a folder") << true << false;
    }
    void logNotWritten()
    {
        QFETCH(bool, errorList);
        QFETCH(bool, locked);
        const QString path = errorList ? errorListPath() : logPath();
        QVERIFY(writeFile(logPath(), "old\r\n"));
        std::unique_ptr<FileLock> held;
        if (locked) {
            QVERIFY(writeFile(path, "kept\r\n"));
            held = std::make_unique<FileLock>(path);
            QVERIFY(held->locked());
        } else {
            QFile::remove(path);
            QVERIFY(QDir().mkpath(path));
        }
        QVERIFY(writeFile(importPath(), "01|F001|3|10|5|\r\n01|F002|3|10|50|\r\n01|F003|3|10|5|\r\n"
                                        "01|F004|3|10|50|\r\n"));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));
        QCOMPARE(run.run(), TransferOutcome::LogFailed);
        QCOMPARE(run.transferred(), 1);
        QCOMPARE(run.rejected(), 1);
        QCOMPARE(tableRows().size(), 1);
        QCOMPARE(m_messages->shown.size(), 1);
        const qav::Message &m = m_messages->shown.first();
        QCOMPARE(m.title, QStringLiteral("Error"));
        QCOMPARE(m.style, qav::MbOk | qav::MbCritical);
        if (locked) {
            QVERIFY2(m.text.endsWith(QStringLiteral("\nCierre el Archivo ") + logPath()
                                     + QStringLiteral("\nIntente nuevamente por favor.")),
                     qPrintable(m.text));
            QCOMPARE(readAll(path), QByteArray("kept\r\n"));
        } else {
            QVERIFY2(m.text.startsWith(QStringLiteral("Error tecnico: 21\n")), qPrintable(m.text));
            QVERIFY(m.text.endsWith(QStringLiteral("\nIntente nuevamente por favor.")));
        }
    }

    // The identification and the error line, for fields wider than their widths and a code
    // missing from the message table.
    void errorLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("expected");
        QTest::newRow("found") << QByteArray("01|F001|3|1|1|") << true
                               << QStringLiteral("  01              F001   3      texto");
        QTest::newRow("found, wide fields")
            << QByteArray(" 003 |B001234567890123456|123|1|1|") << true
            << QStringLiteral(" 003    B00123456789012345      texto");
        QTest::newRow("not found") << QByteArray("01|F001|3|1|1|") << false
                                   << QStringLiteral("  01                    ") + QString::fromUtf16(kOtherErrorText);
        QTest::newRow("not found, short identification")
            << QByteArray("||||") << false << QString(24, u' ') + QString::fromUtf16(kOtherErrorText);
    }
    void errorLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, found);
        QFETCH(QString, expected);
        const QString id = CadDevPer(line, m_host);
        QCOMPARE(id.size(), 26);
        QCOMPARE(errorLine(id, found, QStringLiteral("texto"), m_host), expected);
    }

    // The error line keeps the month whole under the MES heading of the error report, and
    // the other columns where the heading puts them: the type ends under TIPO's column, the
    // series ends before MES, the description starts under DESCRIPCION.
    void errorLineShowsTheMonthWhole_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("series");
        QTest::addColumn<QString>("month");
        QTest::newRow("December") << QByteArray("01|F001|12|1|1|") << "  01" << "F001" << "12";
        QTest::newRow("March, one digit") << QByteArray("01|F001|3|1|1|") << "  01" << "F001" << " 3";
        QTest::newRow("May, two digits") << QByteArray("07|0001|05|1|1|") << "  07" << "0001" << "05";
        QTest::newRow("long series") << QByteArray("99|ABCDEFGHIJ12345|10|x|1|") << "  99"
                                     << "ABCDEFGHIJ12345" << "10";
        QTest::newRow("no month") << QByteArray("01|F001||1|1|") << "  01" << "F001" << "  ";
    }
    void errorLineShowsTheMonthWhole()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, type);
        QFETCH(QString, series);
        QFETCH(QString, month);
        const QString heading =
            QStringLiteral("TIPO        SERIE      MES      DESCRIPCION DEL ERROR  ");
        const qsizetype mes = heading.indexOf(u"MES");
        const qsizetype description = heading.indexOf(u"DESCRIPCION");
        const QString text = errorLine(CadDevPer(line, m_host), true,
                                       QStringLiteral("El mes del comprobante no es valido"), m_host);
        QCOMPARE(text.left(4), type);
        QCOMPARE(text.mid(7, 15).trimmed(), series);
        QCOMPARE(text.mid(mes + 1, 2), month); // the last two places of "MES"
        QCOMPARE(text.mid(description), QStringLiteral("El mes del comprobante no es valido"));
        QVERIFY(text.mid(mes + 3, description - mes - 3).trimmed().isEmpty());
    }

    // After a run with rejections the report is registered whatever the answer, built into
    // the report folder, and shown on Yes only, never when its build failed. The text a failed
    // build leaves is shown; a build that has said what failed itself is not repeated; a
    // report that was not built is not left registered.
    void errorReport_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("builds");
        QTest::addColumn<QString>("buildError");
        QTest::addColumn<QString>("failureShown"); // after the question; empty: none
        QTest::newRow("yes") << int(qav::AnsYes) << true << QString() << QString();
        QTest::newRow("no") << int(qav::AnsNo) << true << QString() << QString();
        QTest::newRow("yes, build failed with a text to show")
            << int(qav::AnsYes) << false << QStringLiteral("disco lleno")
            << QStringLiteral("Error Tecnico: %1 disco lleno").arg(qav::ErrEngine);
        QTest::newRow("yes, build failed and said so itself") << int(qav::AnsYes) << false << QString() << QString();
    }
    void errorReport()
    {
        QFETCH(int, answer);
        QFETCH(bool, builds);
        QFETCH(QString, buildError);
        QFETCH(QString, failureShown);
        QVERIFY(writeFile(importPath(), "01|F001|3|10|50|\r\n"));
        WorkingTableTarget target(m_db);
        TransPerRet run(services(&target), setup(m_folder));
        QCOMPARE(run.run(), TransferOutcome::Completed);
        m_messages->answers = {answer};
        QStringList built, shown;
        ErrorReportHooks hooks;
        hooks.build = [&](const QString &name, const QString &path, QString *error) {
            built << name << path;
            *error = buildError;
            return builds;
        };
        hooks.show = [&](const QString &name) { shown << name; };
        const TransferAnnouncement a =
            announceTransfer(run, m_db, QStringLiteral("JPEREZ"), hooks, *m_messages, true);
        QVERIFY(a.asked);
        QCOMPARE(a.answer, answer);
        const QList<QSqlRecord> spool = m_db.rows(QStringLiteral(
            "SELECT CodRep, Archivo, Usuario, tip_doc_d, doc_id_d FROM SPOOL"));
        QCOMPARE(spool.size(), builds ? 1 : 0);
        if (builds) {
            QCOMPARE(spool[0].value(0).toString(), QStringLiteral("DE0003"));
            QCOMPARE(spool[0].value(1).toString(), a.spoolName);
            QCOMPARE(spool[0].value(2).toString(), QStringLiteral("JPEREZ"));
            QCOMPARE(spool[0].value(3).toInt(), 6);
            QCOMPARE(spool[0].value(4).toString(), kRuc);
        }
        QCOMPARE(built, (QStringList{a.spoolName, m_reportDir + u'/' + a.spoolName}));
        QCOMPARE(a.built, builds);
        QCOMPARE(shown, answer == qav::AnsYes && builds ? QStringList{a.spoolName} : QStringList());
        QStringList after;
        for (const qav::Message &m : m_messages->shown.mid(1))
            after << m.text;
        QCOMPARE(after, failureShown.isEmpty() ? QStringList() : QStringList{failureShown});
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
