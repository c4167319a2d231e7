// The selection windows over a sandbox database: frmModFor for modifying and deleting
// pending declarations and deleting sent ones, frmAbrirEnv for viewing sent ones. Their
// lists for both user types, the estado filter, the questions before deleting, what is
// deleted in each case (and that a failed deletion removes nothing), the session values
// handed to the declaration window, the status bar and the return to the remembered row.

#include "declmod/mainwin/declarationwindow.h"
#include "declmod/mainwin/frmabrirenv.h"
#include "declmod/mainwin/frmmodfor.h"
#include "declmod/mainwin/selectionmodel.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"
#include "tableinst/installer.h"
#include "tests/support/sandbox.h"

#include <QApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using declmod::frmAbrirEnv;
using declmod::frmModFor;

namespace {

const QString kUno = QStringLiteral("20100066666");
const QString kDos = QStringLiteral("20200077777");
const QString kOtro = QStringLiteral("20300088888");
const QString kQuoted = QStringLiteral("D'ONOFRIO \"EL SOL\" SA");

// What the session held when the declaration window was opened.
struct Seen {
    QString taxpayerId, taxpayerName, period, sentCorrel, sentControl, sentOrder;
    int semana = -1;
    int formMode = 0;
    bool sentMode = false;
    bool orderChanged = true;
    bool selectionVisible = true;
};

// The rows of a list as "col0|col1|col2|col3" plus the extra columns asked for.
QStringList listed(const QTableView *grid, const QList<int> &extra = {})
{
    QStringList rows;
    const QAbstractItemModel *m = grid->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c : QList<int>{0, 1, 2, 3} + extra)
            cells << m->index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

QStringList captions(const QTableView *grid)
{
    QStringList h;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        h << grid->model()->headerData(c, Qt::Horizontal).toString();
    return h;
}

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;
    std::shared_ptr<qav::ScriptedMessageService> m_messages;
    QList<Seen> m_seen;

    declmod::Session &s() { return declmod::session(); }

    bool add(const QString &table, const qav::ColumnValues &values)
    {
        if (s().Db.insert(table, values))
            return true;
        qWarning() << table << s().Db.lastError().text;
        return false;
    }

    bool addCab(const QString &ruc, const QString &period, const QString &form = QStringLiteral("7093"))
    {
        return add("CAB", {{"TIP_DOC_D", 6}, {"DOC_ID_D", ruc}, {"PERIODO", period}, {"FORMULARIO", form},
                           {"SEMANA", 0}, {"estado", 0}, {"RECTIFICA", "0"}})
            && add("DET", {{"TIP_DOC_D", 6}, {"DOC_ID_D", ruc}, {"PERIODO", period}, {"FORMULARIO", form},
                           {"SEMANA", 0}, {"CASILLA", "005"}, {"I_VALOR", "10"}})
            && add("f7093des", {{"tip_doc_d", 6}, {"doc_id_d", ruc}, {"periodo", period}, {"formulario", form},
                                {"tip_com", "01"}, {"num_ser", "0001"}, {"per_tri", "01"},
                                {"tot_ven", "10.00"}, {"tot_gra", "5.00"}, {"cnumero", "000000"}})
            && add("f7093des", {{"tip_doc_d", 6}, {"doc_id_d", ruc}, {"periodo", period}, {"formulario", form},
                                {"tip_com", "03"}, {"num_ser", "0'1"}, {"per_tri", "02"},
                                {"tot_ven", "20.00"}, {"tot_gra", "5.00"}, {"cnumero", "000000"}});
    }

    bool addSent(const QString &ruc, const QString &period, const QString &correl, int estado)
    {
        return add("HCAB", {{"TIP_DOC_D", 6}, {"DOC_ID_D", ruc}, {"PERIODO", period}, {"FORMULARIO", "7093"},
                            {"SEMANA", 0}, {"CORREL", correl}, {"NORDEN", "1234567" + correl.right(1)},
                            {"FEC_ENV", QDateTime(QDate(2023, 3, 28), QTime(10, 15))},
                            {"CONTROL", "CTRL" + correl}, {"estado", estado}, {"RECTIFICA", "0"}})
            && add("HDET", {{"TIP_DOC_D", 6}, {"DOC_ID_D", ruc}, {"PERIODO", period}, {"FORMULARIO", "7093"},
                            {"SEMANA", 0}, {"CORREL", correl}, {"CASILLA", "005"}, {"I_VALOR", "1"}})
            && add("hf7093des", {{"tip_doc_d", 6}, {"doc_id_d", ruc}, {"periodo", period},
                                 {"formulario", "7093"}, {"correl", correl}, {"tip_com", "01"},
                                 {"num_ser", "0001"}, {"per_tri", "01"}, {"tot_ven", "1.00"},
                                 {"tot_gra", "1.00"}, {"cnumero", "000000"}});
    }

    int count(const QString &sql)
    {
        return s().Db.scalar(sql).toInt();
    }

    void setUserType(const QString &type)
    {
        QVERIFY(s().Db.execute(QStringLiteral("UPDATE CLAVES SET Tipo=? WHERE Usuario=?"), {type, s().SysUser}));
    }

    QPushButton *button(QDialog &w, const char *name) { return w.findChild<QPushButton *>(name); }

    static void selectRow(QTableView *grid, int row)
    {
        grid->setCurrentIndex(grid->model()->index(row, 0));
    }

private slots:
    void init()
    {
        m_messages = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_messages);
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
        QCOMPARE(tableinst::Installer().run(), int(tableinst::Completed));
        m_messages->shown.clear();
        s().Db.close();
        QVERIFY(s().Db.open(m_sb->openOptions()));
        s().SysUser = m_sb->sysUser;
        s().FormNumber = QStringLiteral("7093");
        s().FormMode = 2;
        s().HistoryList = false;
        s().SentMode = false;
        QVERIFY(add("CLAVES", {{"Usuario", s().SysUser}, {"Tipo", "1"}}));
        QVERIFY(add("CONT", {{"Tip_doc_d", 6}, {"Doc_id_d", kUno}, {"Nombre", "EMPRESA UNO SAC"}, {"Usuario", s().SysUser}}));
        QVERIFY(add("CONT", {{"Tip_doc_d", 6}, {"Doc_id_d", kDos}, {"Nombre", kQuoted}, {"Usuario", s().SysUser}}));
        QVERIFY(add("CONT", {{"Tip_doc_d", 6}, {"Doc_id_d", kOtro}, {"Nombre", "OTRA EMPRESA"}, {"Usuario", "OTRO"}}));
        QVERIFY(addCab(kUno, "2022"));
        QVERIFY(addCab(kUno, "2023"));
        QVERIFY(addCab(kDos, "2023"));
        QVERIFY(addCab(kOtro, "2023"));
        QVERIFY(addCab(kUno, "2023", "0621")); // another form: never listed
        QVERIFY(addSent(kUno, "2022", "001", 1));
        QVERIFY(addSent(kUno, "2022", "002", 0));
        QVERIFY(addSent(kOtro, "2021", "001", 1));

        m_seen.clear();
        declmod::setDeclarationWindowOpener([this](QWidget *) {
            Seen seen;
            const declmod::Session &ss = declmod::session();
            seen.taxpayerId = ss.TaxpayerId;
            seen.taxpayerName = ss.TaxpayerName;
            seen.period = ss.Period;
            seen.semana = ss.Semana;
            seen.sentCorrel = ss.SentCorrel;
            seen.sentControl = ss.SentControl;
            seen.sentOrder = ss.SentOrderNumber;
            seen.formMode = ss.FormMode;
            seen.sentMode = ss.SentMode;
            seen.orderChanged = ss.OrderNumberChanged;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("frmModFor"))
                    seen.selectionVisible = w->isVisible();
            m_seen << seen;
        });
    }

    void cleanup()
    {
        declmod::setDeclarationWindowOpener({});
        s().Db.close();
        m_sb.reset();
    }

    // Pending declarations of form 7093: a user of type "0" sees every taxpayer's, another
    // user only his own taxpayers'; by RUC, newest exercise first. The sending's columns are
    // hidden.
    void pendingList_data()
    {
        QTest::addColumn<QString>("userType");
        QTest::addColumn<QStringList>("rows");
        const QStringList own{kUno + "|EMPRESA UNO SAC|2023|7093", kUno + "|EMPRESA UNO SAC|2022|7093",
                              kDos + "|" + kQuoted + "|2023|7093"};
        QTest::newRow("ordinary user") << "1" << own;
        QTest::newRow("type 0") << "0" << own + QStringList{kOtro + "|OTRA EMPRESA|2023|7093"};
    }

    void pendingList()
    {
        QFETCH(QString, userType);
        QFETCH(QStringList, rows);
        setUserType(userType);
        frmModFor w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Modificar Formulario"));
        QCOMPARE(button(w, "cmdOpciones0")->text(), QStringLiteral("&Modificar"));
        QCOMPARE(listed(w.grid()), rows);
        QCOMPARE(captions(w.grid()),
                 (QStringList{"Ruc", "Razón social", "Ejercicio", "Formulario", "Estado", "Nro. Orden",
                              "Fec. de Envio", "Nro. Control", "Correlativo", "Rectifica", "Orden", "Semana"}));
        for (int c = 0; c < 12; ++c)
            QCOMPARE(w.grid()->isColumnHidden(c), c >= 5 && c <= 10);
        QCOMPARE(w.grid()->model()->index(0, 4).data().toString(), QStringLiteral("0"));
        QCOMPARE(w.grid()->model()->index(0, 11).data().toString(), QStringLiteral("0"));
        QVERIFY(w.grid()->isEnabled());
        QCOMPARE(w.grid()->currentIndex().row(), 0);
        QVERIFY(m_messages->shown.isEmpty());
    }

    // Sent declarations offered for deletion: estado 1 only; the user filter as above.
    void sentDeletionList_data()
    {
        QTest::addColumn<QString>("userType");
        QTest::addColumn<QStringList>("rows");
        const QString uno = kUno + "|EMPRESA UNO SAC|2022|7093|001|12345671|28/03/2023";
        QTest::newRow("ordinary user") << "1" << QStringList{uno};
        QTest::newRow("type 0") << "0" << QStringList{uno, kOtro + "|OTRA EMPRESA|2021|7093|001|12345671|28/03/2023"};
    }

    void sentDeletionList()
    {
        QFETCH(QString, userType);
        QFETCH(QStringList, rows);
        setUserType(userType);
        s().FormMode = 3;
        s().HistoryList = true;
        frmModFor w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Eliminar Formularios"));
        QCOMPARE(button(w, "cmdOpciones0")->text(), QStringLiteral("&Eliminar"));
        QCOMPARE(w.findChild<QGroupBox *>("fradecreg")->title(), QStringLiteral("Declaraciones Enviadas"));
        QCOMPARE(listed(w.grid(), {8, 5, 6}), rows);
        for (int c : {0, 1, 2, 3, 5, 6, 7, 8})
            QVERIFY2(!w.grid()->isColumnHidden(c), qPrintable(QString::number(c)));
    }

    // frmAbrirEnv lists every sending of the user's own taxpayers, whatever its estado and
    // whatever the user type.
    void sentViewList_data()
    {
        QTest::addColumn<QString>("userType");
        QTest::newRow("ordinary user") << "1";
        QTest::newRow("type 0") << "0";
    }

    void sentViewList()
    {
        QFETCH(QString, userType);
        setUserType(userType);
        s().SentMode = true;
        frmAbrirEnv w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Ver declaración enviada"));
        QCOMPARE(captions(w.grid()), (QStringList{"RUC", "Razón Social", "Ejercicio", "Formulario", "N. Orden",
                                                  "Fecha Env.", "Control", "Correl", "Rectifica", "Semana"}));
        QCOMPARE(listed(w.grid(), {4, 5, 6, 7}),
                 (QStringList{kUno + "|EMPRESA UNO SAC|2022|7093|12345671|28/03/2023|CTRL001|001",
                              kUno + "|EMPRESA UNO SAC|2022|7093|12345672|28/03/2023|CTRL002|002"}));
        QVERIFY(w.grid()->isEnabled());
    }

    // Deleting a pending declaration asks twice; only OK then Yes deletes, and then its
    // header, box values and every voucher line go, never its other exercises, its other
    // forms or its sent copies.
    void deletePending_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("Cancel") << QList<int>{qav::AnsCancel} << 1 << false;
        QTest::newRow("OK, No") << QList<int>{qav::AnsOk, qav::AnsNo} << 2 << false;
        QTest::newRow("defaults") << QList<int>{} << 1 << false;
        QTest::newRow("OK, Yes") << QList<int>{qav::AnsOk, qav::AnsYes} << 2 << true;
    }

    void deletePending()
    {
        QFETCH(QList<int>, answers);
        QFETCH(int, questions);
        QFETCH(bool, deleted);
        s().FormMode = 3;
        frmModFor w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Eliminar Formularios"));
        QCOMPARE(listed(w.grid()).at(0), kUno + "|EMPRESA UNO SAC|2023|7093");
        m_messages->answers = answers;
        button(w, "cmdOpciones0")->click();

        QCOMPARE(m_messages->shown.size(), questions);
        QCOMPARE(m_messages->shown.at(0).text, QStringLiteral("Se eliminarán todos los registros de la declaración "));
        QCOMPARE(m_messages->shown.at(0).style, qav::MbOkCancel | qav::MbExclamation | qav::MbDefaultButton2);
        QCOMPARE(m_messages->shown.at(0).title, QStringLiteral("Eliminar Formulario"));
        if (questions > 1) {
            QCOMPARE(m_messages->shown.at(1).text, QStringLiteral("¿Confirma que va a eliminar la declaración?"));
            QCOMPARE(m_messages->shown.at(1).style, qav::MbYesNo | qav::MbQuestion | qav::MbDefaultButton2);
            QCOMPARE(m_messages->shown.at(1).title, QStringLiteral("Eliminar Formulario"));
        }
        const QString key = QStringLiteral(" WHERE DOC_ID_D='%1' AND PERIODO='2023' AND FORMULARIO='7093'").arg(kUno);
        QCOMPARE(count("SELECT count(*) FROM CAB" + key), deleted ? 0 : 1);
        QCOMPARE(count("SELECT count(*) FROM DET" + key), deleted ? 0 : 1);
        QCOMPARE(count("SELECT count(*) FROM f7093des" + key), deleted ? 0 : 2);
        // Everything else stays.
        QCOMPARE(count("SELECT count(*) FROM CAB"), deleted ? 4 : 5);
        QCOMPARE(count("SELECT count(*) FROM DET"), deleted ? 4 : 5);
        QCOMPARE(count("SELECT count(*) FROM f7093des"), deleted ? 8 : 10);
        QCOMPARE(count("SELECT count(*) FROM HCAB"), 3);
        QCOMPARE(count("SELECT count(*) FROM hf7093des"), 3);
        QCOMPARE(listed(w.grid()).contains(kUno + "|EMPRESA UNO SAC|2023|7093"), !deleted);
        QVERIFY(m_seen.isEmpty());
    }

    // After a deletion the list is read again and the window stays: the row in the deleted
    // one's place (the one now last, when the last row was deleted) becomes current, and the
    // session and the status bar follow it, so Enter goes on with that row; once the list
    // is empty Enter and Eliminar do nothing.
    void deletionLeavesARowCurrent_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("ruc");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("lastRuc"); // the one row left after the second deletion
        QTest::newRow("the last row") << 2 << 1 << kUno << "2022" << kUno;
        QTest::newRow("the first row") << 0 << 0 << kUno << "2022" << kDos;
    }
    void deletionLeavesARowCurrent()
    {
        QFETCH(int, row);
        QFETCH(int, current);
        QFETCH(QString, ruc);
        QFETCH(QString, period);
        QFETCH(QString, lastRuc);
        declmod::QAVStatBar bar;
        s().FormMode = 3;
        frmModFor w;
        w.show();
        QCOMPARE(w.grid()->model()->rowCount(), 3);
        selectRow(w.grid(), row);
        m_messages->answers = {qav::AnsOk, qav::AnsYes};
        button(w, "cmdOpciones0")->click();
        QCOMPARE(m_messages->shown.size(), 2);
        QCOMPARE(w.grid()->model()->rowCount(), 2);
        QVERIFY(w.isVisible());
        QCOMPARE(w.grid()->currentIndex().row(), current);
        QCOMPARE(s().TaxpayerId, ruc);
        QCOMPARE(s().Period, period);
        QCOMPARE(bar.numdoc(), ruc);
        QCOMPARE(bar.periodo_ejercicio(), period);

        // Enter deletes the row now current.
        m_messages->shown.clear();
        m_messages->answers = {qav::AnsOk, qav::AnsYes};
        QTest::keyClick(w.grid(), Qt::Key_Return);
        QCOMPARE(m_messages->shown.size(), 2);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM CAB WHERE DOC_ID_D='%1' AND PERIODO='%2'"
                                      " AND FORMULARIO='7093'").arg(ruc, period)),
                 0);
        QCOMPARE(w.grid()->model()->rowCount(), 1);
        QCOMPARE(w.grid()->currentIndex().row(), 0);
        QCOMPARE(s().TaxpayerId, lastRuc);
        QCOMPARE(bar.numdoc(), lastRuc);

        // The last one, then nothing is left to delete.
        m_messages->answers = {qav::AnsOk, qav::AnsYes};
        button(w, "cmdOpciones0")->click();
        QCOMPARE(w.grid()->model()->rowCount(), 0);
        QVERIFY(!w.grid()->isEnabled());
        m_messages->shown.clear();
        m_messages->answers = {qav::AnsOk, qav::AnsYes};
        button(w, "cmdOpciones0")->click();
        QTest::keyClick(w.grid(), Qt::Key_Return);
        QVERIFY(m_messages->shown.isEmpty());
        QCOMPARE(count("SELECT count(*) FROM CAB"), 2); // the other user's and the other form's
        QVERIFY(w.isVisible());
    }

    // Deleting a sent declaration removes only that sending's rows (its CORREL).
    void deleteSent()
    {
        setUserType("1");
        s().FormMode = 3;
        s().HistoryList = true;
        QVERIFY(s().Db.execute("UPDATE HCAB SET estado=1"));
        frmModFor w;
        QCOMPARE(listed(w.grid(), {8}), (QStringList{kUno + "|EMPRESA UNO SAC|2022|7093|001",
                                                     kUno + "|EMPRESA UNO SAC|2022|7093|002"}));
        selectRow(w.grid(), 1);
        m_messages->answers = {qav::AnsOk, qav::AnsYes};
        w.cmdOpciones_Click(0);
        QCOMPARE(count("SELECT count(*) FROM HCAB WHERE CORREL='002'"), 0);
        QCOMPARE(count("SELECT count(*) FROM HDET WHERE CORREL='002'"), 0);
        QCOMPARE(count("SELECT count(*) FROM hf7093des WHERE correl='002'"), 0);
        QCOMPARE(count("SELECT count(*) FROM HCAB"), 2);
        QCOMPARE(count("SELECT count(*) FROM HDET"), 2);
        QCOMPARE(count("SELECT count(*) FROM hf7093des"), 2);
        QCOMPARE(count("SELECT count(*) FROM CAB"), 5);
        QCOMPARE(count("SELECT count(*) FROM f7093des"), 10);
        QCOMPARE(listed(w.grid(), {8}), QStringList{kUno + "|EMPRESA UNO SAC|2022|7093|001"});
    }

    // A deletion the database refuses part way removes nothing and says so; the window
    // stays with the declaration listed.
    void failedDeletionRemovesNothing()
    {
        QVERIFY(s().Db.execute(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON f7093des BEGIN "
                                              "SELECT RAISE(ABORT, 'disco lleno'); END")));
        s().FormMode = 3;
        frmModFor w;
        m_messages->answers = {qav::AnsOk, qav::AnsYes};
        w.cmdOpciones_Click(0);
        QCOMPARE(m_messages->shown.size(), 3);
        QCOMPARE(m_messages->shown.at(2).icon(), int(qav::MbCritical));
        QVERIFY(m_messages->shown.at(2).text.contains(QStringLiteral("disco lleno")));
        QCOMPARE(count("SELECT count(*) FROM CAB"), 5);
        QCOMPARE(count("SELECT count(*) FROM DET"), 5);
        QCOMPARE(count("SELECT count(*) FROM f7093des"), 10);
        QCOMPARE(listed(w.grid()).at(0), kUno + "|EMPRESA UNO SAC|2023|7093");
    }

    // Modify: the chosen row's values go into the session, the list is hidden while the
    // declaration window is open, and afterwards the same row is current again.
    void modifyOpensTheDeclaration()
    {
        frmModFor w;
        w.show();
        selectRow(w.grid(), 2);
        QTest::keyClick(w.grid(), Qt::Key_Return);
        QCOMPARE(m_seen.size(), 1);
        const Seen &seen = m_seen.at(0);
        QCOMPARE(seen.taxpayerId, kDos);
        QCOMPARE(seen.taxpayerName, kQuoted);
        QCOMPARE(seen.period, QStringLiteral("2023"));
        QCOMPARE(seen.semana, 0);
        QCOMPARE(seen.formMode, 2);
        QVERIFY(!seen.sentMode);
        QVERIFY(!seen.selectionVisible);
        QCOMPARE(w.grid()->currentIndex().row(), 2);

        selectRow(w.grid(), 1);
        emit w.grid()->doubleClicked(w.grid()->currentIndex());
        QCOMPARE(m_seen.size(), 2);
        QCOMPARE(m_seen.at(1).period, QStringLiteral("2022"));
        QCOMPARE(w.grid()->currentIndex().row(), 1);
    }

    // Viewing a sending hands over its key values, read only, and comes back to its row;
    // Salir ends the sent mode.
    void viewSent()
    {
        s().SentMode = true;
        s().OrderNumberChanged = true;
        frmAbrirEnv w;
        w.show();
        selectRow(w.grid(), 1);
        button(w, "CmdOpciones0")->click();
        QCOMPARE(m_seen.size(), 1);
        const Seen &seen = m_seen.at(0);
        QCOMPARE(seen.taxpayerId, kUno);
        QCOMPARE(seen.taxpayerName, QStringLiteral("EMPRESA UNO SAC"));
        QCOMPARE(seen.period, QStringLiteral("2022"));
        QCOMPARE(seen.sentCorrel, QStringLiteral("002"));
        QCOMPARE(seen.sentControl, QStringLiteral("CTRL002"));
        QCOMPARE(seen.sentOrder, QStringLiteral("12345672"));
        QVERIFY(seen.sentMode);
        QVERIFY(!seen.orderChanged);
        QCOMPARE(w.grid()->currentIndex().row(), 1);
        QVERIFY(s().SentMode);
        button(w, "CmdOpciones1")->click();
        QVERIFY(!s().SentMode);
        QVERIFY(!w.isVisible());
    }

    // The status bar follows the current row and is cleared when the list closes: Salir,
    // Escape or the window going away.
    void statusBarFollowsTheRow()
    {
        declmod::QAVStatBar bar;
        QCOMPARE(s().StatusBar.data(), &bar);
        {
            frmModFor w;
            QCOMPARE(bar.numdoc(), kUno);
            QCOMPARE(bar.periodo_ejercicio(), QStringLiteral("2023"));
            selectRow(w.grid(), 2);
            QCOMPARE(bar.numdoc(), kDos);
            QCOMPARE(bar.razonsocial(), kQuoted);
            QCOMPARE(bar.periodo_ejercicio(), QStringLiteral("2023"));
            QCOMPARE(bar.formulario(), QStringLiteral("7093"));
            QCOMPARE(s().TaxpayerId, kDos);
        }
        QVERIFY(bar.numdoc().isEmpty());
        QVERIFY(bar.razonsocial().isEmpty());
        QVERIFY(bar.periodo_ejercicio().isEmpty());
        QVERIFY(bar.formulario().isEmpty());

        for (const char *how : {"Salir", "Escape", "unload"}) {
            s().SentMode = true;
            auto w = std::make_unique<frmAbrirEnv>();
            w->show();
            selectRow(w->grid(), 1);
            QCOMPARE(bar.numdoc(), kUno);
            QCOMPARE(bar.razonsocial(), QStringLiteral("EMPRESA UNO SAC"));
            QCOMPARE(bar.periodo_ejercicio(), QStringLiteral("2022"));
            QCOMPARE(bar.formulario(), QStringLiteral("7093"));
            if (how == QByteArray("Salir"))
                button(*w, "CmdOpciones1")->click();
            else if (how == QByteArray("Escape"))
                QTest::keyClick(w.get(), Qt::Key_Escape);
            else
                w.reset();
            QVERIFY2(bar.numdoc().isEmpty(), how);
            QVERIFY2(bar.razonsocial().isEmpty(), how);
            QVERIFY2(bar.periodo_ejercicio().isEmpty(), how);
            QVERIFY2(bar.formulario().isEmpty(), how);
        }
    }

    // Without declarations the lists are disabled and their action does nothing.
    void emptyLists()
    {
        for (const char *t : {"CAB", "HCAB"})
            QVERIFY(s().Db.execute(QStringLiteral("DELETE FROM ") + t));
        s().FormMode = 3;
        frmModFor del;
        QVERIFY(!del.grid()->isEnabled());
        m_messages->answers = {qav::AnsOk, qav::AnsYes};
        del.cmdOpciones_Click(0);
        QVERIFY(m_messages->shown.isEmpty());
        s().FormMode = 2;
        frmModFor mod;
        mod.cmdOpciones_Click(0);
        frmAbrirEnv view;
        QVERIFY(!view.grid()->isEnabled());
        view.CmdOpciones_Click(0);
        QVERIFY(m_seen.isEmpty());
        QCOMPARE(count("SELECT count(*) FROM f7093des"), 10);
    }

    // A session user whose name holds a quote sees his own taxpayers.
    void userNameWithQuote()
    {
        const QString user = QStringLiteral("D'ANGELO");
        QVERIFY(add("CLAVES", {{"Usuario", user}, {"Tipo", "1"}}));
        QVERIFY(s().Db.execute(QStringLiteral("UPDATE CONT SET Usuario=? WHERE Doc_id_d=?"), {user, kOtro}));
        s().SysUser = user;
        frmModFor w;
        QCOMPARE(listed(w.grid()), QStringList{kOtro + "|OTRA EMPRESA|2023|7093"});
    }
};

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
