#pragma once
// WorkingTable: the voucher records of the declaration being edited, held in
// `tmpf7093des` while the declaration window is open.
//
// The table is private to the session's connection: create() makes a TEMP table of the
// shared table's name and columns, which SQLite finds before the shared one, so two
// sessions on one shared database never see each other's records. The shared table (the
// installer creates it) is left alone.
//
// Each change made here (insert, update, remove, clear, fill) is passed on, once made, to
// the RecoveryFile keeping the table of the same database, when there is one.
//
// Every value enters SQL as a bound parameter. Totals are exact: amounts are summed as
// fixed-point Amounts, not as floating point.
//
// Errors: every call returns false (or no value) on failure and leaves the database error
// in lastError(); nothing throws and nothing is shown.

#include "declmod/declaration/declarationkey.h"

#include "common/amount/amount.h"
#include "common/db/database.h"

#include <QList>
#include <QString>

#include <optional>

namespace declmod {

// One voucher record: the five columns of the working table, as text.
struct VoucherRecord {
    QString tip_com;
    QString num_ser;
    QString per_tri;
    QString tot_ven;
    QString tot_gra;
    friend bool operator==(const VoucherRecord &, const VoucherRecord &) = default;
};

// A record whose stored amount is not a number: its key and the amount as stored.
struct InvalidAmount {
    QString tip_com;
    QString num_ser;
    QString per_tri;
    QString amount;
};

// The three totals under the grid.
struct DetailTotals {
    qint64 count = 0;
    std::optional<qav::Amount> totVen; // no value when the table is empty
    std::optional<qav::Amount> totGra;
    // Set when an amount is not a number (the first such record in the grid's order): the
    // sums are then not given, since any sum would be wrong.
    std::optional<InvalidAmount> invalid;
};

// The order the grid lists the rows in: a pending declaration by voucher type and series
// (then month, so that every page of the list is the same each time it is read), a sent
// one in the order its rows were copied.
enum class GridOrder { ByTypeAndSeries, AsStored };

class WorkingTable
{
public:
    explicit WorkingTable(qav::Database &db) : m_db(db) {}

    // Creates the session's private table (and its key) when it does not exist yet and
    // registers the SQL functions the declaration uses on the connection.
    bool create();

    // BorraTemporal: empties the table.
    bool clear();

    // Copies the stored records of a declaration into the (emptied) table: from f7093des
    // for a pending one, from hf7093des of key.correl for a sent one.
    bool fillFromStored(const DeclarationKey &key, bool sent);

    // One record. insert() fails with ErrDuplicateKey when the type, series and month are
    // already there; update() changes the amounts of the record with the key of `record`
    // (false with ErrEngine when there is none); remove() deletes the record of the key.
    bool insert(const VoucherRecord &record);
    bool update(const VoucherRecord &record);
    bool remove(const QString &num_ser, const QString &tip_com, const QString &per_tri);
    // The record of a key, when there is one.
    std::optional<VoucherRecord> find(const QString &tip_com, const QString &num_ser,
                                      const QString &per_tri);

    std::optional<DetailTotals> totals();
    // Number of distinct months (per_tri) among the records.
    int distinctMonths();
    qint64 count();

    // `limit` records from position `offset` (0-based) in the grid's order.
    QList<VoucherRecord> rows(GridOrder order, qint64 offset, int limit);
    // `limit` records that follow `last` in the grid's order: the same as rows() from the
    // position after `last`, without stepping over the records before it.
    QList<VoucherRecord> rowsAfter(GridOrder order, const VoucherRecord &last, int limit);

    // True when the table holds other records than those stored for the key in f7093des
    // (any record added, changed or removed since the declaration was loaded or saved).
    // For a key that is not complete, true when the table has any record.
    std::optional<bool> differsFromStored(const DeclarationKey &key);

    const qav::DbError &lastError() const { return m_db.lastError(); }

    static QString orderClause(GridOrder order);

private:
    qav::Database &m_db;
};

// True when `table` (a table of the working table's five columns) holds other records than
// those stored for the key in f7093des; for a key that is not complete, true when it holds
// any record. No value when it cannot be told.
std::optional<bool> recordsDifferFromStored(qav::Database &db, const QString &table,
                                            const DeclarationKey &key);

} // namespace declmod
