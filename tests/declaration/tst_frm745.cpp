// The declaration window driven as an operator would, offscreen, with the scripted
// message service: identification checks and their bounds, the record buttons, saving and
// its failure, the exit questions, validation and the sent declaration's order number.

#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/detailgridmodel.h"
#include "declmod/declaration/frm745.h"
#include "declmod/declaration/frmconsist.h"
#include "declmod/declaration/recorddialogs.h"
#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"

#include "common/gui/guimessages.h"
#include "common/text/textfile.h"
#include "common/time/clock.h"
#include "tests/declaration/declfixture.h"
#include "tests/support/textentry.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QHeaderView>
#include <QTextBlock>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <QScopeGuard>

#include <algorithm>

using namespace declmod;
using qavtest::DeclFixture;

namespace {

const QString kRucA = QStringLiteral("20100066440");
const QString kRucB = QStringLiteral("20999999991");

template <typename T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// Another session of the same user, on a connection of its own, that changes the
// declaration's records; end() lets it go as an unexpected end does.
struct OtherSession {
    qav::Database db{QStringLiteral("other-session")};
    std::unique_ptr<RecoveryFile> kept;
    bool start(const qavtest::Sandbox &sandbox, const VoucherRecord &added)
    {
        const Session &s = session();
        kept = std::make_unique<RecoveryFile>(db, recoveryFolder(),
                                              installationTag(s.SysPath, s.DbFile));
        WorkingTable wt(db);
        const DeclarationKey key{kRucA, "2023", "7093", 0, {}};
        if (!db.open(sandbox.openOptions()) || !wt.create() || !wt.fillFromStored(key, false))
            return false;
        // As the window does: the file is based on the version of the declaration it loaded.
        const auto loaded =
            DeclarationStore(db).version(key, DeclarationStore::Records::WorkingTable);
        if (!loaded)
            return false;
        kept->setBaseVersion(*loaded);
        return !kept->open(key, [] { return true; }) && wt.insert(added)
            && kept->takeFailure().isEmpty();
    }
    void end()
    {
        kept.reset();
        db.close();
    }
};

QString funcion233(const QString &description)
{
    QString f = description.leftJustified(66, u' ');
    f += u'1';
    return f;
}

// Message boxes shown for real, as the operator sees them: each one is modal and takes the
// activation from the window under it; as soon as it is the active window its default
// button is pressed and its text kept.
class RealMessageBoxes : public QObject
{
public:
    RealMessageBoxes()
    {
        qav::setMessageService(std::make_shared<qav::GuiMessageService>());
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isActiveWindow() && box->defaultButton()) {
                seen << box->text();
                box->defaultButton()->click();
            }
        });
        m_timer.start(10);
    }
    QStringList seen;

private:
    QTimer m_timer;
};

} // namespace

class TestFrm745 : public QObject
{
    Q_OBJECT

    DeclFixture m_fx;
    QAVStatBar *m_bar = nullptr;
    qav::Database &db() { return session().Db; }

    QStringList shown() const
    {
        QStringList t;
        for (const auto &m : m_fx.messages->shown)
            t << m.text;
        return t;
    }

    std::unique_ptr<Frm745> openNew()
    {
        Session &s = session();
        s.FormMode = 1;
        s.SentMode = false;
        auto w = std::make_unique<Frm745>();
        w->showConsistency = [this](const QString &path) {
            FrmConsist dlg(path);
            m_consistText = dlg.text();
        };
        w->show();
        return w;
    }

    // A new declaration's window, shown and active as the operator finds it.
    std::unique_ptr<Frm745> openNewActive()
    {
        auto w = openNew();
        w->activateWindow();
        return QTest::qWaitForWindowActive(w.get()) ? std::move(w) : nullptr;
    }

    std::unique_ptr<Frm745> openPending(const QString &ruc, const QString &period)
    {
        Session &s = session();
        s.FormMode = 2;
        s.SentMode = false;
        s.TaxpayerId = ruc;
        s.TaxpayerName = "EMPRESA A";
        s.Period = period;
        s.Semana = 3; // the window always works on week 0
        auto w = std::make_unique<Frm745>();
        w->show();
        return w;
    }

    std::unique_ptr<Frm745> openSent(const QString &control, const QString &norden)
    {
        Session &s = session();
        s.FormMode = 2;
        s.SentMode = true;
        s.TaxpayerId = kRucA;
        s.TaxpayerName = "EMPRESA A";
        s.Period = "2022";
        s.SentCorrel = "001";
        s.SentControl = control;
        s.SentOrderNumber = norden;
        s.OrderNumberChanged = false;
        auto w = std::make_unique<Frm745>();
        w->show();
        return w;
    }

    void chooseTaxpayer(Frm745 *w, const QString &ruc)
    {
        auto *cmb = child<QComboBox>(w, "CmbRuc");
        const int i = cmb->findText(ruc, Qt::MatchStartsWith);
        QVERIFY(i >= 0);
        cmb->setCurrentIndex(i);
        emit cmb->activated(i);
    }

    void typeExercise(Frm745 *w, const QString &year)
    {
        auto *e = child<QLineEdit>(w, "MkePeriodo");
        e->setFocus();
        e->setCursorPosition(0);
        QTest::keyClicks(e, year);
    }

    QString m_consistText;

private slots:
    void init()
    {
        QString why;
        QVERIFY2(m_fx.setUp(&why), qPrintable(why));
        qav::setFixedNow(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        QVERIFY(db().execute("INSERT INTO CLAVES VALUES (?, 'Usuario', '0')", {session().SysUser}));
        QVERIFY(db().execute("INSERT INTO CONT VALUES (6, ?, 'J', 'EMPRESA A', '', '', ?)",
                             {kRucA, session().SysUser}));
        QVERIFY(db().execute("INSERT INTO CONT VALUES (6, ?, 'J', 'EMPRESA B', '', '', ?)",
                             {kRucB, session().SysUser}));
        QVERIFY(db().execute("DELETE FROM PARAM WHERE Numero='233'"));
        QVERIFY(db().execute("INSERT INTO PARAM VALUES ('233', '01', ?, '')", {funcion233("FACTURA")}));
        QVERIFY(db().execute("INSERT INTO PARAM VALUES ('233', '07', ?, '')", {funcion233("NOTA DE CREDITO")}));
        m_bar = new QAVStatBar;
        session().StatusBar = m_bar;
        m_consistText.clear();
        setDetailDialogOpener({});
        setImportDialogOpener({});
    }
    void cleanup()
    {
        delete m_bar;
        qav::setFixedNow(QDateTime());
        m_fx.tearDown();
    }

    void newDeclarationOpensEmpty()
    {
        auto w = openNew();
        QCOMPARE(w->windowTitle(), QStringLiteral("QAV Detalle de Operaciones "));
        QVERIFY(child<QComboBox>(w.get(), "CmbRuc")->isVisible());
        QVERIFY(!child<QLineEdit>(w.get(), "TxtNumRuc")->isVisible());
        QCOMPARE(child<QComboBox>(w.get(), "CmbRuc")->count(), 2);
        QCOMPARE(child<QComboBox>(w.get(), "CmbRuc")->itemText(0), kRucA + "  EMPRESA A");
        QCOMPARE(child<QLabel>(w.get(), "lbltotal")->text(), QString());
        QCOMPARE(child<QLabel>(w.get(), "lblTotGra")->text(), QString());
        QCOMPARE(child<QLabel>(w.get(), "lblregistros")->text(), QStringLiteral("0  Registros"));
        QCOMPARE(m_bar->formulario(), QStringLiteral("7093"));
        QCOMPARE(w->property("helpTopic").toInt(), 1013);
        QVERIFY(!child<QLineEdit>(w.get(), "txtOrden")->isVisible());
        QVERIFY(!w->Modified());
        QVERIFY(m_fx.messages->shown.isEmpty());
        // The list is only chosen from: typed keys change nothing.
        QTest::keyClicks(child<QComboBox>(w.get(), "CmbRuc"), "2");
        QCOMPARE(child<QComboBox>(w.get(), "CmbRuc")->currentIndex(), -1);
    }

    void exerciseCheckedWhileTyping_data()
    {
        QTest::addColumn<bool>("chooseFirst");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("message");
        QTest::newRow("2003 refused") << true << "2003" << "¡El Ejercicio no es Válido!";
        QTest::newRow("current year refused") << true << "2026" << "¡El Ejercicio no es Válido!";
        QTest::newRow("2004 accepted") << true << "2004" << "";
        QTest::newRow("last year accepted") << true << "2025" << "";
        QTest::newRow("no taxpayer") << false << "2020" << "¡Debe Seleccionar un Contribuyente!";
        QTest::newRow("existing header") << true << "2023"
            << "¡El formulario que desea ingresar ya existe, elija la opción Modificar"
               " formularios o corrija el ejercicio!";
    }
    void exerciseCheckedWhileTyping()
    {
        QFETCH(bool, chooseFirst);
        QFETCH(QString, year);
        QFETCH(QString, message);
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {}));
        auto w = openNew();
        if (chooseFirst)
            chooseTaxpayer(w.get(), kRucA);
        QVERIFY(m_fx.messages->shown.isEmpty());
        typeExercise(w.get(), year);
        QCOMPARE(shown(), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(m_fx.messages->shown[0].style, int(qav::MbCritical));
            QCOMPARE(m_fx.messages->shown[0].title, Frm745::caption());
        }
        QCOMPARE(session().Period, message.isEmpty() ? year : QString());
        QCOMPARE(session().TaxpayerId, message.isEmpty() ? kRucA : QString());
    }

    void identificationCheckOnSave_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("telephone");
        QTest::addColumn<QString>("message");
        QTest::newRow("1999") << "1999" << "" << "¡El Ejercicio no es Válido!";
        QTest::newRow("2000 passes the save") << "2000" << "" << "";
        QTest::newRow("2003 passes the save") << "2003" << "" << "";
        QTest::newRow("current year") << "2026" << "" << "¡El Ejercicio no es Válido!";
        QTest::newRow("incomplete") << "20" << "" << "¡El Ejercicio no es Válido!";
        QTest::newRow("telephone 5") << "2020" << "12345" << "Ingrese correctamente el teléfono";
        QTest::newRow("telephone 1") << "2020" << "1" << "Ingrese correctamente el teléfono";
        QTest::newRow("telephone 6") << "2020" << "123456" << "";
        QTest::newRow("telephone 7") << "2020" << "1234567" << "";
        QTest::newRow("existing header") << "2023" << ""
            << "El formulario que desea ingresar ya existe, elija la opción Modificar formularios"
               " o elija otro RUC";
    }
    void identificationCheckOnSave()
    {
        QFETCH(QString, year);
        QFETCH(QString, telephone);
        QFETCH(QString, message);
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {"01|0001|01|1.00|1.00"}, 9));
        auto w = openNew();
        chooseTaxpayer(w.get(), kRucA);
        typeExercise(w.get(), year);
        child<QLineEdit>(w.get(), "TxtTelefono")->setText(telephone);
        QVERIFY(WorkingTable(db()).insert({"01", "0009", "02", "10.00", "5.00"}));
        m_fx.messages->shown.clear();
        const bool saved = w->GrabarForm();
        QCOMPARE(saved, message.isEmpty());
        if (!saved) {
            QCOMPARE(shown().value(0), message);
            QCOMPARE(child<QTabWidget>(w.get(), "tab0745")->currentIndex(), 0);
            // The existing header is never touched.
            QCOMPARE(DeclarationStore(db()).storedEstado({kRucA, "2023", "7093", 0, {}}), 9);
            QCOMPARE(db().scalar("SELECT count(*) FROM f7093des").toInt(), 1);
        } else {
            QCOMPARE(shown().last(), QStringLiteral("Toda la información del formulario fue"
                                                    " grabada satisfactoriamente."));
            QCOMPARE(DeclarationStore(db()).storedEstado({kRucA, year, "7093", 0, {}}), 0);
            QCOMPARE(session().FormMode, 2);
            QVERIFY(!child<QComboBox>(w.get(), "CmbRuc")->isVisible());
            QCOMPARE(child<QLineEdit>(w.get(), "TxtNumRuc")->text(), kRucA);
            QCOMPARE(child<QLineEdit>(w.get(), "TxtRazon")->text(), QStringLiteral("EMPRESA A"));
            QVERIFY(!child<QLineEdit>(w.get(), "MkePeriodo")->isEnabled());
        }
    }

    void newDeclarationWithoutKeyStoresNothing()
    {
        auto w = openNew();
        QVERIFY(WorkingTable(db()).insert({"01", "0009", "02", "10.00", "5.00"}));
        QVERIFY(!w->GrabarForm());
        QCOMPARE(shown().value(0), QStringLiteral("¡El Ejercicio no es Válido!"));
        typeExercise(w.get(), "2020");
        m_fx.messages->shown.clear();
        QVERIFY(!w->GrabarForm());
        QCOMPARE(shown(), QStringList{"Debe seleccionar un declarante"});
        QCOMPARE(db().scalar("SELECT count(*) FROM f7093des").toInt(), 0);
        QCOMPARE(db().scalar("SELECT count(*) FROM CAB").toInt(), 0);
    }

    void choosingATaxpayerChecksForDuplicates()
    {
        QVERIFY(DeclFixture::addPending(db(), kRucB, "2020", {}));
        auto w = openNew();
        chooseTaxpayer(w.get(), kRucA);
        QVERIFY(m_fx.messages->shown.isEmpty()); // the exercise is still empty
        QCOMPARE(child<QLineEdit>(w.get(), "TxtRazon")->text().trimmed(), QStringLiteral("EMPRESA A"));
        QCOMPARE(m_bar->numdoc(), kRucA);
        typeExercise(w.get(), "2020");
        QVERIFY(m_fx.messages->shown.isEmpty());
        chooseTaxpayer(w.get(), kRucB);
        QCOMPARE(shown(), QStringList{"La declaración que desea registrar ya existe, elija la"
                                      " opción modificar declaración o elija otro contribuyente."});
    }

    void saveWritesRecordsAndEstado()
    {
        auto w = openNew();
        chooseTaxpayer(w.get(), kRucA);
        typeExercise(w.get(), "2020");
        w->Cmdgeneral_Click(1);
        QCOMPARE(shown(), (QStringList{"No ha ingresado información para todo los meses",
                                       "La información del formulario fue grabada con"
                                       " inconsistencias.\nEn estas condiciones no podrá ser"
                                       " enviado a ORTAX."}));
        QCOMPARE(DeclarationStore(db()).storedEstado({kRucA, "2020", "7093", 0, {}}), 9);
        WorkingTable wt(db());
        for (int m = 1; m <= 12; ++m)
            QVERIFY(wt.insert({"01", "0001", QString::number(m).rightJustified(2, '0'), "100", "18"}));
        m_fx.messages->shown.clear();
        w->Cmdgeneral_Click(1);
        QCOMPARE(shown(), QStringList{"Toda la información del formulario fue grabada satisfactoriamente."});
        QCOMPARE(DeclarationStore(db()).storedEstado({kRucA, "2020", "7093", 0, {}}), 0);
        QCOMPARE(db().scalar("SELECT count(*) FROM f7093des").toInt(), 12);
        QCOMPARE(db().scalar("SELECT count(*) FROM CAB").toInt(), 1);
        QVERIFY(!w->isClosed());
    }

    void openingAPendingDeclarationLoadsItsRecords()
    {
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023",
                                        {"07|0002|09|-1234.50|-100.00", "01|0001|03|100.00|18.00"}));
        QVERIFY(DeclFixture::addPending(db(), kRucB, "2023", {"01|0001|03|5.00|5.00"}));
        auto w = openPending(kRucA, "2023");
        QCOMPARE(session().Semana, 0);
        QCOMPARE(child<QLineEdit>(w.get(), "TxtNumRuc")->text(), kRucA);
        QVERIFY(child<QLineEdit>(w.get(), "TxtNumRuc")->isVisible());
        QVERIFY(!child<QComboBox>(w.get(), "CmbRuc")->isVisible());
        QCOMPARE(child<QLineEdit>(w.get(), "TxtRazon")->text(), QStringLiteral("EMPRESA A"));
        QCOMPARE(session().TaxpayerName, QStringLiteral("EMPRESA A"));
        QCOMPARE(child<QLineEdit>(w.get(), "MkePeriodo")->text(), QStringLiteral("2023"));
        QVERIFY(!child<QLineEdit>(w.get(), "MkePeriodo")->isEnabled());
        const QAbstractItemModel *m = child<QTableView>(w.get(), "grdGastos")->model();
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Tipo de Comprobante"));
        QCOMPARE(m->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Ventas Gravadas"));
        QCOMPARE(m->index(0, 0).data().toString().trimmed(), QStringLiteral("FACTURA"));
        QCOMPARE(m->index(1, 0).data().toString().trimmed(), QStringLiteral("NOTA DE CREDITO"));
        QCOMPARE(m->index(1, 2).data().toString(), QStringLiteral("Setiembre"));
        QCOMPARE(m->index(1, 3).data().toString(), QStringLiteral("(1,234.50)"));
        QCOMPARE(m->index(1, 3).data(Qt::UserRole).toString(), QStringLiteral("-1234.50"));
        QCOMPARE(child<QLabel>(w.get(), "lbltotal")->text(), QStringLiteral("-1,134.50"));
        QCOMPARE(child<QLabel>(w.get(), "lblTotGra")->text(), QStringLiteral("-82.00"));
        QCOMPARE(child<QLabel>(w.get(), "lblregistros")->text(), QStringLiteral("2  Registros"));
        // Nothing changed: Salir closes without asking.
        w->Cmdgeneral_Click(2);
        QVERIFY(m_fx.messages->shown.isEmpty());
        QVERIFY(w->isClosed());
    }

    // A stored amount that is not a number: the totals are not shown (a sum over it would
    // be wrong), the window names the record once, and the totals come back once the
    // record is gone.
    void totalsOfAnAmountThatIsNotANumber()
    {
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023",
                                        {"01|0001|03|100.00|18.00", "01|F002|04|12a|1.00"}));
        auto w = openPending(kRucA, "2023");
        const QString named = "Importe no válido en la serie F002, mes 04: \"12a\"";
        QCOMPARE(m_fx.messages->shown.size(), 1);
        QCOMPARE(m_fx.messages->shown[0].text,
                 named + "\nLos totales no se muestran hasta que el registro sea corregido o"
                         " eliminado.");
        QCOMPARE(m_fx.messages->shown[0].title, Frm745::caption());
        for (const char *label : {"lbltotal", "lblTotGra"}) {
            QCOMPARE(child<QLabel>(w.get(), label)->text(), QStringLiteral("Importe no válido"));
            QCOMPARE(child<QLabel>(w.get(), label)->toolTip(), named);
        }
        QCOMPARE(child<QLabel>(w.get(), "lblregistros")->text(), QStringLiteral("2  Registros"));
        // Recomputed with the record still there: the labels keep saying so, no second box.
        w->SumaTotal();
        QCOMPARE(m_fx.messages->shown.size(), 1);
        QCOMPARE(child<QLabel>(w.get(), "lbltotal")->text(), QStringLiteral("Importe no válido"));
        QVERIFY(WorkingTable(db()).remove("F002", "01", "04"));
        w->SumaTotal();
        QCOMPARE(child<QLabel>(w.get(), "lbltotal")->text(), QStringLiteral("100.00"));
        QCOMPARE(child<QLabel>(w.get(), "lblTotGra")->text(), QStringLiteral("18.00"));
        QCOMPARE(child<QLabel>(w.get(), "lbltotal")->toolTip(), QString());
        QCOMPARE(m_fx.messages->shown.size(), 1);
    }

    void exitAsksAfterRecordsChanged_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<int>("storedRows");
        QTest::newRow("cancel") << int(qav::AnsCancel) << false << 1;
        QTest::newRow("no") << int(qav::AnsNo) << true << 1;
        QTest::newRow("yes") << int(qav::AnsYes) << true << 2;
    }
    void exitAsksAfterRecordsChanged()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(int, storedRows);
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {"01|0001|03|100.00|18.00"}));
        auto w = openPending(kRucA, "2023");
        // A record added through the voucher dialog, after which the window is active again.
        setDetailDialogOpener([](QWidget *, DetailGridHost &host) {
            QVERIFY(session().DetailAddMode);
            QVERIFY(WorkingTable(session().Db).insert({"01", "0002", "04", "5.00", "1.00"}));
            host.refrescargrid();
            host.SumaTotal();
        });
        w->cmdDetalle_Click(0);
        QCOMPARE(child<QLabel>(w.get(), "lblregistros")->text(), QStringLiteral("2  Registros"));
        QVERIFY(!w->Modified());
        m_fx.messages->answers = {answer};
        w->Cmdgeneral_Click(2);
        QCOMPARE(shown().value(0),
                 QStringLiteral("¿El formulario ha sido modificado, desea guardar los cambios?"));
        QCOMPARE(m_fx.messages->shown[0].style, int(qav::MbYesNoCancel | qav::MbQuestion));
        QCOMPARE(w->isClosed(), closed);
        QCOMPARE(db().scalar("SELECT count(*) FROM f7093des").toInt(), storedRows);
        if (answer == qav::AnsYes)
            QCOMPARE(session().Period, QString());
    }

    void failedSaveKeepsTheWindowAndTheStoredDeclaration()
    {
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {"01|0001|03|100.00|18.00"}, 9));
        auto w = openPending(kRucA, "2023");
        QVERIFY(WorkingTable(db()).insert({"01", "0002", "04", "5.00", "1.00"}));
        QVERIFY(db().execute("INSERT INTO DET VALUES (6, ?, '2023', '7093', 0, '100', '5')", {kRucA}));
        if (m_fx.sandbox->server)
            QSKIP("the failure is made by a trigger of the embedded engine");
        QVERIFY(db().execute("CREATE TRIGGER full_disk BEFORE DELETE ON DET"
                             " BEGIN SELECT RAISE(ABORT, 'disco lleno'); END"));
        m_fx.messages->answers = {qav::AnsYes};
        w->Cmdgeneral_Click(2);
        QVERIFY(!w->isClosed());
        QVERIFY(shown().last().startsWith("No se pudo grabar el formulario. La información grabada"
                                          " anteriormente no ha cambiado."));
        QVERIFY(shown().last().contains("disco lleno"));
        QCOMPARE(DeclFixture::rows(db(), "SELECT tip_com, num_ser FROM f7093des"),
                 QStringList{"01|0001"});
        QCOMPARE(DeclarationStore(db()).storedEstado({kRucA, "2023", "7093", 0, {}}), 9);
        QCOMPARE(WorkingTable(db()).count(), 2);
        // Once the disk is back, the next save goes through and closes, as asked.
        QVERIFY(db().execute("DROP TRIGGER full_disk"));
        w->Cmdgeneral_Click(1);
        QVERIFY(w->isClosed());
        QCOMPARE(db().scalar("SELECT count(*) FROM f7093des").toInt(), 2);
    }

    // "&Grabar" after another session (its own connection) saved or deleted the declaration
    // the window loaded: the window says so and asks; No stores nothing and keeps the window
    // open, Yes stores the window's records. Once saved, the next save does not ask.
    void saveAfterAnotherSessionChangedTheDeclaration_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("answer");
        QTest::newRow("saved elsewhere, keep theirs") << "saved" << int(qav::AnsNo);
        QTest::newRow("saved elsewhere, replace") << "saved" << int(qav::AnsYes);
        QTest::newRow("deleted elsewhere, keep it deleted") << "deleted" << int(qav::AnsNo);
        QTest::newRow("deleted elsewhere, store again") << "deleted" << int(qav::AnsYes);
    }
    void saveAfterAnotherSessionChangedTheDeclaration()
    {
        QFETCH(QString, change);
        QFETCH(int, answer);
        const QString question = QStringLiteral("La declaración fue grabada o eliminada en otra"
                                                " sesión después de que esta ventana la cargó.");
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {"01|0001|03|100.00|18.00"}));
        auto w = openPending(kRucA, "2023");
        QVERIFY(WorkingTable(db()).insert({"01", "0002", "04", "5.00", "1.00"}));

        qav::Database other(QStringLiteral("other-session"));
        QVERIFY(other.open(m_fx.sandbox->openOptions()));
        const DeclarationKey k{kRucA, "2023", "7093", 0, {}};
        if (change == "saved") {
            WorkingTable theirs(other);
            QVERIFY(theirs.create());
            QVERIFY(theirs.fillFromStored(k, false));
            QVERIFY(theirs.insert({"07", "0009", "09", "-2.00", "-1.00"}));
            QVERIFY(DeclarationStore(other).savePending(k, true, qav::today()));
        } else {
            QVERIFY(DeclarationStore(other).deletePending(k));
        }
        other.close();
        const QString records = "SELECT tip_com, num_ser FROM f7093des ORDER BY 1, 2";
        const QStringList theirs = DeclFixture::rows(db(), records);

        m_fx.messages->answers = {answer};
        w->Cmdgeneral_Click(1);
        const auto asked = std::find_if(m_fx.messages->shown.cbegin(), m_fx.messages->shown.cend(),
                                        [&](const qav::Message &m) { return m.text.startsWith(question); });
        QVERIFY2(asked != m_fx.messages->shown.cend(), qPrintable(shown().join(" / ")));
        QVERIFY(asked->text.contains("¿Desea reemplazarla con los registros de esta ventana?"));
        QCOMPARE(asked->style, int(qav::MbYesNo | qav::MbExclamation | qav::MbDefaultButton2));
        QCOMPARE(asked->title, Frm745::caption());
        QVERIFY(!w->isClosed());
        const bool savedMessage = shown().last().startsWith("Toda la información del formulario fue grabada");
        if (answer == qav::AnsNo) {
            QVERIFY(!savedMessage);
            QCOMPARE(DeclFixture::rows(db(), records), theirs);
            QCOMPARE(WorkingTable(db()).count(), 2); // the window's records are still there
            // Asked again on the next save, which now replaces.
            m_fx.messages->shown.clear();
            m_fx.messages->answers = {qav::AnsYes};
            w->Cmdgeneral_Click(1);
            QVERIFY(shown().join(" / ").contains(question));
        } else {
            QVERIFY2(savedMessage, qPrintable(shown().join(" / ")));
        }
        QCOMPARE(DeclFixture::rows(db(), records), (QStringList{"01|0001", "01|0002"}));
        // What this window saved is what it now holds as stored: no question any more.
        m_fx.messages->shown.clear();
        w->Cmdgeneral_Click(1);
        QVERIFY(!shown().join(" / ").contains(question));
        QVERIFY(shown().last().startsWith("Toda la información del formulario fue grabada"));
    }

    void validationListsTheInconsistencies()
    {
        auto w = openNew();
        chooseTaxpayer(w.get(), kRucA);
        typeExercise(w.get(), "2020");
        child<QLineEdit>(w.get(), "TxtTelefono")->setText("123");
        m_fx.messages->shown.clear();
        w->Cmdgeneral_Click(0);
        QCOMPARE(shown(), QStringList{"No ha ingresado información para todo los meses"});
        QCOMPARE(m_consistText, QStringLiteral("Ingrese correctamente el teléfono\n"
                                               "Debe ingresar por lo menos un registro\n"));
    }

    void validationWithoutTaxpayerListsBoth()
    {
        auto w = openNew();
        typeExercise(w.get(), "2020");
        child<QLineEdit>(w.get(), "TxtTelefono")->setText("12");
        m_fx.messages->shown.clear();
        w->ValidaTodo("0");
        QCOMPARE(m_consistText, QStringLiteral("Debe seleccionar un declarante\n"
                                               "Ingrese correctamente el teléfono\n"
                                               "Debe ingresar por lo menos un registro\n"));
    }

    void consistencyWindowListsAndLeadsToTheField_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("field");
        QTest::newRow("declarant") << 0 << 0 << "CmbRuc";
        QTest::newRow("telephone") << 1 << 0 << "TxtTelefono";
        QTest::newRow("no records") << 2 << 1 << "cmdDetalle0";
    }
    void consistencyWindowListsAndLeadsToTheField()
    {
        QFETCH(int, line);
        QFETCH(int, tab);
        QFETCH(QString, field);
        const QStringList lines{"Debe seleccionar un declarante", "Ingrese correctamente el teléfono",
                                "Debe ingresar por lo menos un registro"};
        const QString path = session().SysPath + "Mens.txt";
        QVERIFY(qav::writeTextLines(path, lines));
        auto w = openNew();
        chooseTaxpayer(w.get(), kRucA);
        typeExercise(w.get(), "2020");
        w->findChild<QTabWidget *>("tab0745")->setCurrentIndex(tab == 0 ? 1 : 0);
        QVERIFY(m_fx.messages->shown.isEmpty());

        FrmConsist dlg(path, w.get());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Inconsistencias detectadas"));
        QVERIFY(!child<QPushButton>(&dlg, "cmdImprimir")->isEnabled());
        QString chosen;
        connect(&dlg, &FrmConsist::lineChosen, w.get(), [&](const QString &l) {
            chosen = l;
            w->goToInconsistency(l);
        });
        dlg.show();
        auto *text = child<QPlainTextEdit>(&dlg, "TxtPreliminar");
        QTextCursor c(text->document()->findBlockByNumber(line));
        const QPoint at = text->cursorRect(c).center() + QPoint(4, 0);
        QTest::mouseDClick(text->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(chosen, lines[line]);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(child<QTabWidget>(w.get(), "tab0745")->currentIndex(), tab);
        QCOMPARE(w->focusWidget()->objectName(), field);
    }

    void consistencyWindowPrintsThroughTheReports()
    {
        const QString path = session().SysPath + "Mens.txt";
        QVERIFY(qav::writeTextLines(path, {"Debe ingresar por lo menos un registro"}));
        QString printed;
        FrmConsist::setPrinter([&](const QString &p, QWidget *) { printed = p; });
        FrmConsist dlg(path);
        QVERIFY(child<QPushButton>(&dlg, "cmdImprimir")->isEnabled());
        child<QPushButton>(&dlg, "cmdImprimir")->click();
        FrmConsist::setPrinter({});
        QCOMPARE(printed, path);
        dlg.show();
        child<QPushButton>(&dlg, "CmdGrabar")->click();
        QVERIFY(!dlg.isVisible());
    }

    void activationClearsTheIdentificationFlagButNotTheRecords()
    {
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {}));
        auto w = openNew();
        chooseTaxpayer(w.get(), kRucA);
        QVERIFY(w->Modified());
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(w.get(), &activate);
        QVERIFY(!w->Modified());
        // No taxpayer data changed since: Salir closes at once.
        w->Cmdgeneral_Click(2);
        QVERIFY(w->isClosed());
        QVERIFY(m_fx.messages->shown.isEmpty());
    }

    // A message box of the window, or a dialog it opened, hands the activation back to the
    // window; the focus then stays where the routine sent it (the taxpayer list takes it
    // only when a new declaration is first shown), and typing goes there.
    void focusAfterAMessageStaysWhereItWasSent_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("field");
        QTest::newRow("telephone on saving")
            << "grabar" << "Ingrese correctamente el teléfono" << 0 << "TxtTelefono";
        QTest::newRow("modify without records")
            << "modificar" << "No existen registros para modificar" << 1 << "cmdDetalle0";
        QTest::newRow("consistency line leads to the telephone") << "validar" << "" << 0 << "TxtTelefono";
    }
    void focusAfterAMessageStaysWhereItWasSent()
    {
        QFETCH(QString, action);
        QFETCH(QString, message);
        QFETCH(int, tab);
        QFETCH(QString, field);
        auto w = openNewActive();
        QVERIFY(w);
        QTRY_COMPARE(QApplication::focusWidget(), child<QComboBox>(w.get(), "CmbRuc"));
        chooseTaxpayer(w.get(), kRucA);
        typeExercise(w.get(), "2020");
        auto *tel = child<QLineEdit>(w.get(), "TxtTelefono");
        tel->setText(action == u"modificar" ? QString() : QStringLiteral("123"));
        QVERIFY(m_fx.messages->shown.isEmpty());

        RealMessageBoxes boxes;
        Frm745 *win = w.get();
        // The consistency window for real: a double click on the telephone's line.
        win->showConsistency = [win](const QString &path) {
            FrmConsist dlg(path, win);
            connect(&dlg, &FrmConsist::lineChosen, win, &Frm745::goToInconsistency);
            QTimer pick;
            connect(&pick, &QTimer::timeout, &dlg, [&] {
                if (!dlg.isActiveWindow())
                    return;
                pick.stop();
                auto *text = dlg.findChild<QPlainTextEdit *>("TxtPreliminar");
                for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next())
                    if (b.text().trimmed() == u"Ingrese correctamente el teléfono") {
                        QTextCursor c(b);
                        QTest::mouseDClick(text->viewport(), Qt::LeftButton, {},
                                           text->cursorRect(c).center() + QPoint(4, 0));
                        return;
                    }
                dlg.reject();
            });
            pick.start(10);
            dlg.exec();
        };
        // Twice: the second time the window's identification flag has been cleared by the
        // activation that followed the first.
        for (int round = 1; round <= 2; ++round) {
            boxes.seen.clear();
            if (action == u"grabar") {
                win->Cmdgeneral_Click(1);
            } else if (action == u"modificar") {
                child<QTabWidget>(win, "tab0745")->setCurrentIndex(1);
                win->cmdDetalle_Click(1);
            } else {
                win->Cmdgeneral_Click(0);
            }
            if (!message.isEmpty())
                QCOMPARE(boxes.seen, QStringList{message});
            // The window system gives the activation back to the window under the box.
            if (!win->isActiveWindow())
                win->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(win));
            QTest::qWait(50); // activation events that are still queued
            QVERIFY(!w->Modified());
            QCOMPARE(child<QTabWidget>(win, "tab0745")->currentIndex(), tab);
            QVERIFY2(QApplication::focusWidget(), qPrintable(QString::number(round)));
            QCOMPARE(QApplication::focusWidget()->objectName(), field);
        }
        if (field == u"TxtTelefono") {
            QTest::keyClicks(QApplication::focusWidget(), "4567");
            QCOMPARE(tel->text(), QStringLiteral("1234567"));
        }
        qav::setMessageService(m_fx.messages);
    }

    // The taxpayer list works from the keyboard: the keys that open a list or move in it
    // open it on the item they reach, Enter there chooses (as a click does) and Escape
    // closes it without choosing; typed text never chooses, open or closed.
    void taxpayerListChosenByKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("moveInList"); // a key pressed in the open list, or 0
        QTest::addColumn<int>("closeKey");
        QTest::addColumn<int>("chosen");
        const int none = int(Qt::NoModifier);
        QTest::newRow("Down") << int(Qt::Key_Down) << none << 0 << int(Qt::Key_Return) << 0;
        QTest::newRow("Down, Down in the list") << int(Qt::Key_Down) << none << int(Qt::Key_Down)
                                                << int(Qt::Key_Return) << 1;
        QTest::newRow("End") << int(Qt::Key_End) << none << 0 << int(Qt::Key_Enter) << 1;
        QTest::newRow("End, Home in the list") << int(Qt::Key_End) << none << int(Qt::Key_Home)
                                               << int(Qt::Key_Return) << 0;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << 0 << int(Qt::Key_Return) << 1;
        QTest::newRow("Home") << int(Qt::Key_Home) << none << 0 << int(Qt::Key_Return) << 0;
        QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier) << 0
                                  << int(Qt::Key_Return) << 0;
        QTest::newRow("Alt+Down, Down") << int(Qt::Key_Down) << int(Qt::AltModifier) << int(Qt::Key_Down)
                                        << int(Qt::Key_Return) << 1;
        QTest::newRow("F4, End") << int(Qt::Key_F4) << none << int(Qt::Key_End) << int(Qt::Key_Return) << 1;
        QTest::newRow("Enter on the empty list opens it") << int(Qt::Key_Return) << none << 0
                                                          << int(Qt::Key_Return) << 0;
        QTest::newRow("Escape closes without choosing") << int(Qt::Key_Down) << none << 0
                                                        << int(Qt::Key_Escape) << -1;
    }
    void taxpayerListChosenByKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, moveInList);
        QFETCH(int, closeKey);
        QFETCH(int, chosen);
        auto w = openNewActive();
        QVERIFY(w);
        auto *cmb = child<QComboBox>(w.get(), "CmbRuc");
        cmb->setFocus();
        QTest::keyClicks(cmb, "2 E");
        QCOMPARE(cmb->currentIndex(), -1);
        QVERIFY(!cmb->view()->isVisible());

        QTest::keyClick(cmb, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(cmb->view()->isVisible());
        QCOMPARE(cmb->currentIndex(), -1); // moving is not choosing
        if (moveInList)
            QTest::keyClick(cmb->view(), Qt::Key(moveInList));
        const int highlighted = cmb->view()->currentIndex().row();
        QTest::keyClicks(cmb->view(), "E");
        QCOMPARE(cmb->view()->currentIndex().row(), highlighted);
        QTest::keyClick(cmb->view(), Qt::Key(closeKey));
        QTRY_VERIFY(!cmb->view()->isVisible());

        QCOMPARE(cmb->currentIndex(), chosen);
        QVERIFY(m_fx.messages->shown.isEmpty());
        auto *razon = child<QLineEdit>(w.get(), "TxtRazon");
        if (chosen < 0) {
            QVERIFY(razon->text().isEmpty());
            QVERIFY(!w->Modified());
            return;
        }
        const QString ruc = chosen == 0 ? kRucA : kRucB;
        QCOMPARE(razon->text(), chosen == 0 ? QStringLiteral("EMPRESA A") : QStringLiteral("EMPRESA B"));
        QCOMPARE(m_bar->numdoc(), ruc);
        QVERIFY(w->Modified());
        QTRY_COMPARE(QApplication::focusWidget(), child<QLineEdit>(w.get(), "MkePeriodo"));
        // Tab leaves the list as it leaves every field; Enter on the closed list chooses the
        // item shown again and goes on to the exercise.
        cmb->setFocus();
        QTest::keyClick(cmb, Qt::Key_Tab);
        QVERIFY(!cmb->hasFocus());
        cmb->setFocus();
        QTest::keyClick(cmb, Qt::Key_Return);
        QVERIFY(!cmb->view()->isVisible());
        QCOMPARE(cmb->currentIndex(), chosen);
        QTRY_COMPARE(QApplication::focusWidget(), child<QLineEdit>(w.get(), "MkePeriodo"));
    }

    // A click into the exercise past what was typed puts the caret on the first free
    // position, where typing goes on.
    void exerciseClickPutsTheCaretOnTheFirstFreePosition_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("result");
        QTest::newRow("empty") << "" << 0 << "2020" << "2020";
        QTest::newRow("two digits") << "20" << 2 << "21" << "2021";
    }
    void exerciseClickPutsTheCaretOnTheFirstFreePosition()
    {
        QFETCH(QString, typed);
        QFETCH(int, caret);
        QFETCH(QString, then);
        QFETCH(QString, result);
        auto w = openNewActive();
        QVERIFY(w);
        chooseTaxpayer(w.get(), kRucA);
        auto *e = child<QLineEdit>(w.get(), "MkePeriodo");
        if (!typed.isEmpty())
            typeExercise(w.get(), typed);
        child<QPushButton>(w.get(), "Cmdgeneral0")->setFocus();
        QTest::mouseClick(e, Qt::LeftButton, {}, QPoint(e->width() - 4, e->height() / 2));
        QVERIFY(e->hasFocus());
        QCOMPARE(e->cursorPosition(), caret);
        QTest::keyClicks(e, then);
        QCOMPARE(e->text(), result);
    }

    // On the detail tab Alt+I opens the import (the identification tab's access key gives
    // way there); Alt+D and the identification's own access key still change the tab.
    void altIOnTheDetailTabImports()
    {
        int imports = 0;
        setImportDialogOpener([&](QWidget *, DetailGridHost &) { ++imports; });
        auto w = openNewActive();
        QVERIFY(w);
        chooseTaxpayer(w.get(), kRucA);
        typeExercise(w.get(), "2020");
        auto *tabs = child<QTabWidget>(w.get(), "tab0745");
        QTest::keyClick(w.get(), Qt::Key_D, Qt::AltModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QTest::keyClick(w.get(), Qt::Key_I, Qt::AltModifier);
        QTRY_COMPARE(imports, 1);
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(m_fx.messages->shown.isEmpty());
        tabs->setCurrentIndex(0);
        QCOMPARE(tabs->tabText(0), QStringLiteral("&Identificación"));
        QTest::keyClick(w.get(), Qt::Key_I, Qt::AltModifier);
        QTest::qWait(300); // a button's access key clicks it after a short press
        QCOMPARE(imports, 1); // "&Importar" is not on the tab shown
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void tabChangeRunsTheIdentificationCheck()
    {
        auto w = openNew();
        auto *tabs = child<QTabWidget>(w.get(), "tab0745");
        tabs->setCurrentIndex(1);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(shown(), QStringList{"¡El Ejercicio no es Válido!"});
        chooseTaxpayer(w.get(), kRucA);
        typeExercise(w.get(), "2020");
        m_fx.messages->shown.clear();
        tabs->setCurrentIndex(1);
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(m_fx.messages->shown.isEmpty());
        QCOMPARE(w->property("helpTopic").toInt(), 1012);
    }

    void recordButtonsWithoutRows_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("modificar") << 1 << "No existen registros para modificar";
        QTest::newRow("eliminar") << 2 << "No existen registros para eliminar";
    }
    void recordButtonsWithoutRows()
    {
        QFETCH(int, button);
        QFETCH(QString, message);
        auto w = openNew();
        bool opened = false;
        setDetailDialogOpener([&](QWidget *, DetailGridHost &) { opened = true; });
        w->cmdDetalle_Click(button);
        QCOMPARE(shown(), QStringList{message});
        QCOMPARE(m_fx.messages->shown[0].title, Frm745::caption());
        QVERIFY(!opened);
    }

    void deleteAsksAndRemovesTheCurrentRecord_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("no") << int(qav::AnsNo) << QStringList{"01|A\"B", "01|Z"};
        QTest::newRow("yes") << int(qav::AnsYes) << QStringList{"01|Z"};
    }
    void deleteAsksAndRemovesTheCurrentRecord()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, left);
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023",
                                        {"01|A\"B|03|100.00|18.00", "01|Z|03|1.00|1.00"}));
        auto w = openPending(kRucA, "2023");
        auto *grid = child<QTableView>(w.get(), "grdGastos");
        grid->setCurrentIndex(grid->model()->index(0, 1));
        m_fx.messages->answers = {answer};
        w->cmdDetalle_Click(2);
        QCOMPARE(shown(), QStringList{"¿Confirma que va eliminar el registro seleccionado?"});
        QCOMPARE(m_fx.messages->shown[0].title, QStringLiteral("Eliminar Formulario"));
        QCOMPARE(m_fx.messages->shown[0].style,
                 int(qav::MbYesNo | qav::MbExclamation | qav::MbDefaultButton2));
        QCOMPARE(DeclFixture::rows(db(), "SELECT tip_com, num_ser FROM tmpf7093des ORDER BY num_ser"),
                 left);
        QCOMPARE(child<QLabel>(w.get(), "lblregistros")->text(),
                 QString::number(left.size()) + "  Registros");
    }

    void modifyOpensTheDialogOnTheCurrentRow()
    {
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023",
                                        {"01|0001|03|100.00|18.00", "07|0002|04|-5.00|-1.00"}));
        auto w = openPending(kRucA, "2023");
        auto *grid = child<QTableView>(w.get(), "grdGastos");
        grid->setCurrentIndex(grid->model()->index(1, 0));
        std::optional<VoucherRecord> seen;
        setDetailDialogOpener([&](QWidget *, DetailGridHost &host) {
            QVERIFY(!session().DetailAddMode);
            seen = host.currentRecord();
        });
        w->cmdDetalle_Click(1);
        QVERIFY(seen);
        QCOMPARE(*seen, (VoucherRecord{"07", "0002", "04", "-5.00", "-1.00"}));
        QCOMPARE(grid->currentIndex().row(), 1);
    }

    void gridReadsPagesAsTheyAreShown()
    {
        WorkingTable wt(db());
        QVERIFY(wt.create());
        for (int i = 0; i < 5000; ++i)
            QVERIFY(wt.insert({"01", QString::number(i).rightJustified(5, '0'), "01", "1.00", "1.00"}));
        DetailGridModel model(db());
        model.refresh();
        QCOMPARE(model.rowCount(), 5000);
        QCOMPARE(model.pagesRead(), 0);
        QCOMPARE(model.index(4999, 1).data().toString(), QStringLiteral("04999"));
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("00000"));
        for (int r = 0; r < 5000; r += 7)
            QCOMPARE(model.index(r, 1).data().toString(), QString::number(r).rightJustified(5, '0'));
        QVERIFY(model.pagesHeld() <= DetailGridModel::MaxPages);
        QVERIFY(model.pagesRead() >= 5000 / DetailGridModel::PageSize);
    }

    void gridColumnsFitWithAndWithoutTheVerticalBar_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("amount");
        QTest::newRow("a few records") << 3 << "99999999.99";
        QTest::newRow("a long list") << 300 << "99999999.99";
        // The largest amount a record may hold, 12 integer digits, negative: shown whole.
        QTest::newRow("the largest amounts") << 3 << "-999999999999.99";
        QTest::newRow("the largest amounts, a long list") << 300 << "-999999999999.99";
    }
    void gridColumnsFitWithAndWithoutTheVerticalBar()
    {
        QFETCH(int, records);
        QFETCH(QString, amount);
        auto w = openNew();
        WorkingTable wt(session().Db);
        for (int i = 0; i < records; ++i)
            QVERIFY(wt.insert({"07", QString::number(i).rightJustified(4, '0'), "11",
                               amount, amount}));
        w->refrescargrid();
        chooseTaxpayer(w.get(), kRucA);
        typeExercise(w.get(), "2023");
        child<QTabWidget>(w.get(), "tab0745")->setCurrentIndex(1);
        auto *grid = child<QTableView>(w.get(), "grdGastos");
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCoreApplication::processEvents();
        QCOMPARE(grid->model()->rowCount(), records);
        QVERIFY(grid->isVisible());
        QCOMPARE(grid->verticalScrollBar()->isVisible(), records > 20);
        // All five columns on screen, none cut: no horizontal bar, the last column's right
        // edge inside the grid, and the amounts' column as wide as its widest amount.
        QVERIFY(!grid->horizontalScrollBar()->isVisible());
        QHeaderView *h = grid->horizontalHeader();
        QVERIFY(h->sectionPosition(4) + h->sectionSize(4) <= grid->viewport()->width());
        // The cell's text has the style's margin on either side.
        const int margin =
            grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
        for (int column : {3, 4}) {
            const QString shown = grid->model()->index(0, column).data().toString();
            if (amount.startsWith(u'-'))
                QCOMPARE(shown, QStringLiteral("(999,999,999,999.99)"));
            QVERIFY2(h->sectionSize(column) - 2 * margin
                         >= grid->fontMetrics().horizontalAdvance(shown),
                     qPrintable(shown));
        }
    }

    void telephoneAcceptsDigitsOnlyAndNoPaste()
    {
        auto w = openNew();
        auto *tel = child<QLineEdit>(w.get(), "TxtTelefono");
        tel->setFocus();
        QTest::keyClicks(tel, "12a-3 4");
        QCOMPARE(tel->text(), QStringLiteral("1234"));
        QTest::keyClick(tel, Qt::Key_Backspace);
        QCOMPARE(tel->text(), QStringLiteral("123"));
        QApplication::clipboard()->setText("999");
        QTest::keyClick(tel, Qt::Key_Insert, Qt::ShiftModifier);
        QTest::keyClick(tel, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(tel->text(), QStringLiteral("123"));
        QCOMPARE(QApplication::clipboard()->text(), QString());
    }

    // Whatever way a text comes into the telephone, the order number or its check digits
    // (dropped, committed by an input method, or pasted with the middle button where the
    // system keeps a selection), only digits enter: a text with anything else does not
    // enter at all. An order number that enters counts as a change, so that leaving asks
    // whether to save it.
    void pastedTextTakesDigitsOnly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enters");
        QTest::newRow("telephone with a letter") << "TxtTelefono" << "12a4567" << false;
        QTest::newRow("telephone with a blank") << "TxtTelefono" << "123 456" << false;
        QTest::newRow("telephone") << "TxtTelefono" << "1234567" << true;
        QTest::newRow("order number with a letter") << "txtOrden" << "8765432x" << false;
        QTest::newRow("order number") << "txtOrden" << "87654321" << true;
        QTest::newRow("check digits with a sign") << "txtVerifica" << "-5" << false;
        QTest::newRow("check digits") << "txtVerifica" << "57" << true;
    }
    void pastedTextTakesDigitsOnly()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, enters);
        const bool sent = name != u"TxtTelefono";
        if (sent)
            QVERIFY(DeclFixture::addSent(db(), kRucA, "2022", "001", "12345678", QVariant(), {}));
        auto w = sent ? openSent("12345678", QString()) : openNew();
        auto *f = child<QLineEdit>(w.get(), qPrintable(name));
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QString expected = enters ? text : QString();
        auto check = [&](const char *way) {
            QVERIFY2(f->text() == expected, way);
            if (name == u"txtOrden")
                QVERIFY2(session().OrderNumberChanged == enters, way);
            f->clear();
            session().OrderNumberChanged = false;
        };
        f->clear();
        session().OrderNumberChanged = false;

        QVERIFY(qavtest::dropText(f, text, QPoint(2, f->height() / 2)));
        check("drop");

        f->setFocus();
        qavtest::commitText(f, text);
        check("input method");

        if (QGuiApplication::clipboard()->supportsSelection()) {
            QGuiApplication::clipboard()->setText(text, QClipboard::Selection);
            QTest::mouseClick(f, Qt::MiddleButton, {}, QPoint(2, f->height() / 2));
            check("selection");
        }
    }

    // The exercise's mask takes digits only, whatever way they come.
    void pastedExerciseTakesDigitsOnly()
    {
        auto w = openNew();
        auto *e = child<QLineEdit>(w.get(), "MkePeriodo");
        QVERIFY(qavtest::dropText(e, QStringLiteral("2O23"), QPoint(2, e->height() / 2)));
        QVERIFY2(!e->text().contains(u'O'), qPrintable(e->text()));
        for (QChar c : e->text())
            QVERIFY2(c.isDigit() || c == u' ', qPrintable(e->text()));
    }

    void sentDeclarationIsReadOnlyAndShowsItsCheckDigits()
    {
        QVERIFY(DeclFixture::addSent(db(), kRucA, "2022", "001", "12345678", "87654321",
                                     {"07|Z|05|-7.00|-7.00", "01|A|01|2.00|2.00"}));
        auto w = openSent("12345678", "87654321");
        QCOMPARE(child<QLineEdit>(w.get(), "txtOrden")->text(), QStringLiteral("87654321"));
        QCOMPARE(child<QLineEdit>(w.get(), "txtVerifica")->text(), QStringLiteral("57"));
        QVERIFY(child<QLineEdit>(w.get(), "txtOrden")->isVisible());
        for (const char *name : {"cmdDetalle0", "cmdDetalle1", "cmdDetalle2", "cmdDetalle3",
                                 "Cmdgeneral0", "Cmdgeneral1"})
            QVERIFY2(!child<QPushButton>(w.get(), name)->isEnabled(), name);
        QVERIFY(child<QPushButton>(w.get(), "Cmdgeneral2")->isEnabled());
        const QAbstractItemModel *m = child<QTableView>(w.get(), "grdGastos")->model();
        QCOMPARE(m->index(0, 1).data().toString(), QStringLiteral("Z")); // the table's own order
        QCOMPARE(child<QLabel>(w.get(), "lbltotal")->text(), QStringLiteral("-5.00"));
        w->Cmdgeneral_Click(2);
        QVERIFY(m_fx.messages->shown.isEmpty());
        QVERIFY(w->isClosed());
        // A sent declaration cannot change: nothing is kept for it.
        QCOMPARE(QDir(recoveryFolder()).entryList(QDir::Files), QStringList());
    }

    void sentOrderNumberOfAnotherLengthLeavesCheckDigitsEmpty()
    {
        QVERIFY(DeclFixture::addSent(db(), kRucA, "2022", "001", "12345678", "8765432", {}));
        auto w = openSent("12345678", "8765432");
        QCOMPARE(child<QLineEdit>(w.get(), "txtVerifica")->text(), QString());
    }

    void orderNumberAtTheExitQuestion_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("stored");
        const QString ask = " El número de orden ha cambiado. ¿Desea guardar los cambios?";
        QTest::newRow("7 digits") << "8765432" << "57"
            << QStringList{ask, "El número de orden es incorrecto"} << false << "0";
        QTest::newRow("wrong digits") << "87654321" << "58"
            << QStringList{ask, "Digito verificador incorrecto"} << false << "0";
        QTest::newRow("saved") << "87654321" << "57"
            << QStringList{ask, "El número de orden fue grabado satisfactoriamente."} << true
            << "87654321";
    }
    void orderNumberAtTheExitQuestion()
    {
        QFETCH(QString, order);
        QFETCH(QString, digits);
        QFETCH(QStringList, messages);
        QFETCH(bool, closed);
        QFETCH(QString, stored);
        QVERIFY(DeclFixture::addSent(db(), kRucA, "2022", "001", "12345678", QVariant(), {}));
        auto w = openSent("12345678", QString());
        QCOMPARE(child<QLineEdit>(w.get(), "txtOrden")->text(), QStringLiteral("0"));
        auto *ord = child<QLineEdit>(w.get(), "txtOrden");
        ord->setFocus();
        ord->clear();
        QTest::keyClicks(ord, order.left(4) + "x." + order.mid(4));
        QCOMPARE(ord->text(), order);
        QVERIFY(session().OrderNumberChanged);
        child<QLineEdit>(w.get(), "txtVerifica")->setText(digits);
        m_fx.messages->answers = {qav::AnsYes};
        w->Cmdgeneral_Click(2);
        QCOMPARE(shown(), messages);
        QCOMPARE(w->isClosed(), closed);
        DeclarationKey k{kRucA, "2022", "7093", 0, "001"};
        QCOMPARE(DeclarationStore(db()).storedOrderNumber(k), stored);
    }

    void orderNumberOfAVanishedSending()
    {
        QVERIFY(DeclFixture::addSent(db(), kRucA, "2022", "001", "12345678", QVariant(), {}));
        auto w = openSent("12345678", QString());
        child<QLineEdit>(w.get(), "txtOrden")->setText("87654321");
        child<QLineEdit>(w.get(), "txtVerifica")->setText("57");
        session().OrderNumberChanged = true;
        QVERIFY(db().execute("DELETE FROM HCAB"));
        m_fx.messages->answers = {qav::AnsYes};
        w->Cmdgeneral_Click(2);
        QCOMPARE(shown().value(1), QStringLiteral("La declaración enviada ya no existe. El número"
                                                  " de orden no fue grabado."));
        QVERIFY(!shown().contains("El número de orden fue grabado satisfactoriamente."));
        QCOMPARE(db().scalar("SELECT count(*) FROM HCAB").toInt(), 0);
    }

    void exitWithoutSavingTheOrderNumber()
    {
        QVERIFY(DeclFixture::addSent(db(), kRucA, "2022", "001", "12345678", QVariant(), {}));
        auto w = openSent("12345678", QString());
        child<QLineEdit>(w.get(), "txtOrden")->setText("87654321");
        session().OrderNumberChanged = true;
        m_fx.messages->answers = {qav::AnsNo};
        w->Cmdgeneral_Click(2);
        QVERIFY(w->isClosed());
        QCOMPARE(DeclarationStore(db()).storedOrderNumber({kRucA, "2022", "7093", 0, "001"}),
                 QStringLiteral("0"));
    }

    void recoveryQuestionAfterAnUnexpectedEnd_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("total");
        QTest::newRow("Sí") << int(qav::AnsYes) << "2  Registros" << "105.00";
        QTest::newRow("No") << int(qav::AnsNo) << "1  Registros" << "100.00";
    }
    void recoveryQuestionAfterAnUnexpectedEnd()
    {
        QFETCH(int, answer);
        QFETCH(QString, count);
        QFETCH(QString, total);
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {"01|0001|03|100.00|18.00"}));
        OtherSession other;
        QVERIFY(other.start(*m_fx.sandbox, {"01", "0002", "04", "5.00", "1.00"}));
        other.end();
        m_fx.messages->answers = {answer};
        auto w = openPending(kRucA, "2023");
        QCOMPARE(shown(), QStringList{"Existen registros de esta declaración que no fueron"
                                      " grabados cuando el módulo se cerró de forma inesperada."
                                      " ¿Desea recuperarlos?"});
        QCOMPARE(m_fx.messages->shown[0].style, int(qav::MbQuestion | qav::MbYesNo));
        QCOMPARE(m_fx.messages->shown[0].title, Frm745::caption());
        QCOMPARE(child<QTableView>(w.get(), "grdGastos")->model()->rowCount(), count.left(1).toInt());
        QCOMPARE(child<QLabel>(w.get(), "lblregistros")->text(), count);
        QCOMPARE(child<QLabel>(w.get(), "lbltotal")->text(), total);
        // Sí makes the window differ from what is stored: Salir asks, as after any change.
        m_fx.messages->shown.clear();
        m_fx.messages->answers = {qav::AnsYes};
        w->Cmdgeneral_Click(2);
        QCOMPARE(shown().contains("¿El formulario ha sido modificado, desea guardar los cambios?"),
                 answer == qav::AnsYes);
        QVERIFY(w->isClosed());
        QCOMPARE(db().scalar("SELECT count(*) FROM f7093des").toInt(), count.left(1).toInt());
        // Nothing is offered twice.
        m_fx.messages->shown.clear();
        w = openPending(kRucA, "2023");
        QVERIFY(m_fx.messages->shown.isEmpty());
    }

    // The file replays to the working table after every kind of change, also across the
    // point where it is written afresh from the table, and after an import's batches.
    void recoveryFileFollowsEveryChange_data()
    {
        QTest::addColumn<int>("refillAfter");
        QTest::newRow("one list of changes") << 5000;
        QTest::newRow("written afresh every 2 changes") << 2;
        QTest::newRow("written afresh every change") << 1;
    }
    void recoveryFileFollowsEveryChange()
    {
        QFETCH(int, refillAfter);
        RecoveryFile::setChangesBeforeRefillForTesting(refillAfter);
        auto restore = qScopeGuard([] { RecoveryFile::setChangesBeforeRefillForTesting(5000); });
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023",
                                        {"01|0001|03|100.00|18.00", "01|0002|04|5.00|1.00"}));
        qav::Database other(QStringLiteral("other-session"));
        QVERIFY(other.open(m_fx.sandbox->openOptions()));
        const DeclarationKey key{kRucA, "2023", "7093", 0, {}};
        WorkingTable wt(other);
        QVERIFY(wt.create());
        QVERIFY(wt.fillFromStored(key, false));
        QString file;
        {
            RecoveryFile kept(other, recoveryFolder(), QStringLiteral("changes"));
            QVERIFY(!kept.open(key, [] { return true; }));
            QVERIFY(wt.insert({"03", "0003", "05", "7.00", QString()}));
            QVERIFY(wt.update({"01", "0001", "03", "150.50", "27.09"}));
            QVERIFY(wt.remove("0002", "01", "04"));
            QVERIFY(wt.insert({"01", "0002", "04", "9.00", "1.62"})); // the removed key again
            QVERIFY(wt.update({"01", "0002", "04", "9.50", "1.71"}));
            QVERIFY(wt.update({"03", "0003", "05", "", ""}));
            // A batch as the import commits it, between single changes.
            kept.beginBatch();
            const QByteArrayView fields[5] = {"12", "F001-15", "06", "1000.00", "180.00"};
            QVERIFY(wt.insert({"12", "F001-15", "06", "1000.00", "180.00"}));
            kept.addToBatch(fields);
            kept.endBatch(true);
            kept.endBatches();
            QVERIFY(wt.remove("0001", "01", "03"));
            QVERIFY(kept.takeFailure().isEmpty());
            file = kept.filePath();
        } // destroyed without close(), as a crash leaves it
        QString why;
        const auto records = RecoveryFile::keptRecords(file, &why);
        QVERIFY2(records, qPrintable(why));
        const QList<VoucherRecord> table = wt.rows(GridOrder::ByTypeAndSeries, 0, 100);
        QList<VoucherRecord> sorted = *records;
        std::sort(sorted.begin(), sorted.end(), [](const VoucherRecord &a, const VoucherRecord &b) {
            return std::tie(a.tip_com, a.num_ser) < std::tie(b.tip_com, b.num_ser);
        });
        QCOMPARE(sorted, table);
        QCOMPARE(table.size(), 3);
        other.close();
    }

    // The ended session's records were based on what it loaded; another session saved the
    // declaration after that. Taking them back must not replace that save without asking.
    void recoveredRecordsOverALaterSave()
    {
        const QString question = QStringLiteral("La declaración fue grabada o eliminada en otra"
                                                " sesión después de que esta ventana la cargó.");
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {"01|0001|03|100.00|18.00"}));
        OtherSession ended;
        QVERIFY(ended.start(*m_fx.sandbox, {"01", "0002", "04", "5.00", "1.00"}));
        ended.end();
        {
            qav::Database other(QStringLiteral("saving-session"));
            QVERIFY(other.open(m_fx.sandbox->openOptions()));
            const DeclarationKey k{kRucA, "2023", "7093", 0, {}};
            WorkingTable theirs(other);
            QVERIFY(theirs.create());
            QVERIFY(theirs.fillFromStored(k, false));
            QVERIFY(theirs.insert({"07", "0009", "09", "-2.00", "-1.00"}));
            QVERIFY(DeclarationStore(other).savePending(k, true, qav::today()));
            other.close();
        }
        const QString records = "SELECT tip_com, num_ser FROM f7093des ORDER BY 1, 2";
        const QStringList theirs = DeclFixture::rows(db(), records);
        QCOMPARE(theirs, (QStringList{"01|0001", "07|0009"}));

        m_fx.messages->answers = {qav::AnsYes}; // take the ended session's records back
        auto w = openPending(kRucA, "2023");
        QCOMPARE(WorkingTable(db()).count(), 2);
        m_fx.messages->shown.clear();
        m_fx.messages->answers = {qav::AnsNo}; // keep what the other session stored
        w->Cmdgeneral_Click(1);
        QVERIFY2(shown().join(" / ").contains(question), qPrintable(shown().join(" / ")));
        QCOMPARE(DeclFixture::rows(db(), records), theirs);

        // Sí on the next save replaces it with the recovered records.
        m_fx.messages->shown.clear();
        m_fx.messages->answers = {qav::AnsYes};
        w->Cmdgeneral_Click(1);
        QVERIFY(shown().join(" / ").contains(question));
        QCOMPARE(DeclFixture::rows(db(), records), (QStringList{"01|0001", "01|0002"}));
    }

    void runningSessionIsNotOffered()
    {
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {"01|0001|03|100.00|18.00"}));
        OtherSession other;
        QVERIFY(other.start(*m_fx.sandbox, {"01", "0002", "04", "5.00", "1.00"}));
        auto w = openPending(kRucA, "2023");
        QVERIFY(m_fx.messages->shown.isEmpty());
        QCOMPARE(child<QLabel>(w.get(), "lblregistros")->text(), QStringLiteral("1  Registros"));
        w->Cmdgeneral_Click(2);
        QVERIFY(w->isClosed());
        w.reset();
        // Once it has ended, its records are offered.
        other.end();
        m_fx.messages->answers = {qav::AnsYes};
        w = openPending(kRucA, "2023");
        QCOMPARE(m_fx.messages->shown.size(), 1);
        QCOMPARE(child<QLabel>(w.get(), "lblregistros")->text(), QStringLiteral("2  Registros"));
    }

    // Without a place for the file the window works and says, once, that its records could
    // not be kept.
    void recoveryFileOutOfReachIsSaid()
    {
        QVERIFY(DeclFixture::addPending(db(), kRucA, "2023", {"01|0001|03|100.00|18.00"}));
        const QString blocked = m_fx.sandbox->root + "/blocked";
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_DATA_HOME", blocked.toLocal8Bit()); // a file where the folder would go
        auto w = openPending(kRucA, "2023");
        QCOMPARE(shown().size(), 1);
        QVERIFY2(shown()[0].startsWith("No se pudo guardar la copia de los registros no grabados"),
                 qPrintable(shown()[0]));
        QCOMPARE(m_fx.messages->shown[0].style, int(qav::MbExclamation));
        QVERIFY(WorkingTable(db()).insert({"01", "0002", "04", "5.00", "1.00"}));
        m_fx.messages->answers = {qav::AnsYes};
        w->Cmdgeneral_Click(2);
        QVERIFY(w->isClosed());
        QCOMPARE(db().scalar("SELECT count(*) FROM f7093des").toInt(), 2);
    }
};

QTEST_MAIN(TestFrm745)
#include "tst_frm745.moc"
