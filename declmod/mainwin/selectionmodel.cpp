#include "declmod/mainwin/selectionmodel.h"

#include "common/db/database.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

namespace declmod {

SelectionModel::SelectionModel(QObject *parent) : QAbstractTableModel(parent) {}

void SelectionModel::setList(const DeclarationList &list)
{
    beginResetModel();
    m_list = list;
    m_rows.clear();
    endResetModel();
}

bool SelectionModel::requery(qav::Database &db)
{
    beginResetModel();
    m_rows.clear();
    m_error = {};
    const bool ok = readDeclarationList(db, m_list, &m_rows);
    if (!ok)
        m_error = db.lastError();
    endResetModel();
    return ok;
}

QString SelectionModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_list.columns.size())
        return QString();
    return m_rows.at(row).at(column);
}

int SelectionModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SelectionModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_list.columns.size());
}

QVariant SelectionModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QVariant();
    const QString value = cell(index.row(), index.column());
    return m_list.columns.at(index.column()).isDate ? listDateText(value) : value;
}

QVariant SelectionModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= m_list.columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_list.columns.at(section).caption;
}

} // namespace declmod

namespace declmod {

void fitSelectionGrid(QTableView *grid, QWidget *window, int nameWidth)
{
    grid->resizeColumnsToContents();
    if (grid->columnWidth(1) < nameWidth)
        grid->setColumnWidth(1, nameWidth);
    int total = grid->verticalHeader()->sizeHint().width() + 2 * grid->frameWidth()
                + grid->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (!grid->isColumnHidden(c))
            total += grid->columnWidth(c);
    // The frame around the list and the window's margins.
    int wanted = total + 60;
    if (const QScreen *screen = window->screen())
        wanted = qMin(wanted, screen->availableGeometry().width());
    if (window->width() < wanted)
        window->resize(wanted, window->height());
}

} // namespace declmod
