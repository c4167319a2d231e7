// decltool's report commands on a sandbox installation: the documents of "report" are the
// golden documents of the builders, the spool gets its rows, "error-report" lists the last
// import's errors, "render" writes the pages into a PDF, and failures and misuse exit 1 / 64.

#include "tests/reports/reportfixture.h"

#include "common/text/textfile.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace reporttest;

namespace {

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
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

int pdfPages(const QString &path)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return int(QString::fromLatin1(readBytes(path)).count(page));
}

} // namespace

class TstReportTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReportFixture> m_fx;

private slots:
    void initTestCase()
    {
        m_fx = std::make_unique<ReportFixture>();
        QString error;
        QVERIFY2(m_fx->create(&error), qPrintable(error));
        const QString records = fixture(QStringLiteral("de0001/records-41.txt"));
        QVERIFY(m_fx->addRecords(records, kRuc, QStringLiteral("2023")));
        QVERIFY(m_fx->addPending(kRuc, QStringLiteral("2023")));
        QVERIFY(m_fx->addRecords(records, kRuc, QStringLiteral("2023"), QStringLiteral("001")));
        QVERIFY(m_fx->addSent(kRuc, QStringLiteral("2023"), QStringLiteral("001"),
                              QStringLiteral("1234567"), QStringLiteral("40012")));
        // A declaration of a taxpayer of another user, and one sent but not accepted.
        QVERIFY(m_fx->db->execute(QStringLiteral("UPDATE CONT SET Usuario='OTRO' WHERE Doc_id_d=?"), {kOtherRuc}));
        QVERIFY(m_fx->addPending(kOtherRuc, QStringLiteral("2023")));
        QVERIFY(m_fx->addSent(kRuc, QStringLiteral("2021"), QStringLiteral("001"), QString(), QString(), 0));
        m_fx->db->close();
    }
    void cleanupTestCase() { m_fx.reset(); }

    void declarationReports_data();
    void declarationReports();
    void errorReport();
    void render();
    void failures_data();
    void failures();
    void installationRefused_data();
    void installationRefused();
};

void TstReportTool::declarationReports_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("golden");
    QTest::addColumn<int>("pages");
    const QStringList base = {QStringLiteral("report"), QStringLiteral("--ruc"), kRuc,
                              QStringLiteral("--year"), QStringLiteral("2023")};
    QTest::newRow("pending, by month (default)") << base << "de0001/month-41.PRN" << 2;
    QTest::newRow("pending, by series") << base + QStringList{"--by", "series"} << "de0001/series-41.PRN" << 2;
    QTest::newRow("sent 001, by series")
        << base + QStringList{"--correl", "001", "--by", "series"} << "de0001/sent-series-41.PRN" << 2;
}

void TstReportTool::declarationReports()
{
    QFETCH(QStringList, args);
    QFETCH(QString, golden);
    QFETCH(int, pages);
    const Result r = runTool(args);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(r.err.isEmpty());
    const QStringList fields = r.out.trimmed().split(u'\t');
    QCOMPARE(fields.size(), 2);
    QCOMPARE(fields[1].toInt(), pages);
    QVERIFY(fields[0].startsWith(m_fx->reportDir() + u'/'));
    const QString name = fields[0].mid(m_fx->reportDir().size() + 1);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9]{8}\\.PRN$")).match(name).hasMatch());
    QCOMPARE(readBytes(fields[0]), readBytes(fixture(golden)));

    qav::Database db(QStringLiteral("tooltest"));
    QVERIFY(db.open(m_fx->box.openOptions()));
    QCOMPARE(db.scalar(QStringLiteral("SELECT CodRep || '/' || Usuario || '/' || Doc_id_d FROM SPOOL WHERE Archivo=?"),
                       {name}).toString(),
             QStringLiteral("DE0001/") + m_fx->box.sysUser + u'/' + kRuc);
}

void TstReportTool::errorReport()
{
    QVERIFY(QFile::copy(fixture(QStringLiteral("de0003/errors-70.err")),
                        m_fx->reportDir() + kRuc + QStringLiteral(".Err")));
    const Result r = runTool({QStringLiteral("error-report"), QStringLiteral("--ruc"), kRuc,
                              QStringLiteral("--year"), QStringLiteral("2023")});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QStringList fields = r.out.trimmed().split(u'\t');
    QCOMPARE(fields.size(), 2);
    QCOMPARE(fields[1], QStringLiteral("2"));
    QStringList lines;
    QVERIFY(qav::readTextLines(fields[0], &lines));
    QVERIFY(lines.contains(QStringLiteral("pPos|10|%1|%2Total de Errores:      70|False|8|1|")
                               .arg(14 * 175 + 175).arg(QString(20, u' '))));
    QVERIFY(lines.contains(QStringLiteral("pPos|10|1575|%1CONTRIBUYENTE:  %2  %3|False|8|0|")
                               .arg(QString(15, u' '), kRuc, kName.leftJustified(110 - 15 - 16 - 13, u' '))));
}

void TstReportTool::render()
{
    const Result built = runTool({QStringLiteral("report"), QStringLiteral("--ruc"), kRuc,
                                  QStringLiteral("--year"), QStringLiteral("2023")});
    QCOMPARE(built.status, 0);
    const QString document = built.out.trimmed().split(u'\t').first();
    const struct {
        QStringList extra;
        int pages;
    } cases[] = {{{}, 2}, {{QStringLiteral("--pages"), QStringLiteral("2-2")}, 1},
                 {{QStringLiteral("--pages"), QStringLiteral("1-9")}, 2}};
    for (const auto &c : cases) {
        const QString pdf = m_fx->box.root + QStringLiteral("/out.pdf");
        QFile::remove(pdf);
        const Result r = runTool(QStringList{QStringLiteral("render"), document, QStringLiteral("--pdf"), pdf} + c.extra);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("%1\n").arg(c.pages));
        QCOMPARE(pdfPages(pdf), c.pages);
    }
}

void TstReportTool::failures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // on standard error
    QTest::newRow("no declaration") << QStringList{"report", "--ruc", kRuc, "--year", "2020"} << 1
                                    << "decltool: no pending declaration 20100070970 2020";
    QTest::newRow("another user's taxpayer") << QStringList{"report", "--ruc", kOtherRuc, "--year", "2023"} << 1
                                             << "decltool: no pending declaration 20451234567 2023";
    QTest::newRow("sent, not accepted") << QStringList{"report", "--ruc", kRuc, "--year", "2021", "--correl", "001"}
                                        << 1 << "decltool: no sent declaration";
    QTest::newRow("unknown correlative") << QStringList{"report", "--ruc", kRuc, "--year", "2023", "--correl", "002"}
                                         << 1 << "decltool: no sent declaration";
    QTest::newRow("render missing document") << QStringList{"render", "nowhere.PRN", "--pdf", "x.pdf"} << 1
                                             << "decltool: cannot read nowhere.PRN";
    QTest::newRow("error report, unknown taxpayer")
        << QStringList{"error-report", "--ruc", "20999999999", "--year", "2023"} << 1 << "decltool: no taxpayer";
    QTest::newRow("report without year") << QStringList{"report", "--ruc", kRuc} << 64 << "usage:";
    QTest::newRow("short ruc") << QStringList{"report", "--ruc", "2010", "--year", "2023"} << 64 << "usage:";
    QTest::newRow("bad order") << QStringList{"report", "--ruc", kRuc, "--year", "2023", "--by", "type"} << 64
                               << "usage:";
    QTest::newRow("repeated option") << QStringList{"report", "--ruc", kRuc, "--ruc", kRuc, "--year", "2023"} << 64
                                     << "usage:";
    QTest::newRow("render without pdf") << QStringList{"render", "a.PRN"} << 64 << "usage:";
    QTest::newRow("render bad range") << QStringList{"render", "a.PRN", "--pdf", "o.pdf", "--pages", "3-1"} << 64
                                      << "usage:";
    QTest::newRow("error report extra argument")
        << QStringList{"error-report", "--ruc", kRuc, "--year", "2023", "extra"} << 64 << "usage:";
}

void TstReportTool::failures()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    const Result r = runTool(args);
    QCOMPARE(r.status, status);
    // (A program that draws may print the platform's notices before its own message.)
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

// The installation is opened as every program opens it: settings that name no SysPath, or a
// file that is not the host's database, are refused before anything is read or written.
void TstReportTool::installationRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("withSysPath");
    QTest::addColumn<QString>("message");
    const QStringList report{"report", "--ruc", kRuc, "--year", "2023"};
    const QStringList errors{"error-report", "--ruc", kRuc, "--year", "2023"};
    QTest::newRow("report, foreign database") << report << true << "decltool: cannot open the database";
    QTest::newRow("error report, foreign database") << errors << true << "decltool: cannot open the database";
    QTest::newRow("report, no SysPath") << report << false << "decltool: no installation: ";
    QTest::newRow("error report, no SysPath") << errors << false << "decltool: no installation: ";
}

void TstReportTool::installationRefused()
{
    QFETCH(QStringList, args);
    QFETCH(bool, withSysPath);
    QFETCH(QString, message);
    const QString ini = m_fx->box.iniFile();
    const QByteArray settings = readBytes(ini);
    const QString foreign = m_fx->box.sysPath + QStringLiteral("otra.mdb");
    QVERIFY(writeBytes(foreign, QByteArray()));
    QStringList lines{QStringLiteral("[Options]"), QStringLiteral("DBPath=") + m_fx->box.sysPath,
                      QStringLiteral("DBName=otra.mdb"), QStringLiteral("SysUser=") + m_fx->box.sysUser};
    if (withSysPath)
        lines.insert(1, QStringLiteral("SysPath=") + m_fx->box.sysPath);
    QVERIFY(qav::writeTextLines(ini, lines));
    const qint64 spoolFiles = QDir(m_fx->reportDir()).count();
    const Result r = runTool(args);
    QVERIFY(writeBytes(ini, settings));
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QCOMPARE(QFileInfo(foreign).size(), 0);
    QCOMPARE(QDir(m_fx->reportDir()).count(), spoolFiles);
}

QTEST_GUILESS_MAIN(TstReportTool)
#include "tst_reporttool.moc"
