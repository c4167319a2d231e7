#pragma once
// frmTranPer: the import dialog of the declaration window ("&Importar"). The operator picks
// the folder that holds the import file of the declaration's taxpayer and exercise in a
// folder tree (which starts at the program's own folder), sees in the file list whether the
// file is there (its name matched without regard to case), and presses Aceptar. The run
// (TransPerRet) shows its counters and a progress bar of the bytes read while the dialog's
// events keep running, so Salir stops it after the current line; the dialog closes once
// the run has returned. At the end of a run the declaration window's grid and totals are
// refreshed, then the closing message or the question about the error report follows.
//
// The folder is empty until the operator chooses one in the tree (setFolder() does the
// same for tests). Messages go through the process-wide message service.

#include "declmod/import/transperret.h"

#include <QDialog>

#include <memory>

class QFileSystemModel;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace declmod {

class DetailGridHost;

class frmTranPer : public QDialog
{
    Q_OBJECT

public:
    explicit frmTranPer(DetailGridHost *host, QWidget *parent = nullptr);
    ~frmTranPer() override;

    // The folder chosen in the tree, as the tree reports a change.
    void setFolder(const QString &folder);
    QString folder() const { return m_folder; }
    // The file list: the names of the chosen folder that match the import file's name.
    QStringList listedFiles() const;

    // Aceptar and Salir.
    void cmdTransferir_Click();
    void cmCancelar_Click();

    bool running() const { return m_run && m_run->running(); }

    // How the transfer-error report is built and shown. The module's own
    // (moduleErrorReportHooks()) build it with ConstruyeReporte and show it in the preview;
    // empty functions leave it registered only.
    static void setErrorReportHooks(const ErrorReportHooks &hooks);
    static ErrorReportHooks moduleErrorReportHooks();

    // The folder the tree starts at in the dialogs made from now on: the program's own
    // folder (an empty text) or another one (tests start in a folder of their own).
    static void setStartFolder(const QString &folder);

    // Installs this dialog as the declaration window's "&Importar".
    static void install();

    QLabel *lblTransferidos = nullptr;
    QLabel *lblRechazados = nullptr;
    QProgressBar *prgAvance = nullptr;
    QPushButton *cmdTransferir = nullptr;
    QPushButton *cmCancelar = nullptr;
    QTreeView *DirDirectorio = nullptr;
    QListWidget *File1 = nullptr;

protected:
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void showCounters(const TransPerRet &run);
    void listFiles();
    void showStartFolder();
    QString fileName() const;

    DetailGridHost *m_host;
    QFileSystemModel *m_folders = nullptr;
    QString m_folder;
    std::unique_ptr<TransPerRet> m_run;
    bool m_closeAfterRun = false;
    QString m_startFolder;       // the program's own folder, where the tree starts
    bool m_placingStart = false; // the tree is being placed on it: no folder chosen
    bool m_placePending = false;
    bool m_treeUsed = false;     // the operator has clicked, scrolled or typed in the tree
};

} // namespace declmod
