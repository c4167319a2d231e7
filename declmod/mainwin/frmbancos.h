#pragma once
// frmBancos: the consultation window. Shows one parameter list of the suite, chosen by the
// session's QueryKind: 1 professions, 2 the voucher types this module accepts, 3 the UIT
// values by date (newest first). The grid grdBancos is read-only; an empty list leaves it
// disabled. A failing query is reported in a message box and leaves the grid disabled too.
// Each activation reads the list again while the grid is enabled, keeping the current row.
// "&Salir" or Escape closes the window.

#include <QDialog>

class QPushButton;
class QSqlQueryModel;
class QTableView;

namespace declmod {

class frmBancos : public QDialog
{
    Q_OBJECT

public:
    explicit frmBancos(QWidget *parent = nullptr);
    ~frmBancos() override;

    // Lists the consultation the session's QueryKind names.
    void load();

    // The caption of a consultation kind (empty for an unknown kind); its statement is
    // consultationQuery's.
    static QString captionText(int queryKind);

    QTableView *grid() const { return m_grid; }

    // Reads the list again when the grid is enabled, keeping the current row where it can.
    void rebind();

protected:
    void changeEvent(QEvent *event) override;

private:
    void cmdSalirClick();

    QTableView *m_grid = nullptr;
    QSqlQueryModel *m_model = nullptr;
    QPushButton *m_cmdSalir = nullptr;
};

} // namespace declmod
