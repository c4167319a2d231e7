#pragma once
// DetailGridModel: the grid of the declaration's voucher records (grdGastos), a read-only
// table model over the working table that reads its rows a page at a time as the view asks
// for them, keeping only a few pages in memory: a declaration may hold 100,000 records.
//
// Columns: "Tipo de Comprobante" (the type's description from parameter table "233"),
// "Número de Serie", "Mes" (the month's name), "Ventas Totales", "Ventas Gravadas" (negative
// amounts as their absolute value in parentheses). Qt::UserRole gives the stored value of
// any cell.
//
// Errors: a page that cannot be read shows empty cells.

#include "declmod/declaration/workingtable.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QMap>

namespace declmod {

class DetailGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageSize = 256;
    static constexpr int MaxPages = 8;

    DetailGridModel(qav::Database &db, QObject *parent = nullptr);

    // CargarTipDoc: the type descriptions (first 40 characters of Funcion of the rows of
    // table "233" with "1" at character 67).
    void loadTypeNames();
    void setOrder(GridOrder order);
    // Re-reads the number of rows and forgets every page read.
    void refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The stored record of a row; no value outside the rows.
    std::optional<VoucherRecord> record(int row) const;
    QString typeName(const QString &code) const;

    // For the benchmark and tests: pages read from the database so far, pages held.
    int pagesRead() const { return m_pagesRead; }
    int pagesHeld() const { return int(m_pages.size()); }

private:
    const VoucherRecord *recordAt(int row) const;

    qav::Database &m_db;
    GridOrder m_order = GridOrder::ByTypeAndSeries;
    int m_rows = 0;
    QHash<QString, QString> m_typeNames;
    mutable QMap<int, QList<VoucherRecord>> m_pages;
    mutable QList<int> m_recent; // page numbers, most recent last
    mutable int m_pagesRead = 0;
};

} // namespace declmod
