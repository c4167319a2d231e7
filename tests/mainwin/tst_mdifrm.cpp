// The main window: menus and tool bar, the flags each command sets, the commands whose
// window is not there yet, placement, the load against a sandbox installation, Salir and
// the help.

#include "declmod/mainwin/commands.h"
#include "declmod/mainwin/helpwindow.h"
#include "declmod/mainwin/mdifrm.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"
#include "declmod/session/startup.h"

#include "common/ui/messages.h"
#include "tests/support/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolBar>
#include <QtTest>

using declmod::MainCommand;
using declmod::MDIFrm;

Q_DECLARE_METATYPE(MainCommand)

namespace {

// What a command's window saw when it was about to be shown.
struct Opened {
    QString objectName;
    QString title;
    int queryKind = 0;
    bool modal = false;
    bool busyWhileShown = false;
};

// The menus as the operator sees them: one line per entry, "-" for a separator.
QStringList describeMenu(QMenu *menu)
{
    QStringList lines;
    for (QAction *a : menu->actions())
        lines << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + "=" + a->text());
    return lines;
}

void resetFlags(declmod::Session &s, bool on)
{
    s.FormMode = on ? 9 : 0;
    s.SentMode = on;
    s.HistoryList = on;
    s.OrderNumberChanged = on;
    s.QueryKind = on ? 9 : 0;
}

} // namespace

class TestMdiFrm : public QObject
{
    Q_OBJECT

    QList<Opened> m_opened;
    QList<int> m_ended;
    std::shared_ptr<qav::ScriptedMessageService> m_messages;

    void watch(MDIFrm &frm)
    {
        frm.setWindowRunner([this](QDialog &d) {
            Opened o;
            o.objectName = d.objectName();
            o.title = d.windowTitle();
            o.queryKind = declmod::session().QueryKind;
            o.modal = d.windowModality() == Qt::ApplicationModal;
            o.busyWhileShown = QApplication::overrideCursor() != nullptr;
            m_opened << o;
            return 0;
        });
    }

private slots:
    void init()
    {
        m_opened.clear();
        m_ended.clear();
        m_messages = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_messages);
        declmod::setProcessEnder([this](int code) { m_ended << code; });
        declmod::session().Db.close();
        declmod::session().HelpFile.clear();
    }

    void cleanup()
    {
        declmod::session().Db.close();
        declmod::setProcessEnder({});
        declmod::releaseInstanceLock();
    }

    void captionAndFrame()
    {
        MDIFrm frm;
        QCOMPARE(frm.windowTitle(), QStringLiteral("QAV  Detalle de Operaciones"));
        QVERIFY(!(frm.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(frm.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(frm.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(frm.statusBarControl() != nullptr);
        QCOMPARE(frm.statusBar(), static_cast<QStatusBar *>(frm.statusBarControl()));
    }

    void menus()
    {
        MDIFrm frm;
        const QList<QAction *> top = frm.menuBar()->actions();
        QStringList titles;
        for (QAction *a : top)
            titles << a->menu()->objectName() + "=" + a->text();
        QCOMPARE(titles, (QStringList{"mnuDeclara=&Declaraciones", "mnuDeclaraE=Declaraciones &Enviadas",
                                      "mnuConsultas=&Consultas", "mnuayuda=&Ayuda"}));

        QCOMPARE(describeMenu(top.at(0)->menu()),
                 (QStringList{"mnuNueva=&Nueva", "mnuModificar=&Modificar", "mnuEliminar=&Eliminar", "-",
                              "mnuImprimir=&Imprimir", "-", "mnuSalir=&Salir"}));
        QCOMPARE(describeMenu(top.at(1)->menu()),
                 (QStringList{"mnuRegistrar=&Ver Enviadas", "mnuEliminarE=&Eliminar", "-",
                              "mnuImprimirE=&Imprimir"}));
        QCOMPARE(describeMenu(top.at(2)->menu()),
                 (QStringList{"mnuPro=&Codigos de profesión", "mnuBancos=&Comprobantes",
                              "mnuUit=&Consulta de UIT"}));
        QCOMPARE(describeMenu(top.at(3)->menu()),
                 (QStringList{"mnuContenido=&Contenido de la Ayuda", "-", "mnuAcerca=&Acerca de ..."}));
    }

    void toolbar()
    {
        MDIFrm frm;
        QCOMPARE(frm.toolbar()->objectName(), QStringLiteral("Toolbar1"));
        const QList<QAction *> buttons = frm.toolbar()->actions();
        QCOMPARE(buttons.size(), 10);
        const QStringList texts{"Nueva", "Modifcar", "Eliminar", "Imprimir", "Salir", QString(),
                                "Ver Declaración Enviada", QString(), QString(), QString()};
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(buttons.at(i)->objectName(), QStringLiteral("Button%1").arg(i + 1));
            QCOMPARE(buttons.at(i)->text(), texts.at(i));
        }
        QVERIFY(buttons.at(5)->isSeparator());
    }

    // Every command's flags, from two opposite starting states so that a flag the command
    // must leave alone, or one it sets to the value already there, both show. -1 means
    // "left as it was".
    void commandFlags_data()
    {
        QTest::addColumn<MainCommand>("command");
        QTest::addColumn<int>("formMode");
        QTest::addColumn<int>("sentMode");
        QTest::addColumn<int>("historyList");
        QTest::addColumn<int>("orderNumberChanged");
        QTest::addColumn<int>("queryKind");
        for (bool on : {false, true}) {
            const QByteArray from = on ? " (from set flags)" : " (from clear flags)";
            auto row = [&](const char *name, MainCommand c, int fm, int sm, int hl, int onc, int qk) {
                QTest::newRow(QByteArray(name + from).constData()) << c << fm << sm << hl << onc << qk;
            };
            row("Nueva", MainCommand::Nueva, 1, 0, -1, -1, -1);
            row("Modificar", MainCommand::Modificar, 2, 0, 0, 0, -1);
            row("Eliminar", MainCommand::Eliminar, 3, 0, 0, 0, -1);
            row("Imprimir", MainCommand::Imprimir, -1, 0, 0, -1, -1);
            row("Ver Enviadas", MainCommand::VerEnviadas, 2, 1, -1, 0, -1);
            row("Eliminar enviada", MainCommand::EliminarEnviada, 3, 0, 1, -1, -1);
            row("Imprimir enviada", MainCommand::ImprimirEnviada, -1, 1, 1, -1, -1);
            row("Profesiones", MainCommand::Profesiones, -1, -1, -1, -1, 1);
            row("Comprobantes", MainCommand::Comprobantes, -1, -1, -1, -1, 2);
            row("UIT", MainCommand::Uit, -1, -1, -1, -1, 3);
            row("Acerca", MainCommand::Acerca, -1, -1, -1, -1, -1);
        }
    }

    void commandFlags()
    {
        QFETCH(MainCommand, command);
        QFETCH(int, formMode);
        QFETCH(int, sentMode);
        QFETCH(int, historyList);
        QFETCH(int, orderNumberChanged);
        QFETCH(int, queryKind);
        const bool on = QString::fromLatin1(QTest::currentDataTag()).contains("set flags");

        declmod::Session s;
        resetFlags(s, on);
        declmod::setCommandFlags(command, s);
        QCOMPARE(s.FormMode, formMode < 0 ? (on ? 9 : 0) : formMode);
        QCOMPARE(s.SentMode, sentMode < 0 ? on : sentMode == 1);
        QCOMPARE(s.HistoryList, historyList < 0 ? on : historyList == 1);
        QCOMPARE(s.OrderNumberChanged, orderNumberChanged < 0 ? on : orderNumberChanged == 1);
        QCOMPARE(s.QueryKind, queryKind < 0 ? (on ? 9 : 0) : queryKind);
    }

    // Which commands first close the child windows still open (from the menu and from the
    // tool bar) and which show the busy pointer while their window loads. Most of these
    // windows are not part of the module yet, so the rules are checked for every command.
    void childClosingAndBusyPointer_data()
    {
        QTest::addColumn<MainCommand>("command");
        QTest::addColumn<bool>("closesFromMenu");
        QTest::addColumn<bool>("closesFromToolbar");
        QTest::addColumn<bool>("busy");
        QTest::newRow("Nueva") << MainCommand::Nueva << false << false << true;
        QTest::newRow("Modificar") << MainCommand::Modificar << true << true << false;
        QTest::newRow("Eliminar") << MainCommand::Eliminar << false << true << false;
        QTest::newRow("Imprimir") << MainCommand::Imprimir << false << false << true;
        QTest::newRow("Salir") << MainCommand::Salir << false << false << false;
        QTest::newRow("Ver Enviadas") << MainCommand::VerEnviadas << false << false << true;
        QTest::newRow("Eliminar enviada") << MainCommand::EliminarEnviada << true << true << false;
        QTest::newRow("Imprimir enviada") << MainCommand::ImprimirEnviada << false << false << true;
        QTest::newRow("Profesiones") << MainCommand::Profesiones << true << true << true;
        QTest::newRow("Comprobantes") << MainCommand::Comprobantes << true << true << true;
        QTest::newRow("UIT") << MainCommand::Uit << true << true << true;
        QTest::newRow("Ayuda") << MainCommand::Ayuda << false << false << false;
        QTest::newRow("Acerca") << MainCommand::Acerca << false << false << false;
    }

    void childClosingAndBusyPointer()
    {
        QFETCH(MainCommand, command);
        QFETCH(bool, closesFromMenu);
        QFETCH(bool, closesFromToolbar);
        QFETCH(bool, busy);
        QCOMPARE(declmod::commandClosesChildren(command, false), closesFromMenu);
        QCOMPARE(declmod::commandClosesChildren(command, true), closesFromToolbar);
        QCOMPARE(declmod::commandShowsBusy(command), busy);
    }

    // The consultations open frmBancos with their kind set, behind the busy pointer while
    // it loads; the about window opens without it. The pointer is back before the window
    // waits on the operator.
    void commandsOpenTheirWindow_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("queryKind");
        QTest::addColumn<bool>("busy");
        QTest::newRow("mnuPro") << "mnuPro" << "frmBancos" << 1 << true;
        QTest::newRow("mnuBancos") << "mnuBancos" << "frmBancos" << 2 << true;
        QTest::newRow("mnuUit") << "mnuUit" << "frmBancos" << 3 << true;
        QTest::newRow("mnuAcerca") << "mnuAcerca" << "frmAcercade" << 0 << false;
        QTest::newRow("mnuNueva") << "mnuNueva" << "Frm745" << 0 << true;
        QTest::newRow("mnuModificar") << "mnuModificar" << "frmModFor" << 0 << false;
        QTest::newRow("mnuEliminar") << "mnuEliminar" << "frmModFor" << 0 << false;
        QTest::newRow("mnuRegistrar") << "mnuRegistrar" << "frmAbrirEnv" << 0 << true;
        QTest::newRow("mnuEliminarE") << "mnuEliminarE" << "frmModFor" << 0 << false;
        QTest::newRow("Button1") << "Button1" << "Frm745" << 0 << true;
        QTest::newRow("Button2") << "Button2" << "frmModFor" << 0 << false;
        QTest::newRow("Button3") << "Button3" << "frmModFor" << 0 << false;
        QTest::newRow("Button7") << "Button7" << "frmAbrirEnv" << 0 << true;
        QTest::newRow("mnuImprimir") << "mnuImprimir" << "frmImprimir" << 0 << true;
        QTest::newRow("mnuImprimirE") << "mnuImprimirE" << "frmImprimir" << 0 << true;
        QTest::newRow("Button4") << "Button4" << "frmImprimir" << 0 << true;
    }

    void commandsOpenTheirWindow()
    {
        QFETCH(QString, action);
        QFETCH(QString, window);
        QFETCH(int, queryKind);
        QFETCH(bool, busy);
        declmod::session().QueryKind = 0;
        MDIFrm frm;
        watch(frm);
        QAction *a = frm.findChild<QAction *>(action);
        QVERIFY(a);
        QVERIFY(a->isEnabled());
        a->trigger();
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.at(0).objectName, window);
        QCOMPARE(m_opened.at(0).queryKind, queryKind);
        QVERIFY(m_opened.at(0).modal);
        QVERIFY(!m_opened.at(0).busyWhileShown);
        QCOMPARE(frm.lastLoadWasBusy(), busy);
        QVERIFY(QApplication::overrideCursor() == nullptr);

        // A second run opens a fresh window again.
        a->trigger();
        QCOMPARE(m_opened.size(), 2);
    }

    // Every command has its window now: each menu item and tool-bar button is enabled.
    void everyCommandIsEnabled()
    {
        MDIFrm frm;
        for (const char *name : {"mnuNueva", "mnuModificar", "mnuEliminar", "mnuImprimir", "mnuSalir",
                                 "mnuRegistrar", "mnuEliminarE", "mnuImprimirE", "mnuPro", "mnuBancos",
                                 "mnuUit", "mnuContenido", "mnuAcerca", "Button1", "Button2", "Button3",
                                 "Button4", "Button5", "Button7", "Button10"}) {
            QAction *a = frm.findChild<QAction *>(QString::fromLatin1(name));
            QVERIFY2(a, name);
            QVERIFY2(a->isEnabled(), name);
        }
    }

    void idleButtonsDoNothing()
    {
        MDIFrm frm;
        watch(frm);
        declmod::Session &s = declmod::session();
        resetFlags(s, true);
        const QList<QAction *> buttons = frm.toolbar()->actions();
        for (int i : {5, 7, 8}) {
            buttons.at(i)->setEnabled(true);
            buttons.at(i)->trigger();
        }
        QVERIFY(m_opened.isEmpty());
        QVERIFY(m_ended.isEmpty());
        QCOMPARE(s.FormMode, 9);
        QCOMPARE(s.QueryKind, 9);
        QVERIFY(s.SentMode && s.HistoryList && s.OrderNumberChanged);
    }

    void activationPlacesTheWindow()
    {
        MDIFrm frm;
        frm.move(200, 150);
        frm.resize(300, 200);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&frm, &activate);
        const double dx = frm.logicalDpiX(), dy = frm.logicalDpiY();
        QCOMPARE(frm.pos(), QPoint(qRound(-60 * dx / 1440.0), qRound(-60 * dy / 1440.0)));
        QCOMPARE(frm.size(), QSize(qRound(9720 * dx / 1440.0), qRound(7320 * dy / 1440.0)));
        QVERIFY(!(frm.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)));
    }

    // Whatever asks for it, the frame does not stay minimized or maximized.
    void frameStateIsPutBack_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("maximized") << int(Qt::WindowMaximized);
        QTest::newRow("minimized") << int(Qt::WindowMinimized);
        QTest::newRow("full screen") << int(Qt::WindowFullScreen);
    }

    void frameStateIsPutBack()
    {
        QFETCH(int, state);
        MDIFrm frm;
        frm.setWindowState(Qt::WindowStates(state));
        QTRY_COMPARE(int(frm.windowState()), int(Qt::WindowNoState));
    }

    void loadOpensTheSession()
    {
        qavtest::Sandbox sb;
        QString why;
        QVERIFY2(sb.create(&why), qPrintable(why));
        declmod::Session &s = declmod::session();
        s.Period.clear();

        MDIFrm frm;
        frm.move(300, 300);
        QVERIFY(frm.load());
        QVERIFY(m_ended.isEmpty());
        QVERIFY(m_messages->shown.isEmpty());
        QVERIFY(s.Db.isOpen());
        QCOMPARE(QFileInfo(s.Db.fileName()).canonicalFilePath(), QFileInfo(sb.dbFile).canonicalFilePath());
        QCOMPARE(s.FormNumber, QStringLiteral("7093"));
        QCOMPARE(s.HelpFile, sb.sysPath + "7093/declmod.html");

        declmod::QAVStatBar *bar = frm.statusBarControl();
        QCOMPARE(bar->esruc(), 1);
        QCOMPARE(bar->numdoc(), QString());
        QCOMPARE(bar->razonsocial(), QString());
        QCOMPARE(bar->formulario(), QStringLiteral("7093"));
        QCOMPARE(bar->periodo_ejercicio(), QString());

        const double dx = frm.logicalDpiX(), dy = frm.logicalDpiY();
        QCOMPARE(frm.pos(), QPoint(0, 0));
        QCOMPARE(frm.size(), QSize(qRound(9555 * dx / 1440.0), qRound(7320 * dy / 1440.0)));
    }

    // Without the host's "error" table the start-up stops with the database's message.
    void loadFailsWithoutErrorTable()
    {
        qavtest::Sandbox sb;
        QString why;
        QVERIFY2(sb.create(&why), qPrintable(why));
        {
            qav::Database db(QStringLiteral("tst-drop"));
            QVERIFY(db.open(sb.openOptions()));
            QVERIFY(db.execute(QStringLiteral("DROP TABLE Error")));
        }
        declmod::session().FormNumber.clear();

        MDIFrm frm;
        QVERIFY(!frm.load());
        QCOMPARE(m_ended, QList<int>{1});
        QCOMPARE(m_messages->shown.size(), 1);
        const qav::Message &m = m_messages->shown.at(0);
        QCOMPARE(m.title, QStringLiteral("Error de Conección"));
        QCOMPARE(m.style, int(qav::MbOk));
        QVERIFY2(m.text.endsWith(QStringLiteral("\n 3078")), qPrintable(m.text));
        QVERIFY2(m.text.contains(QStringLiteral("'error'")), qPrintable(m.text));
        QCOMPARE(frm.statusBarControl()->formulario(), QString());
    }

    void salirEndsTheSession_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("menu") << "mnuSalir";
        QTest::newRow("tool bar") << "Button5";
    }

    void salirEndsTheSession()
    {
        QFETCH(QString, action);
        qavtest::Sandbox sb;
        QString why;
        QVERIFY2(sb.create(&why), qPrintable(why));
        MDIFrm frm;
        QVERIFY(frm.load());
        frm.show();
        QVERIFY(declmod::session().Db.isOpen());
        frm.findChild<QAction *>(action)->trigger();
        QCOMPARE(m_ended, QList<int>{0});
        QVERIFY(!declmod::session().Db.isOpen());
        QVERIFY(!frm.isVisible());
    }

    // The help opens the installation's file when there is one, found without regard to
    // case, else the copy built into the program; either way at the contents.
    void helpOpensItsFile_data()
    {
        QTest::addColumn<QString>("storedName"); // empty: no file in the installation
        QTest::addColumn<QString>("trigger");
        QTest::newRow("installation file, menu") << "declmod.html" << "mnuContenido";
        QTest::newRow("installation file, other case") << "DECLMOD.HTML" << "mnuContenido";
        QTest::newRow("built-in copy, menu") << QString() << "mnuContenido";
        QTest::newRow("built-in copy, tool bar") << QString() << "Button10";
    }

    void helpOpensItsFile()
    {
        QFETCH(QString, storedName);
        QFETCH(QString, trigger);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir("7093"));
        declmod::session().HelpFile = dir.path() + "/7093/declmod.html";
        if (!storedName.isEmpty()) {
            QFile f(dir.path() + "/7093/" + storedName);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<html><body><a name=\"contenido\"></a><h1>Ayuda instalada</h1>"
                    "<p>texto</p></body></html>");
        }

        MDIFrm frm;
        QUrl source;
        QString plain;
        bool hasContents = false;
        bool modal = false;
        int scroll = -1;
        frm.setWindowRunner([&](QDialog &d) {
            auto *help = qobject_cast<declmod::HelpWindow *>(&d);
            if (!help)
                return 0;
            modal = d.windowModality() == Qt::ApplicationModal;
            source = help->source();
            plain = help->browser()->toPlainText();
            scroll = help->browser()->verticalScrollBar()->value();
            for (QTextBlock b = help->browser()->document()->begin(); b.isValid(); b = b.next())
                for (auto it = b.begin(); !it.atEnd(); ++it)
                    hasContents = hasContents
                                  || it.fragment().charFormat().anchorNames().contains("contenido");
            return 0;
        });
        frm.findChild<QAction *>(trigger)->trigger();

        QVERIFY(modal);
        QVERIFY(hasContents);
        QCOMPARE(scroll, 0);
        if (storedName.isEmpty()) {
            QCOMPARE(source, declmod::HelpWindow::embeddedUrl());
            // The built-in help explains the import file.
            QVERIFY(plain.contains("01|F001|3|1500.00|1271.19|"));
            QVERIFY(plain.contains(".TXT"));
            QVERIFY(plain.contains("Contenido"));
        } else {
            QCOMPARE(QFileInfo(source.toLocalFile()).fileName(), storedName);
            QVERIFY(plain.contains("Ayuda instalada"));
        }
    }

    // F1 in one of the module's windows opens the help at that window's topic; in a window
    // without a topic it does nothing.
    void f1OpensTheHelpAtTheWindowsTopic_data()
    {
        QTest::addColumn<QVariant>("topic");
        QTest::addColumn<QString>("anchor"); // empty: no help window
        QTest::newRow("identification") << QVariant(1013) << "preparar";
        QTest::newRow("detail") << QVariant(1012) << "detalle";
        QTest::newRow("unknown topic: contents") << QVariant(77) << "contenido";
        QTest::newRow("no topic") << QVariant() << QString();
    }
    void f1OpensTheHelpAtTheWindowsTopic()
    {
        QFETCH(QVariant, topic);
        QFETCH(QString, anchor);
        declmod::session().HelpFile.clear(); // the built-in copy
        MDIFrm frm;
        QDialog window(&frm);
        if (topic.isValid())
            window.setProperty("helpTopic", topic);
        auto *field = new QLineEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        field->setFocus();

        QStringList opened;
        QWidget *over = nullptr;
        int scroll = -1;
        QString firstVisible;
        frm.setWindowRunner([&](QDialog &d) {
            auto *help = qobject_cast<declmod::HelpWindow *>(&d);
            if (!help)
                return 0;
            opened << help->anchor();
            over = help->parentWidget();
            help->show();
            QCoreApplication::processEvents();
            scroll = help->browser()->verticalScrollBar()->value();
            const QTextCursor top = help->browser()->cursorForPosition(QPoint(4, 4));
            firstVisible = top.block().text();
            help->hide();
            return 0;
        });
        QTest::keyClick(field, Qt::Key_F1);

        if (anchor.isEmpty()) {
            QVERIFY(opened.isEmpty());
            return;
        }
        QCOMPARE(opened, QStringList{anchor});
        QCOMPARE(over, &window); // modal over the window F1 was pressed in
        if (anchor == "contenido") {
            QCOMPARE(scroll, 0);
        } else {
            // The section's heading is at the top of the browser.
            QVERIFY(scroll > 0);
            QVERIFY2(firstVisible.contains(anchor == "preparar" ? "Preparar" : "Ingresar el detalle"),
                     qPrintable(firstVisible));
        }
    }
};

QTEST_MAIN(TestMdiFrm)
#include "tst_mdifrm.moc"
