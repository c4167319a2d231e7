// decltool load as scripts run it, on a sandbox installation: a new declaration and an
// existing one (its stored records kept, a repeated record rejected), --no-save, the
// output and exit status, what is saved (records with control values, the header's
// estado, the error report registered in the spool and built, byte for byte what
// decltool error-report builds from the same error list), and the refusals that save
// nothing.

#include "declmod/session/session.h"
#include "tests/declaration/declfixture.h"
#include "tests/support/smalldisk.h"

#include "common/time/clock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using qavtest::DeclFixture;

namespace {

const QString kRuc = QStringLiteral("20100066666");   // a taxpayer of the session user
const QString kOther = QStringLiteral("20222222223"); // a taxpayer of another user

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result runTool(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/decltool"), args);
    Result r;
    const bool finished = p.waitForFinished(120000);
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    if (finished && p.exitStatus() == QProcess::NormalExit)
        r.status = p.exitCode();
    else
        qWarning("decltool did not end normally: %s", qPrintable(r.err));
    return r;
}

Result runLoad(const QStringList &args)
{
    return runTool(QStringList{QStringLiteral("load")} + args);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A report document with the date and time of its headers blanked: two builds a second apart
// are otherwise the same bytes.
QByteArray withoutClock(QByteArray bytes)
{
    static const QRegularExpression clock(QStringLiteral("[0-9]{2}/[0-9]{2}/[0-9]{4}|[0-9]{2}:[0-9]{2}:[0-9]{2}"));
    return QString::fromLatin1(bytes).replace(clock, QStringLiteral("#")).toLatin1();
}

} // namespace

class TestDecltoolLoad : public QObject
{
    Q_OBJECT

    DeclFixture m_fx;
    QTemporaryDir m_files;
    QString m_year;

    qav::Database &db() { return declmod::session().Db; }
    QString importFile() const
    {
        return m_files.path() + QStringLiteral("/7093") + kRuc + m_year + QStringLiteral(".TXT");
    }
    QStringList stored(const QString &ruc)
    {
        return DeclFixture::rows(db(), QStringLiteral(
            "SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra, length(cnumero) FROM f7093des "
            "WHERE doc_id_d=? AND periodo=? ORDER BY tip_com, num_ser, per_tri"),
            {ruc, m_year});
    }
    QStringList header(const QString &ruc)
    {
        return DeclFixture::rows(db(), QStringLiteral(
            "SELECT estado, length(cNumero) FROM CAB WHERE doc_id_d=? AND periodo=?"),
            {ruc, m_year});
    }
    int spoolRows()
    {
        return db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE CodRep='DE0003'")).toInt();
    }
    QStringList documents()
    {
        return QDir(m_fx.sandbox->sysPath + QStringLiteral("RPT")).entryList({QStringLiteral("*.PRN")}, QDir::Files);
    }

private slots:
    void init()
    {
        QString why;
        QVERIFY2(m_fx.setUp(&why), qPrintable(why));
        m_year = QString::number(qav::today().year() - 2);
        const QString user = m_fx.sandbox->sysUser;
        for (const auto &[ruc, owner] : {std::pair{kRuc, user}, std::pair{kOther, QStringLiteral("OTRO")}})
            QVERIFY(db().execute(QStringLiteral("INSERT INTO CONT (Tip_doc_d, Doc_id_d, Nombre, Usuario)"
                                                " VALUES (6, ?, 'EMPRESA', ?)"), {ruc, owner}));
        QVERIFY(db().execute(QStringLiteral("INSERT INTO CLAVES (Usuario, Tipo) VALUES (?, '1')"), {user}));
        QVERIFY(db().execute(QStringLiteral("INSERT INTO Error (CodError, DescError) VALUES "
                                            "('0228', 'Registro duplicado'), "
                                            "('0948', 'Texto del host')")));
    }
    void cleanup() { m_fx.tearDown(); }

    // A new declaration: the records saved with control values, estado 0, the rejected
    // line reported and the error report registered.
    void newDeclaration()
    {
        QVERIFY(writeFile(importFile(), "01|F001|3|1500.00|1271.19|\r\n07|0001|05|100|50|\r\n"
                                        "01|0001|05|100|150|\r\n"));
        const Result r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc,
                                  QStringLiteral("--year"), m_year});
        QCOMPARE(r.status, 1);
        const QString rpt = m_fx.sandbox->sysPath + QStringLiteral("RPT");
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("transferred: 2 rejected: 1"));
        QCOMPARE(lines[1], QStringLiteral("estado: 0"));
        QCOMPARE(lines[2], rpt + QStringLiteral("7093") + kRuc + m_year + QStringLiteral(".Log"));
        QCOMPARE(lines[3], rpt + kRuc + QStringLiteral(".Err"));
        QVERIFY2(lines[4].startsWith(rpt + u'/') && lines[4].endsWith(QStringLiteral(".PRN")),
                 qPrintable(lines[4]));
        QCOMPARE(stored(kRuc), (QStringList{QStringLiteral("01|F001|03|1500.00|1271.19|6"),
                                            QStringLiteral("07|0001|05|-100.00|-50.00|6")}));
        QCOMPARE(header(kRuc), QStringList{QStringLiteral("0|6")});
        QFile log(lines[2]);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray("01|0001|05|100|150|\r\n"));
        QCOMPARE(spoolRows(), 1);

        // The report: registered under its name, built from this run's error list.
        const QString name = lines[4].mid(rpt.size() + 1);
        QCOMPARE(DeclFixture::rows(db(), QStringLiteral("SELECT CodRep, Usuario, Doc_id_d FROM SPOOL WHERE Archivo=?"),
                                   {name}),
                 QStringList{QStringLiteral("DE0003|") + m_fx.sandbox->sysUser + u'|' + kRuc});
        const QByteArray document = readFile(lines[4]);
        QVERIFY(document.contains("CONTRIBUYENTE:  " + kRuc.toLatin1() + "  EMPRESA"));
        QVERIFY(document.contains("REPORTE DE ERRORES DE TRANSFERENCIA - PERIODO " + m_year.toLatin1()));
        QVERIFY(document.contains("Total de Errores:      1"));
        const Result again = runTool({QStringLiteral("error-report"), QStringLiteral("--ruc"), kRuc,
                                      QStringLiteral("--year"), m_year});
        QVERIFY2(again.status == 0, qPrintable(again.err));
        const QString other = again.out.trimmed().split(u'\t').first();
        QVERIFY(other != lines[4]);
        QCOMPARE(withoutClock(readFile(other)), withoutClock(document));
    }

    // Eight loads at once, each into a declaration of its own taxpayer: every record of
    // every file is stored, each declaration gets its header, and none waits so long that it
    // fails.
    void eightLoadsAtOnce()
    {
        constexpr int kSessions = 8;
        constexpr int kLines = 300;
        QList<QString> rucs;
        QList<QProcess *> running;
        auto cleanupProcesses = qScopeGuard([&] { qDeleteAll(running); });
        for (int i = 0; i < kSessions; ++i) {
            rucs << QStringLiteral("2077777770%1").arg(i);
            QVERIFY(db().execute(QStringLiteral("INSERT INTO CONT (Tip_doc_d, Doc_id_d, Nombre, Usuario)"
                                                " VALUES (6, ?, 'EMPRESA', ?)"),
                                 {rucs[i], m_fx.sandbox->sysUser}));
            QByteArray lines;
            for (int n = 0; n < kLines; ++n)
                lines += "01|" + QByteArray::number(n / 12 + 1).rightJustified(4, '0') + '|'
                    + QByteArray::number(n % 12 + 1) + '|' + QByteArray::number(n + i) + ".50|0.25|\r\n";
            const QString dir = m_files.path() + QStringLiteral("/s%1").arg(i);
            QVERIFY(QDir().mkpath(dir));
            const QString file = dir + QStringLiteral("/7093") + rucs[i] + m_year + QStringLiteral(".TXT");
            QVERIFY(writeFile(file, lines));
            auto *p = new QProcess;
            running << p;
            p->start(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/decltool"),
                     {QStringLiteral("load"), file, QStringLiteral("--ruc"), rucs[i],
                      QStringLiteral("--year"), m_year});
        }
        for (int i = 0; i < kSessions; ++i) {
            QProcess *p = running[i];
            QVERIFY(p->waitForFinished(120000));
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                     p->readAllStandardError().constData());
            QCOMPARE(QString::fromUtf8(p->readAllStandardOutput()).split(u'\n').first(),
                     QStringLiteral("transferred: %1 rejected: 0").arg(kLines));
        }
        for (int i = 0; i < kSessions; ++i) {
            QCOMPARE(db().scalar(QStringLiteral("SELECT count(*) FROM f7093des WHERE doc_id_d=? AND periodo=?"),
                                 {rucs[i], m_year}).toInt(), kLines);
            QCOMPARE(header(rucs[i]), QStringList{QStringLiteral("0|6")});
        }
        // The records are the files' own: a sum over one declaration.
        QCOMPARE(db().scalar(QStringLiteral("SELECT count(*) FROM f7093des WHERE doc_id_d=? AND tot_ven=?"),
                             {rucs[3], QStringLiteral("10.50")}).toInt(), 1);
    }

    // An existing pending declaration is opened with its records; a repeated record is
    // rejected with 0228 and a clean, consistent load exits 0.
    void existingDeclaration()
    {
        QVERIFY(DeclFixture::addPending(db(), kRuc, m_year, {QStringLiteral("01|F001|03|10.00|5.00")}, 9));
        QVERIFY(writeFile(importFile(), "03|B001|4|80|40|\r\n"));
        Result r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc, QStringLiteral("--year"), m_year});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("transferred: 1 rejected: 0\nestado: 0\n"));
        QCOMPARE(stored(kRuc), (QStringList{QStringLiteral("01|F001|03|10.00|5.00|6"),
                                            QStringLiteral("03|B001|04|80.00|40.00|6")}));
        QCOMPARE(header(kRuc), QStringList{QStringLiteral("0|6")});
        QCOMPARE(spoolRows(), 0);
        QCOMPARE(documents(), QStringList());

        QVERIFY(writeFile(importFile(), "01|F001|3|99|9|\r\n"));
        r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc, QStringLiteral("--year"), m_year});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.startsWith(QStringLiteral("transferred: 0 rejected: 1\nestado: 0\n")),
                 qPrintable(r.out));
        QCOMPARE(stored(kRuc).size(), 2);
        QCOMPARE(spoolRows(), 1);
        QCOMPARE(documents().size(), 1);
    }

    // --no-save transfers and reports but stores nothing.
    void noSave()
    {
        QVERIFY(writeFile(importFile(), "03|B001|4|80|40|\r\n"));
        const Result r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc, QStringLiteral("--year"),
                                  m_year, QStringLiteral("--no-save")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("transferred: 1 rejected: 0\n"));
        QCOMPARE(stored(kRuc), QStringList());
        QCOMPARE(header(kRuc), QStringList());
    }

    // --no-save with rejections: no estado line; the log, the error list and the report
    // follow the counters, and the report is built all the same.
    void noSaveWithRejections()
    {
        QVERIFY(writeFile(importFile(), "03|B001|4|80|40|\r\n01|0001|05|100|150|\r\n"));
        const Result r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc, QStringLiteral("--year"),
                                  m_year, QStringLiteral("--no-save")});
        QCOMPARE(r.status, 1);
        const QString rpt = m_fx.sandbox->sysPath + QStringLiteral("RPT");
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("transferred: 1 rejected: 1"));
        QCOMPARE(lines[1], rpt + QStringLiteral("7093") + kRuc + m_year + QStringLiteral(".Log"));
        QCOMPARE(lines[2], rpt + kRuc + QStringLiteral(".Err"));
        QCOMPARE(QStringList{lines[3].mid(rpt.size() + 1)}, documents());
        QVERIFY(readFile(lines[3]).contains("Total de Errores:      1"));
        QCOMPARE(stored(kRuc), QStringList());
        QCOMPARE(header(kRuc), QStringList());
    }

    // Nothing accepted: the declaration is saved with estado 9.
    void nothingAccepted()
    {
        QVERIFY(writeFile(importFile(), "01|0001|05|100|150|\r\n"));
        const Result r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc, QStringLiteral("--year"), m_year});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.startsWith(QStringLiteral("transferred: 0 rejected: 1\nestado: 9\n")),
                 qPrintable(r.out));
        QCOMPARE(header(kRuc), QStringList{QStringLiteral("9|6")});
    }

    // The error report cannot be written (the report folder is a file, or a small file
    // system filled up): the load says why and ends with status 3, not as a plain rejection;
    // the report is not left registered; the declaration is saved as checked; and
    // error-report then fails the same way.
    void errorReportNotWritten_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::addColumn<QString>("cause");
        QTest::newRow("report folder is a file") << false << QStringLiteral("una parte de la ruta no es una carpeta");
        QTest::newRow("report folder full") << true << QStringLiteral("no queda espacio en el disco");
    }
    void errorReportNotWritten()
    {
        QFETCH(bool, fullDisk);
        QFETCH(QString, cause);
        const QString rpt = m_fx.sandbox->sysPath + QStringLiteral("RPT");
        qavtest::SmallDisk disk;
        QString why;
        if (fullDisk) {
            if (!qavtest::SmallDisk::available(&why))
                QSKIP(qPrintable(QStringLiteral("no small file system here: ") + why));
            QVERIFY2(disk.mount(rpt, 64 * 1024, &why), qPrintable(why));
            QVERIFY2(disk.fill(&why), qPrintable(why));
        } else {
            QVERIFY(QDir(rpt).removeRecursively());
            QVERIFY(writeFile(rpt, "no es una carpeta"));
        }
        QVERIFY(writeFile(importFile(), "01|F001|3|1500.00|1271.19|\r\n01|0001|05|100|150|\r\n"));
        const Result r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc, QStringLiteral("--year"), m_year});
        QCOMPARE(r.status, 3);
        QCOMPARE(r.out, QStringLiteral("transferred: 1 rejected: 1\nestado: 0\n") + rpt + QStringLiteral("7093")
                            + kRuc + m_year + QStringLiteral(".Log\n") + rpt + kRuc + QStringLiteral(".Err\n"));
        const QString failure = QStringLiteral("No se pudo %1 el archivo ") + rpt
                                + QStringLiteral("/00000001.PRN: ") + cause + u'.';
        QVERIFY2(r.err.contains(failure.arg(fullDisk ? QStringLiteral("escribir") : QStringLiteral("crear"))),
                 qPrintable(r.err));
        QVERIFY2(r.err.endsWith(QStringLiteral("decltool: the error report was not written\n")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QStringLiteral("Unknown error")));
        QCOMPARE(spoolRows(), 0);
        QCOMPARE(header(kRuc), QStringList{QStringLiteral("0|6")});

        const Result again = runTool({QStringLiteral("error-report"), QStringLiteral("--ruc"), kRuc,
                                      QStringLiteral("--year"), m_year});
        QCOMPARE(again.status, 1);
        QVERIFY2(again.err.contains(cause), qPrintable(again.err));
        QCOMPARE(again.out, QString());
        QCOMPARE(spoolRows(), 0);
    }

    // Refusals as a whole: status 2, the message on standard error, nothing saved, the
    // stored declaration untouched.
    void refusals_data()
    {
        QTest::addColumn<QString>("ruc");
        QTest::addColumn<int>("yearOffset"); // years before the current one
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray good = "03|B001|4|80|40|\r\n";
        QTest::newRow("taxpayer of another user") << kOther << 2 << good << QStringLiteral("is not one of the taxpayers of USUARIO1");
        QTest::newRow("current year") << kRuc << 0 << good << QStringLiteral("¡El Ejercicio no es Válido!");
        QTest::newRow("year before 2000") << kRuc << -1 << good << QStringLiteral("¡El Ejercicio no es Válido!");
        QTest::newRow("line without final separator")
            << kRuc << 2 << QByteArray("03|B001|4|80|40|\r\n|03|B002|4|80|40\r\n")
            << QStringLiteral("Cada línea del archivo debe terminar con el separador |");
        QTest::newRow("missing file") << kRuc << 2 << QByteArray()
                                      << QStringLiteral("no se encuentra el archivo a transferir");
    }
    void refusals()
    {
        QFETCH(QString, ruc);
        QFETCH(int, yearOffset);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        m_year = yearOffset < 0 ? QStringLiteral("1999")
                                : QString::number(qav::today().year() - yearOffset);
        QFile::remove(importFile());
        if (!content.isEmpty())
            QVERIFY(writeFile(importFile(), content));
        const Result r = runLoad({importFile(), QStringLiteral("--ruc"), ruc,
                                  QStringLiteral("--year"), m_year});
        QCOMPARE(r.status, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(stored(ruc), QStringList());
        QCOMPARE(header(ruc), QStringList());
    }

    // A refused file leaves an existing declaration as it was stored.
    void refusedFileKeepsDeclaration()
    {
        QVERIFY(DeclFixture::addPending(db(), kRuc, m_year, {QStringLiteral("01|F001|03|10.00|5.00")}, 9));
        QVERIFY(writeFile(importFile(), "03|B001|4|80|40||\r\n"));
        const Result r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc, QStringLiteral("--year"), m_year});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QStringLiteral("no tiene el número de campos correctos")), qPrintable(r.err));
        QCOMPARE(stored(kRuc), QStringList{QStringLiteral("01|F001|03|10.00|5.00|0")});
        QCOMPARE(header(kRuc), QStringList{QStringLiteral("9|")});
    }

    // Loads of different files into one declaration at once, as real processes: each one
    // either completes (every record of its file stored) or is refused (status 2, the
    // message, nothing of its file stored), and the declaration ends holding exactly the
    // records of the completed ones and of the declaration as it was before.
    void concurrentLoads_data()
    {
        QTest::addColumn<int>("processes");
        QTest::newRow("two") << 2;
        QTest::newRow("four") << 4;
    }
    void concurrentLoads()
    {
        QFETCH(int, processes);
        QVERIFY(DeclFixture::addPending(db(), kRuc, m_year, {QStringLiteral("03|B001|01|10.00|5.00")}, 9));
        const int lines = 400;
        QList<QStringList> expected(processes);
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < processes; ++i) {
            QByteArray content;
            for (int j = 0; j < lines; ++j) {
                const QString series = QStringLiteral("%1").arg(i * 1000 + j + 1, 4, 10, QChar(u'0'));
                const int month = 1 + j % 12;
                content += QStringLiteral("01|%1|%2|%3.00|%4.00|\r\n").arg(series).arg(month).arg(j + 100).arg(j + 1).toLatin1();
                expected[i] << QStringLiteral("01|%1|%2|%3.00|%4.00|6")
                                   .arg(series, QStringLiteral("%1").arg(month, 2, 10, QChar(u'0')))
                                   .arg(j + 100)
                                   .arg(j + 1);
            }
            const QString file = m_files.filePath(QStringLiteral("lote%1.TXT").arg(i));
            QVERIFY(writeFile(file, content));
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->setProgram(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/decltool"));
            runs.back()->setArguments({QStringLiteral("load"), file, QStringLiteral("--ruc"), kRuc,
                                       QStringLiteral("--year"), m_year});
        }
        for (auto &p : runs)
            p->start();
        QStringList union_{QStringLiteral("03|B001|01|10.00|5.00|6")};
        int completed = 0;
        for (int i = 0; i < processes; ++i) {
            QProcess &p = *runs[size_t(i)];
            QVERIFY(p.waitForFinished(120000));
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            const QString out = QString::fromUtf8(p.readAllStandardOutput());
            const QString err = QString::fromUtf8(p.readAllStandardError());
            const QStringList now = stored(kRuc);
            if (p.exitCode() == 0) {
                QCOMPARE(out, QStringLiteral("transferred: %1 rejected: 0\nestado: 0\n").arg(lines));
                ++completed;
                union_ << expected[i];
            } else {
                QVERIFY2(p.exitCode() == 2, qPrintable(out + err));
                QVERIFY2(err.contains(QStringLiteral("otra sesión está grabando")), qPrintable(err));
                QCOMPARE(out, QString());
            }
        }
        QVERIFY(completed >= 1);
        union_.sort();
        QCOMPARE(stored(kRuc), union_);
        QCOMPARE(header(kRuc), QStringList{QStringLiteral("0|6")});
    }

    // A load started while another session holds the declaration waits for it, and completes
    // once it is given back within the busy timeout; held beyond the timeout it is refused
    // with status 2 and stores nothing.
    void loadWaitsForHolder()
    {
        QVERIFY(writeFile(importFile(), "03|B001|4|80|40|\r\n"));
        const QString hold = QStringLiteral("7093/") + kRuc + u'/' + m_year;
        QProcess p;
        {
            qav::Transaction holder(db(), hold);
            QVERIFY(holder.isActive());
            QVERIFY(DeclFixture::addPending(db(), kRuc, m_year, {QStringLiteral("01|F001|03|10.00|5.00")}, 9));
            p.start(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/decltool"),
                    {QStringLiteral("load"), importFile(), QStringLiteral("--ruc"), kRuc,
                     QStringLiteral("--year"), m_year});
            QVERIFY(p.waitForStarted());
            QVERIFY(!p.waitForFinished(1000)); // waiting for the holder
            QVERIFY(holder.commit());
        }
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        // The declaration the holder saved was read, and the load added its file to it.
        QCOMPARE(stored(kRuc), (QStringList{QStringLiteral("01|F001|03|10.00|5.00|6"),
                                            QStringLiteral("03|B001|04|80.00|40.00|6")}));

        QVERIFY(writeFile(importFile(), "03|B002|5|80|40|\r\n"));
        {
            qav::Transaction holder(db(), hold);
            QVERIFY(holder.isActive());
            const Result r = runLoad({importFile(), QStringLiteral("--ruc"), kRuc,
                                      QStringLiteral("--year"), m_year});
            QCOMPARE(r.status, 2);
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.contains(QStringLiteral("otra sesión está grabando")), qPrintable(r.err));
            QVERIFY2(r.err.contains(QStringLiteral("No se grabó nada")), qPrintable(r.err));
        }
        QCOMPARE(stored(kRuc).size(), 2);
    }

    void misuse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no ruc") << QStringList{QStringLiteral("f.TXT"), QStringLiteral("--year"), QStringLiteral("2020")};
        QTest::newRow("short ruc") << QStringList{QStringLiteral("f.TXT"), QStringLiteral("--ruc"), QStringLiteral("2010006666"),
                                                  QStringLiteral("--year"), QStringLiteral("2020")};
        QTest::newRow("two files") << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--ruc"), kRuc,
                                                  QStringLiteral("--year"), QStringLiteral("2020")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("a"), QStringLiteral("--ruc"), kRuc,
                                                       QStringLiteral("--year"), QStringLiteral("2020"), QStringLiteral("--x")};
    }
    void misuse()
    {
        QFETCH(QStringList, args);
        const Result r = runLoad(args);
        QCOMPARE(r.status, 64);
        QVERIFY(r.err.contains(QStringLiteral("decltool load FILE --ruc RUC --year YYYY [--no-save]")));
    }
};

QTEST_GUILESS_MAIN(TestDecltoolLoad)
#include "tst_decltool_load.moc"
