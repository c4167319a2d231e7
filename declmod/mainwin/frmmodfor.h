#pragma once
// frmModFor: the selection of a declaration of form 7093 to modify or delete. It serves
// three commands of the main window, told apart by the session flags: FormMode 2 (open a
// pending declaration in Frm745) or 3 (delete it), and HistoryList (false: the pending
// declarations of CAB; true: the sent ones of HCAB with estado 1, for deletion only).
// Users of type "0" see every taxpayer's declarations, others only their own taxpayers'.
//
// The current row is published on the main window's status bar and copied into the
// session (TaxpayerId, TaxpayerName, Period, Semana, SentCorrel) as the operator moves;
// closing the window clears the status bar's four fields. "&Aceptar" / "&Modificar" /
// "&Eliminar", a double click or Enter on the list act on the current row.
//
// Deleting asks twice and then removes the declaration's rows of the three tables in one
// transaction. Errors: a failing list or deletion is reported in a critical box; after a
// failed deletion nothing is removed and the window stays open.

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

namespace declmod {

class SelectionModel;

class frmModFor : public QDialog
{
    Q_OBJECT

public:
    explicit frmModFor(QWidget *parent = nullptr);
    ~frmModFor() override;

    // Reads the list again and publishes the current row (done on each activation).
    void requery();
    // cmdOpciones 0 (act on the current row) and 1 (close).
    void cmdOpciones_Click(int index);

    QTableView *grid() const { return GrdContrib; }
    SelectionModel *model() const { return m_model; }

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    void publishCurrentRow();
    void copyCurrentRow();
    void deleteCurrent();
    void modifyCurrent();
    void selectRow(int row);

    SelectionModel *m_model = nullptr;
    QGroupBox *fradecreg = nullptr;
    QLabel *lblSeleccione = nullptr;
    QTableView *GrdContrib = nullptr;
    QPushButton *cmdOpciones[2] = {};
};

} // namespace declmod
