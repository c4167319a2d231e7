#include "declmod/declaration/detailgridmodel.h"

#include "declmod/declaration/detailtexts.h"

#include <QSqlQuery>

namespace declmod {

DetailGridModel::DetailGridModel(qav::Database &db, QObject *parent)
    : QAbstractTableModel(parent), m_db(db)
{
}

void DetailGridModel::loadTypeNames()
{
    m_typeNames.clear();
    QSqlQuery q(m_db.handle());
    if (!m_db.select(&q, QStringLiteral("Select funcion,argumento From param Where numero='233'"
                                        " Order by val(argumento)")))
        return;
    while (q.next()) {
        const QString funcion = q.value(0).toString();
        if (funcion.mid(66, 1) != u"1")
            continue;
        // The first 40 characters; the blanks that pad them out are not shown.
        QString name = funcion.left(40);
        while (name.endsWith(u' '))
            name.chop(1);
        m_typeNames.insert(q.value(1).toString().trimmed(), name);
    }
}

void DetailGridModel::setOrder(GridOrder order)
{
    m_order = order;
    refresh();
}

void DetailGridModel::refresh()
{
    beginResetModel();
    m_pages.clear();
    m_recent.clear();
    m_rows = int(WorkingTable(m_db).count());
    endResetModel();
}

int DetailGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DetailGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 5;
}

const VoucherRecord *DetailGridModel::recordAt(int row) const
{
    if (row < 0 || row >= m_rows)
        return nullptr;
    const int page = row / PageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        if (m_pages.size() >= MaxPages) {
            m_pages.remove(m_recent.takeFirst());
        }
        // Scrolling on reads the page after one already held from its last record, so
        // the end of a long list costs no more than its start.
        WorkingTable wt(m_db);
        const auto before = m_pages.constFind(page - 1);
        QList<VoucherRecord> rows = before != m_pages.cend() && before->size() == PageSize
            ? wt.rowsAfter(m_order, before->last(), PageSize)
            : wt.rows(m_order, qint64(page) * PageSize, PageSize);
        it = m_pages.insert(page, std::move(rows));
        ++m_pagesRead;
    } else {
        m_recent.removeOne(page);
    }
    m_recent.append(page);
    const int at = row % PageSize;
    return at < it->size() ? &it->at(at) : nullptr;
}

std::optional<VoucherRecord> DetailGridModel::record(int row) const
{
    if (const VoucherRecord *r = recordAt(row))
        return *r;
    return std::nullopt;
}

QString DetailGridModel::typeName(const QString &code) const
{
    return m_typeNames.value(code.trimmed(), code);
}

QVariant DetailGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::UserRole
                             && role != Qt::TextAlignmentRole))
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() >= 3 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    const VoucherRecord *r = recordAt(index.row());
    if (!r)
        return {};
    const bool stored = role == Qt::UserRole;
    switch (index.column()) {
    case 0:
        return stored ? r->tip_com : typeName(r->tip_com);
    case 1:
        return r->num_ser;
    case 2:
        return stored ? r->per_tri : monthName(r->per_tri);
    case 3:
        return stored ? r->tot_ven : gridAmountText(r->tot_ven);
    case 4:
        return stored ? r->tot_gra : gridAmountText(r->tot_gra);
    }
    return {};
}

QVariant DetailGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const QStringList captions{
        QStringLiteral("Tipo de Comprobante"), QStringLiteral("Número de Serie"),
        QStringLiteral("Mes"), QStringLiteral("Ventas Totales"), QStringLiteral("Ventas Gravadas")};
    return captions.value(section);
}

} // namespace declmod
