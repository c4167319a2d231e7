#pragma once
// frmAbrirEnv: "Ver declaración enviada", the sending history of form 7093 (HCAB) for the
// session user's own taxpayers, whatever the user type and whatever the sending's estado.
// "&Ver" or a double click opens the chosen sending in Frm745, read only (SentMode), after
// copying its key values into the session (TaxpayerId, TaxpayerName, Period, SentCorrel,
// SentControl, SentOrderNumber; OrderNumberChanged cleared); afterwards the list comes back
// on the same row. "&Salir" clears SentMode and closes the window.
//
// Errors: a failing list is reported in a critical box and leaves the grid disabled.

#include <QDialog>

class QGroupBox;
class QPushButton;
class QTableView;

namespace declmod {

class SelectionModel;

class frmAbrirEnv : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbrirEnv(QWidget *parent = nullptr);
    ~frmAbrirEnv() override;

    // Reads the list again behind the busy pointer (done on load and on each activation).
    void requery();
    // CmdOpciones 0 (view the current row) and 1 (close).
    void CmdOpciones_Click(int index);

    QTableView *grid() const { return grdContrib; }
    SelectionModel *model() const { return m_model; }

protected:
    void changeEvent(QEvent *event) override;
    void reject() override;

private:
    void rowChanged();
    void copyCurrentRow();
    void selectRow(int row);

    SelectionModel *m_model = nullptr;
    QGroupBox *fraEnviadas = nullptr;
    QTableView *grdContrib = nullptr;
    QPushButton *CmdOpciones[2] = {};
};

} // namespace declmod
