#pragma once
// frmDetalle: the modal dialog "7093 - Detalle del comprobante" in which the operator adds
// voucher records to the declaration being edited, or changes the amounts of the record
// current in the declaration form's grid. It reads the session's DetailAddMode (add or
// modify) and SentMode (view only), checks the record (validateDetail), writes it into the
// session's working table with bound values and asks the form (DetailGridHost) to re-read
// its grid and totals.
//
// In add mode the dialog stays open after each saved record, cleared for the next one; in
// modify mode it closes after saving. "Salir", Escape and the window's close box ask
// whether to save a modified record; Cancel keeps the dialog as it is.
//
// Errors: each failed check is shown (a critical box titled with the caption, or the host's
// message service) and moves the focus to its field; a record the database refuses to
// write is reported in a critical box, nothing is confirmed and the dialog stays open with
// its fields.

#include "declmod/declaration/workingtable.h"

#include <QDialog>
#include <QString>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace declmod {

class DetailGridHost;

class frmDetalle : public QDialog
{
    Q_OBJECT

public:
    explicit frmDetalle(DetailGridHost &host, QWidget *parent = nullptr);
    ~frmDetalle() override;

    static QString caption() { return QStringLiteral("7093 - Detalle del comprobante"); }

    // Makes the declaration form's list re-read the working table / recompute its totals.
    void refrescargrid();
    void SumaTotal();
    static QString Sincoma(const QString &text);
    // Fills `list` from parameter table `number` (entries allowed in this module, ordered
    // by code), optionally after an entry of 75 spaces.
    static void CargaCombo233Per(QComboBox *list, const QString &number, int length, int start,
                                 bool addBlank);
    // Clears the type choice, the series, the month, both amounts and the month name.
    void LimpiaTextos();
    // Writes the record on screen into the working table; true when it was written.
    bool GrabarDet(bool isNew);

    // Aceptar and Salir, as their buttons run them.
    void aceptar();
    void salir();

    bool isModified() const { return m_modified; }
    bool isClosed() const { return m_closed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    bool ValidaDetalle(bool isNew);
    void buildUi();
    void load();
    void onTypeChosen(int index);
    bool handleKey(QLineEdit *field, class QKeyEvent *event);
    void fieldEntered(QLineEdit *field);
    void fieldLeft(QLineEdit *field);
    void grey(QLineEdit *field);
    void finish();
    QString typeCode() const;
    QLineEdit *fieldFor(int detailField) const;

    DetailGridHost &m_host;
    std::optional<VoucherRecord> m_record; // the record being modified
    bool m_addMode = true;
    bool m_modified = false;
    bool m_closed = false;

    QComboBox *CmbRetencion = nullptr;
    QLabel *lbltip = nullptr;
    QLineEdit *txtNumOri = nullptr;
    QLineEdit *txtmes = nullptr;
    QLabel *lblMes = nullptr;
    QLineEdit *txtImporte[2] = {};
    QPushButton *cmdaceptar[2] = {};
};

// Installs frmDetalle as the dialog the declaration form opens for its records.
void installDetailDialog();

} // namespace declmod
