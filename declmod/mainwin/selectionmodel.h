#pragma once
// SelectionModel: the read-only list of a selection window (frmModFor, frmAbrirEnv). It
// reads a DeclarationList (readDeclarationList) and shows its columns by caption, each
// filled from the statement's field of that name; a field the statement does not have
// leaves its column empty (the pending list has no sending columns). Dates are shown
// "dd/mm/yyyy".
//
// A list of declarations is short (one row per taxpayer and exercise), so requery() reads
// every row at once and the result is closed before the window waits on the operator.
//
// Errors: requery() returns false and keeps the database's error in lastError(); the list
// is then empty.

#include "declmod/mainwin/declarationlists.h"

#include "common/db/dberror.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace qav {
class Database;
}

namespace declmod {

class SelectionModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SelectionModel(QObject *parent = nullptr);

    void setList(const DeclarationList &list);
    bool requery(qav::Database &db);
    const qav::DbError &lastError() const { return m_error; }

    // The stored value of a cell (not the shown date); empty outside the list.
    QString cell(int row, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    DeclarationList m_list;
    QList<QStringList> m_rows;
    qav::DbError m_error;
};

} // namespace declmod

class QTableView;

namespace declmod {

// Makes the visible columns of `grid` as wide as their captions and contents (the name
// column at least `nameWidth` pixels) and widens `window` so that they show without
// scrolling, within the screen's width.
void fitSelectionGrid(QTableView *grid, QWidget *window, int nameWidth);

} // namespace declmod
