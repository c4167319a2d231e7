// Every window of the module read through the accessibility interface, as a screen reader
// reads it: each window's accessible tree is walked and every control must carry a name,
// every label must let what it shows be heard, and every text field must give its text as
// its value. The labels that show a value (totals, record count, import counters) are heard
// with their value and follow it as it changes.

#include "declmod/declaration/frm745.h"
#include "declmod/declaration/frmconsist.h"
#include "declmod/declaration/recorddialogs.h"
#include "declmod/import/frmtranper.h"
#include "declmod/mainwin/frmabrirenv.h"
#include "declmod/mainwin/frmacercade.h"
#include "declmod/mainwin/frmbancos.h"
#include "declmod/mainwin/frmmodfor.h"
#include "declmod/mainwin/helpwindow.h"
#include "declmod/mainwin/mdifrm.h"
#include "declmod/reports/frmimprimir.h"
#include "declmod/reports/frmimpxpag.h"
#include "declmod/reports/frmpreview.h"
#include "declmod/reports/printprogress.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"
#include "declmod/voucher/frmdetalle.h"

#include "common/text/textfile.h"
#include "common/time/clock.h"
#include "tests/declaration/declfixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QTabBar>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QtTest>

#include <functional>

using namespace declmod;
using qavtest::DeclFixture;

namespace {

const QString kRuc = QStringLiteral("20100066440");

class FakeGrid : public DetailGridHost
{
public:
    void refrescargrid() override {}
    void SumaTotal() override {}
    std::optional<VoucherRecord> currentRecord() const override { return std::nullopt; }
};

// Roles of the controls an operator reaches or reads; the rest (panes, frames without a
// title, scroll bars, separators) only hold or decorate them.
bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::ProgressBar:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::PageTab:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::MenuItem:
    case QAccessible::StaticText:
        return true;
    default:
        return false;
    }
}

QString describe(QAccessibleInterface *iface)
{
    QObject *o = iface->object();
    QString what = o ? QString::fromLatin1(o->metaObject()->className()) : QStringLiteral("?");
    if (o && !o->objectName().isEmpty())
        what += u'#' + o->objectName();
    return what + u'(' + QString::number(iface->role(), 16) + u')';
}

// Walks an accessible tree and lists what a screen reader could not tell: an unnamed
// control, a label whose name hides what it shows, a text field without its text as value.
// The cells of lists and tables are the data, read by row and column; they are not walked.
void walk(QAccessibleInterface *iface, const QString &path, QStringList *problems, int depth = 0)
{
    if (!iface || !iface->isValid() || depth > 40)
        return;
    QObject *object = iface->object();
    auto *widget = qobject_cast<QWidget *>(object);
    // Qt's own hidden helpers (a tool bar's extension button and the like) are never shown.
    if (widget && widget->objectName().startsWith(QLatin1String("qt_")) && widget->isHidden())
        return;
    const QString here = path + u'/' + describe(iface);
    const QAccessible::Role role = iface->role();
    const QString name = iface->text(QAccessible::Name).simplified();
    if (isControl(role) && name.isEmpty() && !(role == QAccessible::StaticText && widget == nullptr))
        *problems << here + QStringLiteral(": sin nombre");
    if (auto *label = qobject_cast<QLabel *>(object)) {
        QString shown = label->text();
        shown.remove(u'&');
        shown = shown.simplified();
        if (label->textFormat() != Qt::RichText && !Qt::mightBeRichText(shown) && !shown.isEmpty()
            && !name.contains(shown))
            *problems << here + QStringLiteral(": se oye \"%1\", se muestra \"%2\"").arg(name, shown);
    }
    if (auto *edit = qobject_cast<QLineEdit *>(object)) {
        if (edit->echoMode() == QLineEdit::Normal
            && iface->text(QAccessible::Value) != edit->displayText()
            && iface->text(QAccessible::Value) != edit->text())
            *problems << here + QStringLiteral(": valor \"%1\", se muestra \"%2\"")
                                    .arg(iface->text(QAccessible::Value), edit->displayText());
    }
    if (role == QAccessible::Table || role == QAccessible::List || role == QAccessible::Tree)
        return;
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), here, problems, depth + 1);
}

QStringList problemsOf(QWidget *window)
{
    QStringList problems;
    walk(QAccessible::queryAccessibleInterface(window), QString(), &problems);
    // Menus are windows of their own.
    for (QMenu *menu : window->findChildren<QMenu *>())
        walk(QAccessible::queryAccessibleInterface(menu), window->objectName(), &problems);
    return problems;
}

// The access keys the operator can press in `window` as it is shown, each with the
// controls it reaches (buttons, labels of a field, tabs, menus of the menu bar).
QMap<QString, QStringList> accessKeys(QWidget *window)
{
    QMap<QString, QStringList> keys;
    const auto add = [&](const QString &text, const QString &who) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty())
            keys[key.toString()] << who;
    };
    const auto reachable = [&](QWidget *w) { return w->isVisibleTo(window) && w->isEnabledTo(window); };
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>())
        if (reachable(b))
            add(b->text(), b->text());
    for (QLabel *l : window->findChildren<QLabel *>())
        if (l->buddy() && reachable(l))
            add(l->text(), l->text());
    for (QGroupBox *g : window->findChildren<QGroupBox *>())
        if (g->isCheckable() && reachable(g))
            add(g->title(), g->title());
    for (QTabBar *bar : window->findChildren<QTabBar *>())
        if (reachable(bar))
            for (int t = 0; t < bar->count(); ++t)
                if (bar->isTabEnabled(t))
                    add(bar->tabText(t), bar->tabText(t));
    for (QMenuBar *bar : window->findChildren<QMenuBar *>())
        for (QAction *a : bar->actions())
            add(a->text(), a->text());
    return keys;
}

QString nameOf(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

    DeclFixture m_fx;
    FakeGrid m_grid;
    qav::Database &db() { return session().Db; }

    std::unique_ptr<QWidget> declarationWindow(int formMode, bool sent)
    {
        Session &s = session();
        s.FormMode = formMode;
        s.SentMode = sent;
        s.TaxpayerId = kRuc;
        s.TaxpayerName = QStringLiteral("EMPRESA A");
        s.Period = sent ? QStringLiteral("2022") : QStringLiteral("2023");
        s.SentCorrel = QStringLiteral("001");
        s.SentControl = QStringLiteral("12345");
        s.SentOrderNumber = QStringLiteral("87654321");
        return std::make_unique<Frm745>();
    }

    // Each window of the module, made as its command or its opener makes it.
    std::unique_ptr<QWidget> window(const QString &which)
    {
        Session &s = session();
        s.HistoryList = false;
        s.SentMode = false;
        if (which == u"MDIFrm") {
            auto w = std::make_unique<MDIFrm>();
            MuestraEstado(kRuc, QStringLiteral("EMPRESA A"), QStringLiteral("2023"), QStringLiteral("7093"));
            return w;
        }
        if (which == u"Frm745 nueva")
            return declarationWindow(1, false);
        if (which == u"Frm745 pendiente")
            return declarationWindow(2, false);
        if (which == u"Frm745 enviada")
            return declarationWindow(2, true);
        if (which == u"frmDetalle") {
            s.DetailAddMode = true;
            return std::make_unique<frmDetalle>(m_grid);
        }
        if (which == u"frmTranPer")
            return std::make_unique<frmTranPer>(&m_grid);
        if (which == u"FrmConsist") {
            const QString path = s.SysPath + QStringLiteral("Mens.txt");
            qav::writeTextLines(path, {QStringLiteral("Ingrese correctamente el teléfono")});
            return std::make_unique<FrmConsist>(path);
        }
        if (which.startsWith(u"frmModFor")) {
            s.FormMode = which.endsWith(u"modificar") ? 2 : 3;
            s.HistoryList = which.endsWith(u"enviadas");
            return std::make_unique<frmModFor>();
        }
        if (which == u"frmAbrirEnv") {
            s.SentMode = true;
            return std::make_unique<frmAbrirEnv>();
        }
        if (which.startsWith(u"frmImprimir")) {
            s.HistoryList = s.SentMode = which.endsWith(u"enviadas");
            auto w = std::make_unique<frmImprimir>();
            w->load();
            return w;
        }
        if (which == u"frmImpxPag") {
            auto w = std::make_unique<frmImpxPag>();
            w->setTotalPages(3);
            return w;
        }
        if (which == u"frmPreview") {
            const QString name = QStringLiteral("00000001.PRN");
            qav::writeTextLines(s.ReportDir + u'/' + name,
                                {QStringLiteral("<!font!>Courier New<!/font!>"),
                                 QStringLiteral("<!nHojas!>2<!/nHojas!>"),
                                 QStringLiteral("<!Orientacion!>V<!/Orientacion!>"),
                                 QStringLiteral("pPos|300|350|primera|True|16|0|"),
                                 QStringLiteral("pNuevaHoja"),
                                 QStringLiteral("pPos|300|350|segunda|True|16|1|")});
            auto w = std::make_unique<frmPreview>();
            w->setReportFileName(name);
            w->load();
            return w;
        }
        if (which == u"PrintProgressWindow")
            return std::make_unique<PrintProgressWindow>(3);
        if (which.startsWith(u"frmBancos")) {
            s.QueryKind = which.right(1).toInt();
            return std::make_unique<frmBancos>();
        }
        if (which == u"frmAcercade")
            return std::make_unique<frmAcercade>();
        if (which == u"HelpWindow")
            return std::make_unique<HelpWindow>(QString());
        return nullptr;
    }

    // Shows the window and gathers what `look` finds in it with each of its tabs shown (the
    // declaration window's other tab holds controls of its own).
    QStringList onEveryTab(const QString &which, const std::function<QStringList(QWidget *)> &look)
    {
        std::unique_ptr<QWidget> w = window(which);
        if (!w)
            return {QStringLiteral("no window ") + which};
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return {QStringLiteral("not shown: ") + which};
        auto *tabs = w->findChild<QTabWidget *>();
        QStringList found;
        for (int t = 0; t < (tabs ? tabs->count() : 1); ++t) {
            if (tabs)
                tabs->setCurrentIndex(t);
            found += look(w.get());
        }
        found.removeDuplicates();
        return found;
    }

private slots:
    void init()
    {
        QString why;
        QVERIFY2(m_fx.setUp(&why), qPrintable(why));
        qav::setFixedNow(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        Session &s = session();
        s.ReportDir = s.SysPath + QStringLiteral("RPT");
        QVERIFY(db().execute("INSERT INTO CLAVES VALUES (?, 'Usuario', '0')", {s.SysUser}));
        QVERIFY(db().execute("INSERT INTO CONT VALUES (6, ?, 'J', 'EMPRESA A', '', '', ?)", {kRuc, s.SysUser}));
        QVERIFY(DeclFixture::addPending(db(), kRuc, QStringLiteral("2023"),
                                        {QStringLiteral("01|F001|03|1234.50|1000.00"),
                                         QStringLiteral("07|F002|04|-100.00|-80.00")}));
        QVERIFY(DeclFixture::addSent(db(), kRuc, QStringLiteral("2022"), QStringLiteral("001"),
                                     QStringLiteral("12345"), QStringLiteral("87654321"),
                                     {QStringLiteral("01|F001|03|10.00|8.00")}));
    }
    void cleanup()
    {
        qav::setFixedNow(QDateTime());
        m_fx.tearDown();
    }

    void everyControlNamedEveryValueHeard_data()
    {
        QTest::addColumn<QString>("which");
        for (const char *w : {"MDIFrm", "Frm745 nueva", "Frm745 pendiente", "Frm745 enviada", "frmDetalle",
                              "frmTranPer", "FrmConsist", "frmModFor modificar", "frmModFor eliminar",
                              "frmModFor eliminar enviadas", "frmAbrirEnv", "frmImprimir",
                              "frmImprimir enviadas", "frmImpxPag", "frmPreview", "PrintProgressWindow",
                              "frmBancos 1", "frmBancos 2", "frmBancos 3", "frmAcercade", "HelpWindow"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void everyControlNamedEveryValueHeard()
    {
        QFETCH(QString, which);
        const QStringList problems = onEveryTab(which, problemsOf);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // Each access key of a window reaches one control, on every tab.
    void accessKeysReachOneControl_data() { everyControlNamedEveryValueHeard_data(); }
    void accessKeysReachOneControl()
    {
        QFETCH(QString, which);
        const QStringList clashes = onEveryTab(which, [](QWidget *w) {
            QStringList found;
            const QMap<QString, QStringList> keys = accessKeys(w);
            for (auto it = keys.begin(); it != keys.end(); ++it)
                if (it.value().size() > 1)
                    found << it.key() + QStringLiteral(": ") + it.value().join(QStringLiteral(", "));
            return found;
        });
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
    }

    // The totals and the record count are heard with what they show, and follow the
    // working table as it changes.
    void totalsAreHeardWithTheirValues()
    {
        auto w = window(QStringLiteral("Frm745 pendiente"));
        auto *frm = static_cast<Frm745 *>(w.get());
        w->show();
        auto *total = w->findChild<QLabel *>("lbltotal");
        auto *taxed = w->findChild<QLabel *>("lblTotGra");
        auto *count = w->findChild<QLabel *>("lblregistros");
        QCOMPARE(nameOf(total), QStringLiteral("Total de ventas totales: 1,134.50"));
        QCOMPARE(nameOf(taxed), QStringLiteral("Total de ventas gravadas: 920.00"));
        QCOMPARE(nameOf(count), QStringLiteral("Número de registros: 2 Registros"));
        frm->Eliminar(QStringLiteral("F002"), QStringLiteral("07"), QStringLiteral("04"));
        frm->SumaTotal();
        QCOMPARE(nameOf(total), QStringLiteral("Total de ventas totales: 1,234.50"));
        QCOMPARE(nameOf(taxed), QStringLiteral("Total de ventas gravadas: 1,000.00"));
        QCOMPARE(nameOf(count), QStringLiteral("Número de registros: 1 Registros"));
        frm->Eliminar(QStringLiteral("F001"), QStringLiteral("01"), QStringLiteral("03"));
        frm->SumaTotal();
        // Nothing shown: the caption alone.
        QCOMPARE(nameOf(total), QStringLiteral("Total de ventas totales"));
        QCOMPARE(nameOf(count), QStringLiteral("Número de registros: 0 Registros"));
    }

    // The import counters and the status bar's fields are heard with their values.
    void countersAndStatusBarAreHeard()
    {
        frmTranPer dialog(&m_grid);
        QCOMPARE(nameOf(dialog.lblTransferidos), QStringLiteral("Registros transferidos: 0 Registros Transferidos"));
        dialog.lblRechazados->setText(QStringLiteral("7          Registros Rechazados"));
        QCOMPARE(nameOf(dialog.lblRechazados), QStringLiteral("Registros rechazados: 7 Registros Rechazados"));

        MDIFrm frm;
        MuestraEstado(kRuc, QStringLiteral("EMPRESA A"), QStringLiteral("2023"), QStringLiteral("7093"));
        QStringList heard;
        for (const char *panel : {"lblNumdoc", "lblRazonsocial", "lblPeriodo", "lblFormulario"})
            heard << nameOf(frm.findChild<QLabel *>(panel));
        QCOMPARE(heard, (QStringList{"RUC: " + kRuc, "Razón Social: EMPRESA A", "Ejercicio: 2023",
                                     "Formulario: 7093"}));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
