#pragma once
// frmImprimir: the print selection. Lists the declarations of the session user's taxpayers
// (pending ones, or sent ones when the session's HistoryList is set), and previews or prints
// the declaration report of the chosen one, ordered "Por mes" (with month totals) or
// "Por serie".
//
// "&Preliminar" (also a double click or Enter in the grid) builds the report and shows it:
// directly when it has one page, else through the page range dialog. "&Imprimir" builds it
// and prints the whole report on the default printer. Each build registers a new spool row.
// After a preview the grid is back on the row that was chosen.
//
// Errors: a list that cannot be read, and a report that cannot be built, are shown under
// "Impresión"; with an empty list the two print buttons do nothing.

#include "declmod/reports/printselection.h"

#include <QDialog>
#include <QList>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QStandardItemModel;
class QTableView;

namespace declmod {

class frmImprimir : public QDialog
{
    Q_OBJECT

public:
    explicit frmImprimir(QWidget *parent = nullptr);
    ~frmImprimir() override;

    // The load step: reads the list for the session's HistoryList and sets the columns.
    void load();

    QTableView *grdContrib() const { return m_grid; }
    QRadioButton *optReporte(int index) const { return m_options[index]; }
    QPushButton *CmdImprimir(int index) const { return m_buttons[index]; }
    QGroupBox *Frame2() const { return m_frame; }
    const QList<DeclarationRow> &rows() const { return m_rows; }

    void preliminar();
    void imprimir();

    // The grid's column captions, in index order.
    static QStringList columnCaptions();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool readList(QString *error);
    void fillModel();
    void rowChanged();
    bool readSelectedRow();
    bool buildReport(PreparedReport *report);

    QList<DeclarationRow> m_rows;
    QStandardItemModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QGroupBox *m_frame = nullptr;
    QRadioButton *m_options[2] = {nullptr, nullptr};
    QPushButton *m_buttons[3] = {nullptr, nullptr, nullptr};
};

} // namespace declmod
