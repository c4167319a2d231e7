#pragma once
// MDIFrm: the module's main window, captioned "QAV  Detalle de Operaciones", with the
// menus, the tool bar Toolbar1 and the host's status bar. Every other window of the module
// is opened from its commands, modally and as a fresh instance; before opening it a command
// sets the session flags its window reads.
//
// load() runs the rest of the start-up (settings, database, form number, help file, the
// "error" table, status bar). It runs when the window is first shown, or earlier when
// someone calls it (tests). A failing database open or a missing "error" table shows its
// message under "Error de Conección" and ends the process through endProcess(); with a
// test's process ender load() returns false instead.
//
// F1 opens the help: in the main window at its contents, in a window of the module that
// has a "helpTopic" property (an int) at that topic's section.
//
// Menu items and tool-bar buttons are QActions named as the commands' controls (mnuNueva,
// mnuPro, ..., Toolbar1 buttons "Button1" to "Button10").

#include "declmod/mainwin/commands.h"

#include <QMainWindow>

#include <functional>

class QDialog;
class QMdiArea;
class QToolBar;

namespace declmod {

class QAVStatBar;

class MDIFrm : public QMainWindow
{
    Q_OBJECT

public:
    explicit MDIFrm(QWidget *parent = nullptr);
    ~MDIFrm() override;

    // The start-up steps of the window's load. True when the session is ready.
    bool load();
    bool isLoaded() const { return m_loaded; }

    // Puts the window back in its place (normal state, left -60, top -60, height 7320,
    // width 9720 twips); done on every activation.
    void pCuadra();

    // Runs a command as its menu item or tool-bar button does.
    void runCommand(MainCommand command, bool fromToolbar = false);

    QAVStatBar *statusBarControl() const { return m_statBar; }
    QToolBar *toolbar() const { return m_toolbar; }

    // How a command's window is shown; the default is exec(). Tests replace it to look at
    // the window instead of waiting on it. An empty runner restores the default.
    using WindowRunner = std::function<int(QDialog &)>;
    void setWindowRunner(WindowRunner runner);

    // True when the busy pointer was up while the last opened window loaded.
    bool lastLoadWasBusy() const { return m_lastLoadBusy; }

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void changeEvent(QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void buildMenus();
    void buildToolbar();
    QAction *commandAction(MainCommand command, const QString &text, const char *name,
                           bool fromToolbar = false);
    void openCommandWindow(MainCommand command);
    void showHelp(const QString &anchor = QString(), QWidget *over = nullptr);
    void closeChildWindows();
    void salir();

    QAVStatBar *m_statBar = nullptr;
    QMdiArea *m_mdiArea = nullptr;
    QToolBar *m_toolbar = nullptr;
    WindowRunner m_runner;
    bool m_loaded = false;
    bool m_ending = false;
    bool m_lastLoadBusy = false;
};

} // namespace declmod
