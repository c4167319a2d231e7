#include "declmod/mainwin/mdifrm.h"

#include "declmod/mainwin/commandwindows.h"
#include "declmod/mainwin/helpwindow.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/lookups.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"
#include "declmod/session/startup.h"

#include "common/ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace declmod {

MDIFrm::MDIFrm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MDIFrm"));
    setWindowTitle(QStringLiteral("QAV  Detalle de Operaciones"));
    // The frame can be closed but neither minimized nor maximized.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_mdiArea);

    m_statBar = new QAVStatBar(this);
    setStatusBar(m_statBar);

    buildMenus();
    buildToolbar();
    // F1 in the module's other windows: they are modal, so the main window's own shortcut
    // does not reach them.
    qApp->installEventFilter(this);
}

MDIFrm::~MDIFrm()
{
    qApp->removeEventFilter(this);
}

bool MDIFrm::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QMainWindow::eventFilter(watched, e);
    auto *k = static_cast<QKeyEvent *>(e);
    if (k->key() != Qt::Key_F1 || k->modifiers() != Qt::NoModifier)
        return false;
    QWidget *window = static_cast<QWidget *>(watched)->window();
    if (window == this || qobject_cast<HelpWindow *>(window))
        return false;
    // The window with a help topic: the one F1 was pressed in, or the one it belongs to.
    for (QWidget *w = window; w; w = w->parentWidget()) {
        const QVariant topic = w->property("helpTopic");
        if (topic.isValid()) {
            showHelp(HelpWindow::anchorForTopic(topic.toInt()), window);
            return true;
        }
    }
    return false;
}

QAction *MDIFrm::commandAction(MainCommand command, const QString &text, const char *name,
                               bool fromToolbar)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this,
            [this, command, fromToolbar] { runCommand(command, fromToolbar); });
    if (command != MainCommand::Salir && command != MainCommand::Ayuda)
        action->setEnabled(commandHasWindow(command));
    return action;
}

void MDIFrm::buildMenus()
{
    auto addMenu = [this](const QString &title, const char *name) {
        QMenu *menu = menuBar()->addMenu(title);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };

    QMenu *declara = addMenu(QStringLiteral("&Declaraciones"), "mnuDeclara");
    declara->addAction(commandAction(MainCommand::Nueva, QStringLiteral("&Nueva"), "mnuNueva"));
    declara->addAction(
        commandAction(MainCommand::Modificar, QStringLiteral("&Modificar"), "mnuModificar"));
    declara->addAction(
        commandAction(MainCommand::Eliminar, QStringLiteral("&Eliminar"), "mnuEliminar"));
    declara->addSeparator();
    declara->addAction(
        commandAction(MainCommand::Imprimir, QStringLiteral("&Imprimir"), "mnuImprimir"));
    declara->addSeparator();
    declara->addAction(commandAction(MainCommand::Salir, QStringLiteral("&Salir"), "mnuSalir"));

    QMenu *enviadas = addMenu(QStringLiteral("Declaraciones &Enviadas"), "mnuDeclaraE");
    enviadas->addAction(
        commandAction(MainCommand::VerEnviadas, QStringLiteral("&Ver Enviadas"), "mnuRegistrar"));
    enviadas->addAction(commandAction(MainCommand::EliminarEnviada, QStringLiteral("&Eliminar"),
                                      "mnuEliminarE"));
    enviadas->addSeparator();
    enviadas->addAction(commandAction(MainCommand::ImprimirEnviada, QStringLiteral("&Imprimir"),
                                      "mnuImprimirE"));

    QMenu *consultas = addMenu(QStringLiteral("&Consultas"), "mnuConsultas");
    consultas->addAction(commandAction(MainCommand::Profesiones,
                                       QStringLiteral("&Codigos de profesión"), "mnuPro"));
    consultas->addAction(
        commandAction(MainCommand::Comprobantes, QStringLiteral("&Comprobantes"), "mnuBancos"));
    consultas->addAction(
        commandAction(MainCommand::Uit, QStringLiteral("&Consulta de UIT"), "mnuUit"));

    QMenu *ayuda = addMenu(QStringLiteral("&Ayuda"), "mnuayuda");
    QAction *contenido =
        commandAction(MainCommand::Ayuda, QStringLiteral("&Contenido de la Ayuda"), "mnuContenido");
    contenido->setShortcut(QKeySequence::HelpContents);
    ayuda->addAction(contenido);
    ayuda->addSeparator();
    ayuda->addAction(
        commandAction(MainCommand::Acerca, QStringLiteral("&Acerca de ..."), "mnuAcerca"));
}

void MDIFrm::buildToolbar()
{
    m_toolbar = addToolBar(QString());
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    QStyle *st = style();
    auto button = [this](int index, MainCommand command, const QString &text, const QIcon &icon) {
        const QByteArray name = "Button" + QByteArray::number(index);
        QAction *a = commandAction(command, text, name.constData(), true);
        a->setIcon(icon);
        a->setToolTip(text);
        m_toolbar->addAction(a);
        return a;
    };
    // Buttons 8 and 9 have no command.
    auto idle = [this](int index) {
        auto *a = new QAction(this);
        a->setObjectName(QStringLiteral("Button") + QString::number(index));
        a->setEnabled(false);
        m_toolbar->addAction(a);
        m_toolbar->widgetForAction(a)->setAccessibleName(QStringLiteral("Sin acción"));
    };

    button(1, MainCommand::Nueva, QStringLiteral("Nueva"), st->standardIcon(QStyle::SP_FileIcon));
    button(2, MainCommand::Modificar, QStringLiteral("Modifcar"),
           st->standardIcon(QStyle::SP_FileDialogDetailedView));
    button(3, MainCommand::Eliminar, QStringLiteral("Eliminar"),
           st->standardIcon(QStyle::SP_TrashIcon));
    button(4, MainCommand::Imprimir, QStringLiteral("Imprimir"),
           st->standardIcon(QStyle::SP_FileDialogContentsView));
    button(5, MainCommand::Salir, QStringLiteral("Salir"),
           st->standardIcon(QStyle::SP_DialogCloseButton));
    QAction *separator = m_toolbar->addSeparator();
    separator->setObjectName(QStringLiteral("Button6"));
    button(7, MainCommand::VerEnviadas, QStringLiteral("Ver Declaración Enviada"),
           st->standardIcon(QStyle::SP_FileDialogInfoView));
    idle(8);
    idle(9);
    QAction *help = button(10, MainCommand::Ayuda, QString(),
                           st->standardIcon(QStyle::SP_MessageBoxQuestion));
    help->setToolTip(QStringLiteral("Contenido de la Ayuda"));
    m_toolbar->widgetForAction(help)->setAccessibleName(QStringLiteral("Contenido de la Ayuda"));
}

bool MDIFrm::load()
{
    m_loaded = true;
    UbicaForm(this, 0, 0, 7320, 9555);

    ReadSessionSettings();
    if (!OpenSessionDatabase())
        return false;

    Session &s = session();
    s.FormNumber = QStringLiteral("7093");
    s.HelpFile = s.SysPath + s.FormNumber + QStringLiteral("/") + QStringLiteral("declmod.html");

    // The host's "error" table must be there.
    if (!probeErrorTable(s.Db)) {
        const qav::DbError &e = s.Db.lastError();
        qav::msgBox(e.text + QStringLiteral("\n") + QStringLiteral(" ") + QString::number(e.number),
                    qav::MbOk, QStringLiteral("Error de Conección"));
        s.Db.close();
        endProcess(1);
        return false;
    }

    m_statBar->setNumdoc(QString());
    m_statBar->setRazonsocial(QString());
    m_statBar->setFormulario(s.FormNumber);
    m_statBar->setPeriodo_ejercicio(s.Period);
    m_statBar->setEsruc(1);
    return true;
}

void MDIFrm::pCuadra()
{
    UbicaForm(this, -60, -60, 7320, 9720);
}

void MDIFrm::setWindowRunner(WindowRunner runner)
{
    m_runner = std::move(runner);
}

void MDIFrm::runCommand(MainCommand command, bool fromToolbar)
{
    if (command == MainCommand::Salir) {
        salir();
        return;
    }
    if (command == MainCommand::Ayuda) {
        showHelp();
        return;
    }
    if (!commandHasWindow(command))
        return;
    if (commandClosesChildren(command, fromToolbar))
        closeChildWindows();
    setCommandFlags(command, session());
    openCommandWindow(command);
}

void MDIFrm::openCommandWindow(MainCommand command)
{
    const bool busy = commandShowsBusy(command);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_lastLoadBusy = QApplication::overrideCursor() != nullptr
                     && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    std::unique_ptr<QDialog> window = createCommandWindow(command, this);
    if (busy)
        QApplication::restoreOverrideCursor();
    if (!window)
        return;
    window->setWindowModality(Qt::ApplicationModal);
    if (m_runner)
        m_runner(*window);
    else
        window->exec();
}

void MDIFrm::showHelp(const QString &anchor, QWidget *over)
{
    HelpWindow help(session().HelpFile, anchor.isEmpty() ? HelpWindow::contentsAnchor() : anchor,
                    over ? over : this);
    help.setWindowModality(Qt::ApplicationModal);
    if (m_runner)
        m_runner(help);
    else
        help.exec();
}

void MDIFrm::closeChildWindows()
{
    // Child windows are modal, so normally none is left; close whatever still is.
    for (QMdiSubWindow *child : m_mdiArea->subWindowList())
        delete child;
    for (QDialog *dialog : findChildren<QDialog *>(Qt::FindDirectChildrenOnly))
        if (dialog->isVisible())
            dialog->reject();
}

void MDIFrm::salir()
{
    if (m_ending)
        return;
    m_ending = true;
    hide();
    endSession(0);
}

bool MDIFrm::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        pCuadra();
    return QMainWindow::event(e);
}

void MDIFrm::changeEvent(QEvent *e)
{
    QMainWindow::changeEvent(e);
    // A window manager's shortcut or a double click on the title may still minimize or
    // maximize the frame: it is put back, once the state change has been delivered.
    if (e->type() == QEvent::WindowStateChange
        && (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        QTimer::singleShot(0, this, [this] {
            setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized
                                             | Qt::WindowFullScreen));
        });
    }
}

void MDIFrm::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (!m_loaded)
        load();
}

void MDIFrm::closeEvent(QCloseEvent *e)
{
    // Closing the frame ends the session as Salir does.
    e->accept();
    salir();
}

} // namespace declmod
