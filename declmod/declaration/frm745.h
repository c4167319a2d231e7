#pragma once
// Frm745: the window in which one declaration of form 7093 is identified, its voucher
// records listed and edited, checked and saved. Tab 0 "&Identificación" holds the
// taxpayer, the exercise, the telephone and (for a sent declaration) the order number;
// tab 1 "&Detalle " the grid of records over the session's working table, the totals and
// the four record buttons. Validate, save and exit are outside the tabs.
//
// The window reads the session fields its opener set (FormMode, SentMode, the declaration
// key) and loads itself when it is built; it is shown modally with exec(). The routines
// are public so that the other windows of the declaration and the tests can call them.
//
// Errors: every check and failure is shown in a message box titled with the caption (the
// record buttons through the host's message service); a failed save rolls back, keeps the
// window open with its data and says so.

#include "declmod/declaration/recorddialogs.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;

namespace declmod {

class ConsistencyFile;
class DetailGridModel;
class RecoveryFile;
struct DeclarationKey;

class Frm745 : public QDialog, public DetailGridHost
{
    Q_OBJECT

public:
    explicit Frm745(QWidget *parent = nullptr);
    ~Frm745() override;

    static QString caption() { return QStringLiteral("QAV Detalle de Operaciones "); }

    // Identification (tab 0).
    void CargaIdent();
    bool ValIdent(const QString &mode, ConsistencyFile *file = nullptr);
    void destodo();
    void CargarCab();

    // Working table and grid (tab 1).
    void BorraTemporal();
    void CargaTemporal();
    void CargarTipDoc();
    void CargarMes();
    void TotReg();
    void Eliminar(const QString &num_ser, const QString &tip_com, const QString &per_tri);
    void cmdDetalle_Click(int index);

    // Validation, saving and exit.
    bool ValidaTodo(const QString &mode);
    int ValidaMeses();
    void GrabarGrilla();
    bool GrabarForm();
    void Cmdgeneral_Click(int index);

    // DetailGridHost
    void refrescargrid() override;
    void SumaTotal() override;
    std::optional<VoucherRecord> currentRecord() const override;

    // Takes the operator to what a line of the consistency window names: the telephone,
    // the taxpayer list, or the detail tab's "&Nuevo".
    void goToInconsistency(const QString &line);

    bool Modified() const { return m_modified; }
    bool CloseAfterSave() const { return m_closeAfterSave; }
    // True once the window has been closed by one of its routines.
    bool isClosed() const { return m_closed; }
    DetailGridModel *gridModel() const { return m_model; }

    // The consistency window: shows the file modally. Tests replace it.
    std::function<void(const QString &path)> showConsistency;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildUi();
    void load();
    void exerciseCheck();
    void onTaxpayerChosen(int index);
    void onTabChanged(int index);
    bool taxpayerListKey(const QKeyEvent *k);
    void placeExerciseCaret();
    void showHostMessage(const QString &text);
    bool workingTableChanged();
    void keepRecovery();
    void reportRecoveryFailure();
    void exitPending();
    void exitSent();
    bool saveOrderNumber();
    bool replaceChangedDeclaration();
    void afterSave();
    void finish();
    void setHelpTopic(int topic);
    DeclarationKey key() const;
    QString exerciseTyped() const;
    QString rucChosen() const;

    bool m_modified = false;
    // The version of the stored declaration the window loaded or last saved
    // (DeclarationStore::version): a save that finds another one stored asks first.
    QByteArray m_storedVersion;
    // The amount that is not a number last named by TotReg (named once while it stays).
    QString m_invalidAmountShown;
    bool m_closeAfterSave = false;
    bool m_closed = false;
    bool m_inExerciseCheck = false;
    bool m_activatedOnce = false;
    int m_lastTab = 0;
    // Keeps the unsaved records of a pending declaration beyond an unexpected end.
    std::unique_ptr<RecoveryFile> m_recovery;

    QTabWidget *tab0745 = nullptr;
    QGroupBox *Frame11 = nullptr;
    QComboBox *CmbRuc = nullptr;
    QLineEdit *TxtNumRuc = nullptr;
    QLineEdit *TxtRazon = nullptr;
    QLineEdit *MkePeriodo = nullptr;
    QLineEdit *TxtTelefono = nullptr;
    QGroupBox *fraRectifica = nullptr;
    QRadioButton *OptRectifica[2] = {};
    QGroupBox *frmOrden = nullptr;
    QLineEdit *txtOrden = nullptr;
    QLabel *lblGuion = nullptr;
    QLineEdit *txtVerifica = nullptr;
    QTableView *grdGastos = nullptr;
    DetailGridModel *m_model = nullptr;
    QLabel *lbltotal = nullptr;
    QLabel *lblTotGra = nullptr;
    QLabel *lblregistros = nullptr;
    QPushButton *cmdDetalle[4] = {};
    QPushButton *Cmdgeneral[3] = {};
};

} // namespace declmod
