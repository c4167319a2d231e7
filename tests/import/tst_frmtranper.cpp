// The import dialog offscreen: its texts and accessible names, the file list matched
// without regard to case, Aceptar without a folder, a run with its counters, progress and
// closing message, the question after rejections and the transfer-error report built and
// (on Yes) previewed, the declaration window refreshed, and Salir during a run stopping it
// and closing the dialog once the run has returned.

#include "declmod/declaration/recorddialogs.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/import/frmtranper.h"
#include "declmod/reports/frmpreview.h"
#include "declmod/reports/printers.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/session.h"
#include "tests/declaration/declfixture.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

using namespace declmod;
using qavtest::DeclFixture;

namespace {

const QString kRuc = QStringLiteral("20100066666");

class FakeGrid : public DetailGridHost
{
public:
    int refreshed = 0;
    int totalled = 0;
    void refrescargrid() override { ++refreshed; }
    void SumaTotal() override { ++totalled; }
    std::optional<VoucherRecord> currentRecord() const override { return std::nullopt; }
};

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

// decltool error-report on the sandbox: the document it builds from the same error list.
QByteArray errorReportOfTool(const QString &ruc, const QString &year)
{
    QProcess p;
    p.start(qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/decltool"),
            {QStringLiteral("error-report"), QStringLiteral("--ruc"), ruc, QStringLiteral("--year"), year});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning("decltool error-report: %s", p.readAllStandardError().constData());
        return QByteArray();
    }
    return readFile(QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(u'\t').first());
}

} // namespace

class TestFrmTranPer : public QObject
{
    Q_OBJECT

    DeclFixture m_fx;
    QString m_folder;

    // The import file's name.
    QString base() const { return QStringLiteral("7093") + kRuc + QStringLiteral("2013.TXT"); }
    qint64 tableCount() { return WorkingTable(session().Db).count(); }

private slots:
    void init()
    {
        QString why;
        QVERIFY2(m_fx.setUp(&why), qPrintable(why));
        Session &s = session();
        s.TaxpayerId = kRuc;
        s.Period = QStringLiteral("2013");
        s.ReportDir = s.SysPath + QStringLiteral("RPT");
        QVERIFY(WorkingTable(s.Db).create());
        QVERIFY(WorkingTable(s.Db).clear());
        m_folder = m_fx.sandbox->root + QStringLiteral("/Datos");
        QVERIFY(QDir().mkpath(m_folder));
        frmTranPer::setErrorReportHooks({});
    }
    void cleanup()
    {
        frmTranPer::setStartFolder(QString());
        setDialogRunner({});
        frmTranPer::setErrorReportHooks(frmTranPer::moduleErrorReportHooks());
        m_fx.tearDown();
    }

    void texts()
    {
        frmTranPer dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Importar"));
        QCOMPARE(dialog.lblTransferidos->text(), QStringLiteral("0          Registros Transferidos"));
        QCOMPARE(dialog.lblRechazados->text(), QStringLiteral("0          Registros Rechazados"));
        QCOMPARE(dialog.cmdTransferir->text(), QStringLiteral("&Aceptar"));
        QCOMPARE(dialog.cmCancelar->text(), QStringLiteral("&Salir"));
        for (QWidget *w : std::initializer_list<QWidget *>{dialog.DirDirectorio, dialog.File1,
                                                           dialog.lblTransferidos, dialog.lblRechazados,
                                                           dialog.prgAvance})
            QVERIFY2(!QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty(),
                     qPrintable(w->objectName()));
        QVERIFY(dialog.folder().isEmpty());
        QVERIFY(dialog.findChild<QLabel *>() != nullptr);
        bool instruction = false;
        for (QLabel *l : dialog.findChildren<QLabel *>())
            instruction = instruction
                || (l->text() == QStringLiteral("Seleccione el directorio donde se encuentra el "
                                                "archivo de datos a importar:")
                    && l->buddy() == dialog.DirDirectorio);
        QVERIFY(instruction);
    }

    // The tree opens down to its start folder and shows it, also after the folders on the
    // way have been read in the background (their entries push it out of sight); that
    // chooses no folder. The start lies in folders of the test's own, each with many
    // folders around the way, so that nothing another program does changes what is compared.
    void treeStartsAtItsFolder()
    {
        const QString top = QDir::cleanPath(m_fx.sandbox->root + QStringLiteral("/arbol"));
        const QString start = top + QStringLiteral("/m/m/inicio");
        QVERIFY(QDir().mkpath(start));
        for (int i = 0; i < 30; ++i) {
            const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
            QVERIFY(QDir().mkpath(top + QStringLiteral("/a") + n));
            QVERIFY(QDir().mkpath(top + QStringLiteral("/m/z") + n));
            QVERIFY(QDir().mkpath(top + QStringLiteral("/m/m/b") + n));
        }
        frmTranPer::setStartFolder(start);
        frmTranPer dialog(nullptr);
        frmTranPer::setStartFolder(QString());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *model = qobject_cast<QFileSystemModel *>(dialog.DirDirectorio->model());
        QVERIFY(model);
        // Every folder of the test's own on the way holds all its entries.
        const QStringList own{top, top + QStringLiteral("/m"), top + QStringLiteral("/m/m")};
        const qsizetype entries[] = {31, 31, 31};
        for (int k = 0; k < 3; ++k)
            QTRY_COMPARE_WITH_TIMEOUT(qsizetype(model->rowCount(model->index(own[k]))), entries[k], 10000);
        QTest::qWait(100);
        const auto shown = [&] {
            const QModelIndex current = dialog.DirDirectorio->currentIndex();
            const QRect rect = dialog.DirDirectorio->visualRect(current);
            return current.isValid() && QDir::cleanPath(model->filePath(current)) == start
                && !rect.isEmpty() && dialog.DirDirectorio->viewport()->rect().contains(rect.center());
        };
        QTRY_VERIFY_WITH_TIMEOUT(shown(), 10000);
        QVERIFY(dialog.DirDirectorio->isExpanded(dialog.DirDirectorio->currentIndex().parent()));
        QVERIFY(dialog.folder().isEmpty());
    }

    // Without a start folder of its own the tree starts at the program's folder.
    void treeStartsAtProgramFolder()
    {
        frmTranPer dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *model = qobject_cast<QFileSystemModel *>(dialog.DirDirectorio->model());
        QVERIFY(model);
        const QString start = QDir::cleanPath(QCoreApplication::applicationDirPath());
        QTRY_COMPARE_WITH_TIMEOUT(QDir::cleanPath(model->filePath(dialog.DirDirectorio->currentIndex())),
                                  start, 10000);
        QVERIFY(dialog.folder().isEmpty());
    }

    void fileListIgnoresCase()
    {
        QVERIFY(writeFile(m_folder + u'/' + base().toLower(), "01|F001|3|10|5|\r\n"));
        QVERIFY(writeFile(m_folder + QStringLiteral("/otro.TXT"), "01|F001|3|10|5|\r\n"));
        frmTranPer dialog(nullptr);
        QCOMPARE(dialog.listedFiles(), QStringList());
        dialog.setFolder(m_folder);
        QCOMPARE(dialog.listedFiles(), QStringList{base().toLower()});
    }

    void noFolderChosen()
    {
        FakeGrid grid;
        frmTranPer dialog(&grid);
        QTest::mouseClick(dialog.cmdTransferir, Qt::LeftButton);
        QCOMPARE(m_fx.messages->shown.size(), 1);
        QCOMPARE(m_fx.messages->shown[0].text,
                 QStringLiteral("Seleccionar directorio donde se encuentran\nlos archivos a transferir"));
        QVERIFY(dialog.cmdTransferir->isEnabled());
        QCOMPARE(dialog.lblTransferidos->text(), QStringLiteral("0          Registros Transferidos"));
        QCOMPARE(dialog.lblRechazados->text(), QStringLiteral("0          Registros Rechazados"));
    }

    // A run that reads no line leaves the counters' texts as they were; its message is the
    // one of how it ended.
    void countersStayWithoutLines_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << false << QStringLiteral("En la ruta indicada, no se encuentra el archivo a transferir, verifique la ruta");
        QTest::newRow("empty file") << true << QStringLiteral("Archivo : %1 transferido");
    }
    void countersStayWithoutLines()
    {
        QFETCH(bool, exists);
        QFETCH(QString, message);
        const QString file = m_folder + u'/' + base();
        if (exists)
            QVERIFY(writeFile(file, QByteArray()));
        FakeGrid grid;
        frmTranPer dialog(&grid);
        dialog.setFolder(m_folder);
        dialog.cmdTransferir_Click();
        QCOMPARE(m_fx.messages->shown.size(), 1);
        QCOMPARE(m_fx.messages->shown[0].text, message.contains(u'%') ? message.arg(file) : message);
        QCOMPARE(dialog.lblTransferidos->text(), QStringLiteral("0          Registros Transferidos"));
        QCOMPARE(dialog.lblRechazados->text(), QStringLiteral("0          Registros Rechazados"));
        QVERIFY(dialog.cmdTransferir->isEnabled());
    }

    void runWithCounters()
    {
        QVERIFY(writeFile(m_folder + u'/' + base(), "01|F001|3|1500.00|1271.19|\r\n12|T100|11|.5|.5|\r\n"
                                                    "07|0001|05|100|50|\r\n"));
        FakeGrid grid;
        frmTranPer dialog(&grid);
        dialog.setFolder(m_folder);
        dialog.cmdTransferir_Click();
        QCOMPARE(dialog.lblTransferidos->text(), QStringLiteral("3 Transferidos"));
        QCOMPARE(dialog.lblRechazados->text(), QStringLiteral("0 Rechazados"));
        QCOMPARE(dialog.prgAvance->value(), dialog.prgAvance->maximum());
        QCOMPARE(tableCount(), 3);
        QCOMPARE(grid.refreshed, 1);
        QCOMPARE(grid.totalled, 1);
        QCOMPARE(m_fx.messages->shown.size(), 1);
        QCOMPARE(m_fx.messages->shown[0].text,
                 QStringLiteral("Archivo : ") + m_folder + u'/' + base() + QStringLiteral(" transferido"));
        QVERIFY(dialog.cmdTransferir->isEnabled());
    }

    void rejectionsAskForTheReport()
    {
        QVERIFY(writeFile(m_folder + u'/' + base(), "01|F001|3|10|50|\r\n01|F002|3|10|5|\r\n"));
        QStringList built;
        ErrorReportHooks hooks;
        hooks.build = [&](const QString &name, const QString &, QString *) {
            built << name;
            return true;
        };
        frmTranPer::setErrorReportHooks(hooks);
        frmTranPer dialog(nullptr);
        dialog.setFolder(m_folder);
        m_fx.messages->answers = {qav::AnsNo};
        dialog.cmdTransferir_Click();
        QCOMPARE(dialog.lblTransferidos->text(), QStringLiteral("1 Transferidos"));
        QCOMPARE(dialog.lblRechazados->text(), QStringLiteral("1 Rechazados"));
        QCOMPARE(m_fx.messages->shown.size(), 1);
        QCOMPARE(m_fx.messages->shown[0].title, QStringLiteral("Confirmar"));
        QCOMPARE(built.size(), 1);
        QCOMPARE(session().Db.scalar(QStringLiteral("SELECT Archivo FROM SPOOL WHERE CodRep='DE0003'")).toString(),
                 built.first());
    }

    // The module's own report: after the question the transfer-error report of this run is
    // registered and built whatever the answer, with the taxpayer's name from the register
    // (not a name left in the session), byte for byte what decltool error-report builds from
    // the same error list; on Yes it is previewed whole, on No it stays in the spool.
    void errorReportBuiltAndShown_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(qav::AnsYes);
        QTest::newRow("no") << int(qav::AnsNo);
    }
    void errorReportBuiltAndShown()
    {
        QFETCH(int, answer);
        Session &s = session();
        QVERIFY(s.Db.execute(QStringLiteral("INSERT INTO CONT (Tip_doc_d, Doc_id_d, Nombre, Usuario)"
                                            " VALUES (6, ?, 'COMERCIAL NORTE S.A.', ?)"),
                             {kRuc, m_fx.sandbox->sysUser}));
        s.TaxpayerName = QStringLiteral("OTRA EMPRESA");
        QVERIFY(writeFile(m_folder + u'/' + base(), "01|F001|3|10|50|\r\n01|F002|3|10|5|\r\n"
                                                    "01|F003|13|10|5|\r\n"));
        reportState().PageRangeActive = true;
        struct Shown {
            QString name;
            int pages = -1;
            bool rangeActive = true;
            QStringList texts;
        };
        QList<Shown> previews;
        setDialogRunner([&](QDialog &d) {
            auto *preview = qobject_cast<frmPreview *>(&d);
            if (!preview)
                return int(QDialog::Rejected);
            Shown shown{preview->reportFileName(), preview->PageCount(),
                        reportState().PageRangeActive, {}};
            for (const qav::ReportElement &e : preview->picPrevia()->elements())
                shown.texts << e.text.trimmed();
            previews << shown;
            return int(QDialog::Rejected);
        });
        frmTranPer::setErrorReportHooks(frmTranPer::moduleErrorReportHooks());
        frmTranPer dialog(nullptr);
        dialog.setFolder(m_folder);
        m_fx.messages->answers = {answer};
        dialog.cmdTransferir_Click();
        QCOMPARE(dialog.lblRechazados->text(), QStringLiteral("2 Rechazados"));
        QCOMPARE(reportState().ErrorCount, 2);
        QCOMPARE(m_fx.messages->shown.size(), 1);
        QCOMPARE(m_fx.messages->shown[0].title, QStringLiteral("Confirmar"));

        const QList<QSqlRecord> spool = s.Db.rows(QStringLiteral(
            "SELECT Archivo, Usuario, Doc_id_d FROM SPOOL WHERE CodRep='DE0003'"));
        QCOMPARE(spool.size(), 1);
        const QString name = spool[0].value(0).toString();
        QCOMPARE(spool[0].value(1).toString(), m_fx.sandbox->sysUser);
        QCOMPARE(spool[0].value(2).toString(), kRuc);
        const QByteArray document = readFile(s.ReportDir + u'/' + name);
        QVERIFY(document.contains("CONTRIBUYENTE:  " + kRuc.toLatin1() + "  COMERCIAL NORTE S.A."));
        QVERIFY(document.contains("Total de Errores:      2"));
        QCOMPARE(withoutClock(document), withoutClock(errorReportOfTool(kRuc, s.Period)));

        if (answer == qav::AnsYes) {
            QCOMPARE(previews.size(), 1);
            QCOMPARE(previews[0].name, name);
            QVERIFY(!previews[0].rangeActive);
            QCOMPARE(previews[0].pages, 1);
            QVERIFY(previews[0].texts.contains(QStringLiteral("Total de Errores:      2")));
        } else {
            QCOMPARE(previews.size(), 0);
        }
    }

    // Salir while the run reads: the run stops, the dialog stays alive until it has
    // returned and then closes; nothing more is shown and the records read stay.
    void salirDuringRun()
    {
        QByteArray content;
        const int lines = 60000;
        for (int i = 0; i < lines; ++i)
            content += "01|S" + QByteArray::number(i) + "|" + QByteArray::number(i % 12 + 1) + "|10|5|\r\n";
        QVERIFY(writeFile(m_folder + u'/' + base(), content));
        FakeGrid grid;
        frmTranPer dialog(&grid);
        dialog.setFolder(m_folder);
        bool runningWhenClicked = false;
        const QString before = dialog.lblTransferidos->text();
        QTimer salir;
        QTimer::singleShot(0, &dialog, [&] {
            // Salir comes while the run lets the dialog's events run, once it has read lines
            // (however long the run takes to start on a busy machine).
            connect(&salir, &QTimer::timeout, &dialog, [&] {
                if (dialog.lblTransferidos->text() == before)
                    return;
                salir.stop();
                runningWhenClicked = dialog.running();
                QTest::mouseClick(dialog.cmCancelar, Qt::LeftButton);
                QVERIFY(dialog.isVisible()); // not closed under the running loop
            });
            salir.start(5);
            dialog.cmdTransferir_Click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(runningWhenClicked);
        QVERIFY(!dialog.running());
        QVERIFY(tableCount() < lines);
        QCOMPARE(QString::number(tableCount()) + QStringLiteral(" Transferidos"),
                 dialog.lblTransferidos->text());
        QVERIFY(m_fx.messages->shown.isEmpty());
        QCOMPARE(grid.refreshed, 1);
    }

    // The declaration window's "&Importar" opens this dialog.
    void installed()
    {
        setImportDialogOpener({});
        frmTranPer::install();
        QVERIFY(bool(importDialogOpener()));
        FakeGrid grid;
        QTimer::singleShot(0, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<frmTranPer *>(w); d && d->isVisible())
                    QTest::keyClick(d, Qt::Key_Escape);
        });
        importDialogOpener()(nullptr, grid);
        setImportDialogOpener({});
    }
};

QTEST_MAIN(TestFrmTranPer)
#include "tst_frmtranper.moc"
