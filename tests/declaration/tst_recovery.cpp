// Unsaved records outlive a killed session: a real process (recoverydriver) opens the
// declaration window, changes records and is killed with SIGKILL; the declaration window of
// the next session, opened here, is offered exactly those records, or nothing after a
// normal end, and never takes a running session's records for an ended one's.

#include "declmod/declaration/frm745.h"
#include "declmod/declaration/recorddialogs.h"
#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/session/session.h"

#include "common/time/clock.h"
#include "tests/declaration/declfixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

using namespace declmod;
using qavtest::DeclFixture;

namespace {

const QString kRuc = QStringLiteral("20100066440");
const QString kQuestion = QStringLiteral("Existen registros de esta declaración que no fueron"
                                         " grabados cuando el módulo se cerró de forma"
                                         " inesperada. ¿Desea recuperarlos?");

QString funcion233(const QString &description)
{
    return description.leftJustified(66, u' ') + u'1';
}

// A killable session. start() returns once the driver has run its commands.
class Driver
{
public:
    ~Driver() { kill(); }

    bool start(const QStringList &commands, QString *out)
    {
        m_process.setProgram(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/../tests/recoverydriver"));
        m_process.setArguments(commands);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return false;
        QByteArray seen;
        while (!seen.contains("ready\n")) {
            if (!m_process.waitForReadyRead(30000))
                break;
            seen += m_process.readAllStandardOutput();
        }
        *out = QString::fromUtf8(seen);
        return seen.contains("ready\n");
    }
    // Waits for a driver that ends by itself (it kills itself in an import).
    bool waitKilled()
    {
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(60000))
            return false;
        return m_process.exitStatus() == QProcess::CrashExit;
    }
    void kill()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill(); // SIGKILL
            m_process.waitForFinished(10000);
        }
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
};

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

    DeclFixture m_fx;
    qav::Database &db() { return session().Db; }

    QStringList shown() const
    {
        QStringList t;
        for (const auto &m : m_fx.messages->shown)
            t << m.text;
        return t;
    }

    QStringList workingRows()
    {
        return DeclFixture::rows(db(), "SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra"
                                       " FROM tmpf7093des ORDER BY 1, 2, 3");
    }

    QStringList keptFiles() const
    {
        return QDir(recoveryFolder()).entryList({"*.db"}, QDir::Files);
    }

    std::unique_ptr<Frm745> openPending()
    {
        Session &s = session();
        s.FormMode = 2;
        s.SentMode = false;
        s.TaxpayerId = kRuc;
        s.TaxpayerName = "EMPRESA A";
        s.Period = "2023";
        auto w = std::make_unique<Frm745>();
        w->show();
        return w;
    }

    std::unique_ptr<Frm745> openNew(const QString &year)
    {
        Session &s = session();
        s.FormMode = 1;
        s.SentMode = false;
        auto w = std::make_unique<Frm745>();
        w->show();
        auto *list = w->findChild<QComboBox *>("CmbRuc");
        const int item = list->findText(kRuc, Qt::MatchStartsWith);
        list->setCurrentIndex(item);
        emit list->activated(item);
        auto *exercise = w->findChild<QLineEdit *>("MkePeriodo");
        exercise->setFocus();
        exercise->setCursorPosition(0);
        QTest::keyClicks(exercise, year);
        return w;
    }

    // Runs a session with `commands` and kills it once it is done.
    void killedSession(const QStringList &commands)
    {
        Driver d;
        QString out;
        QVERIFY2(d.start(commands, &out), qPrintable(out));
        d.kill();
    }

    // The first `n` records of a generated import file, as the working table holds them.
    static QStringList importedRows(int n)
    {
        QStringList rows;
        for (int i = 0; i < n; ++i)
            rows << QStringLiteral("01|%1|%2|%3.00|1.00")
                        .arg(i / 12 + 1, 4, 10, QLatin1Char('0'))
                        .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                        .arg(i + 10);
        rows.sort();
        return rows;
    }

    QString writeImportFile(int lines)
    {
        const QString path = m_fx.sandbox->root + "/7093" + kRuc + "2023.TXT";
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        for (const QString &r : importedRows(lines))
            f.write((r + "|\r\n").toLatin1());
        return path;
    }

private slots:
    void init()
    {
        QString why;
        QVERIFY2(m_fx.setUp(&why), qPrintable(why));
        qav::setFixedNow(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        QVERIFY(db().execute("INSERT INTO CLAVES VALUES (?, 'Usuario', '0')", {session().SysUser}));
        QVERIFY(db().execute("INSERT INTO CONT VALUES (6, ?, 'J', 'EMPRESA A', '', '', ?)",
                             {kRuc, session().SysUser}));
        QVERIFY(db().execute("DELETE FROM PARAM WHERE Numero='233'"));
        QVERIFY(db().execute("INSERT INTO PARAM VALUES ('233', '01', ?, '')", {funcion233("FACTURA")}));
        QVERIFY(db().execute("INSERT INTO PARAM VALUES ('233', '07', ?, '')",
                             {funcion233("NOTA DE CREDITO")}));
        setDetailDialogOpener({});
        setImportDialogOpener({});
    }
    void cleanup()
    {
        qav::setFixedNow(QDateTime());
        m_fx.tearDown();
    }

    // Added, changed and deleted records of a killed session; Sí brings exactly them back,
    // No leaves the stored ones. Either way nothing is offered again.
    void killedSessionOffersItsRecords_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Sí") << int(qav::AnsYes);
        QTest::newRow("No") << int(qav::AnsNo);
    }
    void killedSessionOffersItsRecords()
    {
        QFETCH(int, answer);
        const QStringList stored{"01|0001|03|100.00|18.00", "01|0002|04|50.00|9.00"};
        QVERIFY(DeclFixture::addPending(db(), kRuc, "2023", stored));
        killedSession({"open", kRuc, "2023", "add", "07|0003|05|-20.00|-3.60", "change",
                       "01|0001|03|120.00|21.60", "delete", "01|0002|04"});
        QCOMPARE(keptFiles().size(), 1);

        m_fx.messages->answers = {answer};
        auto w = openPending();
        QCOMPARE(shown(), QStringList{kQuestion});
        QCOMPARE(m_fx.messages->shown[0].style, int(qav::MbQuestion | qav::MbYesNo));
        QCOMPARE(m_fx.messages->shown[0].title, Frm745::caption());
        const QStringList recovered{"01|0001|03|120.00|21.60", "07|0003|05|-20.00|-3.60"};
        QCOMPARE(workingRows(), answer == qav::AnsYes ? recovered : stored);
        QCOMPARE(w->findChild<QLabel *>("lblregistros")->text(), QStringLiteral("2  Registros"));
        QCOMPARE(w->findChild<QLabel *>("lbltotal")->text(),
                 answer == qav::AnsYes ? QStringLiteral("100.00") : QStringLiteral("150.00"));

        // The recovered records are not stored: Salir asks; closing without saving leaves
        // nothing to recover.
        m_fx.messages->shown.clear();
        m_fx.messages->answers = {qav::AnsNo};
        w->Cmdgeneral_Click(2);
        QCOMPARE(shown(), answer == qav::AnsYes
                              ? QStringList{"¿El formulario ha sido modificado, desea guardar los cambios?"}
                              : QStringList{});
        QVERIFY(w->isClosed());
        w.reset();
        QCOMPARE(keptFiles(), QStringList());
        m_fx.messages->shown.clear();
        w = openPending();
        QCOMPARE(shown(), QStringList());
        QCOMPARE(workingRows(), stored);
    }

    // A new declaration killed before its first save is offered when the same taxpayer and
    // exercise are accepted again.
    void newDeclarationKilledBeforeItsFirstSave()
    {
        killedSession({"new", kRuc, "2020", "add", "01|0001|01|10.00|1.00", "add",
                       "01|0001|02|20.00|2.00"});
        m_fx.messages->answers = {qav::AnsYes};
        auto w = openNew("2021");
        QCOMPARE(shown(), QStringList()); // another exercise: nothing to offer
        QCOMPARE(workingRows(), QStringList());
        m_fx.messages->answers = {qav::AnsYes};
        w = openNew("2020");
        QCOMPARE(shown(), QStringList{kQuestion});
        QCOMPARE(workingRows(), (QStringList{"01|0001|01|10.00|1.00", "01|0001|02|20.00|2.00"}));
        QCOMPARE(w->findChild<QLabel *>("lblregistros")->text(), QStringLiteral("2  Registros"));
        // Saved and closed: stored, and nothing left to recover.
        m_fx.messages->shown.clear();
        w->Cmdgeneral_Click(1);
        QCOMPARE(db().scalar("SELECT count(*) FROM f7093des").toInt(), 2);
        w->Cmdgeneral_Click(2);
        QVERIFY(w->isClosed());
        QCOMPARE(keptFiles(), QStringList());
    }

    // Sessions that ended normally, or whose table is what is stored, leave nothing to offer.
    void nothingOfferedAfterANormalEnd_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("stored");
        const QString added = QStringLiteral("01|0009|09|9.00|1.00");
        QTest::newRow("saved, then killed")
            << QStringList{"open", kRuc, "2023", "add", added, "save"}
            << QStringList{"01|0001|03|100.00|18.00", added};
        QTest::newRow("closed without saving")
            << QStringList{"open", kRuc, "2023", "add", added, "answer", "7", "close"}
            << QStringList{"01|0001|03|100.00|18.00"};
        QTest::newRow("saved at the exit question")
            << QStringList{"open", kRuc, "2023", "add", added, "answer", "6", "close"}
            << QStringList{"01|0001|03|100.00|18.00", added};
        QTest::newRow("change undone, then killed")
            << QStringList{"open", kRuc, "2023", "add", added, "delete", "01|0009|09"}
            << QStringList{"01|0001|03|100.00|18.00"};
    }
    void nothingOfferedAfterANormalEnd()
    {
        QFETCH(QStringList, commands);
        QFETCH(QStringList, stored);
        QVERIFY(DeclFixture::addPending(db(), kRuc, "2023", {"01|0001|03|100.00|18.00"}));
        killedSession(commands);
        auto w = openPending();
        QCOMPARE(shown(), QStringList());
        QCOMPARE(workingRows(), stored);
        QCOMPARE(keptFiles(), QStringList());
    }

    // A session that still runs keeps its file; this session keeps its own beside it, and
    // is offered the other one's records only once that session has been killed.
    void runningSessionIsNotTakenForAnEndedOne()
    {
        QVERIFY(DeclFixture::addPending(db(), kRuc, "2023", {"01|0001|03|100.00|18.00"}));
        Driver other;
        QString out;
        QVERIFY2(other.start({"open", kRuc, "2023", "add", "01|0002|03|5.00|1.00"}, &out),
                 qPrintable(out));
        QCOMPARE(keptFiles().size(), 1);

        auto w = openPending();
        QCOMPARE(shown(), QStringList());
        QVERIFY(WorkingTable(db()).insert({"01", "0003", "03", "7.00", "1.00"}));
        QCOMPARE(keptFiles().size(), 2);
        m_fx.messages->answers = {qav::AnsNo};
        w->Cmdgeneral_Click(2);
        QVERIFY(w->isClosed());
        w.reset();
        QCOMPARE(keptFiles().size(), 1); // only the running session's

        other.kill();
        m_fx.messages->shown.clear();
        m_fx.messages->answers = {qav::AnsYes};
        w = openPending();
        QCOMPARE(shown(), QStringList{kQuestion});
        QCOMPARE(workingRows(), (QStringList{"01|0001|03|100.00|18.00", "01|0002|03|5.00|1.00"}));
    }

    // The file is the user's alone and named after the installation and the declaration.
    void fileIsPrivateAndNamedAfterTheDeclaration()
    {
        QVERIFY(DeclFixture::addPending(db(), kRuc, "2023", {}));
        Driver other;
        QString out;
        QVERIFY2(other.start({"open", kRuc, "2023", "add", "01|0002|03|5.00|1.00"}, &out),
                 qPrintable(out));
        const QStringList files = keptFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY2(files[0].startsWith(installationTag(session().SysPath, session().DbFile)
                                     + "-7093-" + kRuc + "-2023."),
                 qPrintable(files[0]));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(recoveryFolder() + '/' + files[0]).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        QCOMPARE(::stat(QFile::encodeName(recoveryFolder()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
    }

    // A kill in the middle of an import leaves the records of the batches the working table
    // had committed, never part of a batch (the import commits every 5,000 records).
    void importKilledMidRun_data()
    {
        QTest::addColumn<int>("killAt");
        QTest::addColumn<int>("kept");
        QTest::newRow("in the first batch") << 4000 << 0;
        QTest::newRow("in the second batch") << 7000 << 5000;
        QTest::newRow("in the third batch") << 11000 << 10000;
        QTest::newRow("after the run") << 0 << 12000;
    }
    void importKilledMidRun()
    {
        QFETCH(int, killAt);
        QFETCH(int, kept);
        QVERIFY(DeclFixture::addPending(db(), kRuc, "2023", {}));
        const QString file = writeImportFile(12000);
        Driver d;
        QString out;
        if (killAt > 0) {
            d.start({"open", kRuc, "2023", "import", file, QString::number(killAt)}, &out);
            QVERIFY2(d.waitKilled(), qPrintable(out));
        } else {
            QVERIFY2(d.start({"open", kRuc, "2023", "import", file}, &out), qPrintable(out));
            d.kill();
        }
        m_fx.messages->answers = {qav::AnsYes};
        auto w = openPending();
        QCOMPARE(shown(), kept > 0 ? QStringList{kQuestion} : QStringList());
        const QStringList rows = workingRows();
        QCOMPARE(rows.size(), kept);
        // The batches are the file's first lines, in the file's order.
        QStringList firstLines;
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        for (int i = 0; i < kept; ++i)
            firstLines << QString::fromLatin1(f.readLine()).chopped(3);
        firstLines.sort();
        QCOMPARE(rows, firstLines);
    }

    // Killed at moments nobody chose, the next session finds whole batches only.
    void importKilledAtAnyMoment()
    {
        QVERIFY(DeclFixture::addPending(db(), kRuc, "2023", {}));
        const int lines = 40000;
        const QString file = writeImportFile(lines);
        const QStringList all = importedRows(lines); // the file's lines, in its order
        for (const int delayMs : {100, 250, 500, 900}) {
            Driver d;
            d.process().setProgram(qEnvironmentVariable("QAV_BIN_DIR") + "/../tests/recoverydriver");
            d.process().setArguments({"open", kRuc, "2023", "import", file});
            d.process().start();
            QVERIFY(d.process().waitForStarted(10000));
            QTest::qWait(delayMs);
            d.kill();
            m_fx.messages->shown.clear();
            m_fx.messages->answers = {qav::AnsYes};
            auto w = openPending();
            const QStringList rows = workingRows();
            qInfo("killed after %d ms: %lld records kept", delayMs, qint64(rows.size()));
            QVERIFY2(rows.size() % 5000 == 0 || rows.size() == lines, qPrintable(QString::number(rows.size())));
            QCOMPARE(rows, all.mid(0, rows.size()));
            QCOMPARE(shown(), rows.isEmpty() ? QStringList() : QStringList{kQuestion});
            m_fx.messages->answers = {qav::AnsNo};
            w->Cmdgeneral_Click(2);
            QVERIFY(w->isClosed());
            QCOMPARE(keptFiles(), QStringList());
        }
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
