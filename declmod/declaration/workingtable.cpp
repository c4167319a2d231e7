#include "declmod/declaration/workingtable.h"

#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/sqlfunctions.h"

#include "common/db/amounttotals.h"

#include <QSqlQuery>

namespace declmod {

bool WorkingTable::create()
{
    registerDeclarationFunctions(m_db.handle());
    // Text columns ignore case, as every text of the suite's tables does. The table is the
    // session's own: another program's working table is never seen.
    return m_db.executeDdl(QStringLiteral(
               "CREATE TEMP TABLE IF NOT EXISTS tmpf7093des ("
               " tip_com TEXT(2) COLLATE NOCASE, num_ser TEXT(15) COLLATE NOCASE,"
               " per_tri TEXT(6) COLLATE NOCASE, tot_ven TEXT(15) COLLATE NOCASE,"
               " tot_gra TEXT(15) COLLATE NOCASE)"))
        && m_db.executeDdl(QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS temp.PK_TMPF7093DES"
                                          " ON tmpf7093des (tip_com, num_ser, per_tri)"));
}

bool WorkingTable::clear()
{
    if (!m_db.execute(QStringLiteral("DELETE FROM tmpf7093des")))
        return false;
    if (RecoveryFile *kept = RecoveryFile::keeping(m_db))
        kept->replaced();
    return true;
}

bool WorkingTable::fillFromStored(const DeclarationKey &key, bool sent)
{
    QString sql = QStringLiteral(
        "INSERT INTO tmpf7093des (num_ser, tip_com, tot_ven, tot_gra, per_tri)"
        " SELECT num_ser, tip_com, tot_ven, tot_gra, per_tri FROM %1"
        " WHERE tip_doc_d=6 and doc_id_d=? and periodo=? and formulario=?");
    QVariantList params{key.taxpayerId, key.period, key.formNumber};
    if (sent) {
        sql = sql.arg(QStringLiteral("hf7093des")) + QStringLiteral(" and correl=?");
        params << key.correl;
    } else {
        sql = sql.arg(QStringLiteral("f7093des"));
    }
    // The sent declaration keeps the table's own order: copy in the order rows were written.
    sql += QStringLiteral(" ORDER BY ") + m_db.rowOrderColumn();
    if (!m_db.execute(sql, params))
        return false;
    if (RecoveryFile *kept = RecoveryFile::keeping(m_db))
        kept->replaced();
    return true;
}

bool WorkingTable::insert(const VoucherRecord &r)
{
    if (!m_db.execute(QStringLiteral("INSERT INTO tmpf7093des (tip_com, num_ser, per_tri,"
                                     " tot_ven, tot_gra) VALUES (?, ?, ?, ?, ?)"),
                      {r.tip_com, r.num_ser, r.per_tri, r.tot_ven, r.tot_gra}))
        return false;
    if (RecoveryFile *kept = RecoveryFile::keeping(m_db))
        kept->inserted(r);
    return true;
}

bool WorkingTable::update(const VoucherRecord &r)
{
    if (!m_db.execute(QStringLiteral("UPDATE tmpf7093des SET tot_ven=?, tot_gra=?"
                                     " WHERE num_ser=? and tip_com=? and per_tri=?"),
                      {r.tot_ven, r.tot_gra, r.num_ser, r.tip_com, r.per_tri}))
        return false;
    if (m_db.rowsAffected() == 0)
        return false;
    if (RecoveryFile *kept = RecoveryFile::keeping(m_db))
        kept->updated(r);
    return true;
}

bool WorkingTable::remove(const QString &num_ser, const QString &tip_com, const QString &per_tri)
{
    if (!m_db.execute(
            QStringLiteral("DELETE FROM tmpf7093des WHERE num_ser=? and tip_com=? and per_tri=?"),
            {num_ser, tip_com, per_tri}))
        return false;
    if (m_db.rowsAffected() > 0)
        if (RecoveryFile *kept = RecoveryFile::keeping(m_db))
            kept->removed(num_ser, tip_com, per_tri);
    return true;
}

std::optional<VoucherRecord> WorkingTable::find(const QString &tip_com, const QString &num_ser,
                                                const QString &per_tri)
{
    QSqlQuery q(m_db.handle());
    if (!m_db.select(&q,
                     QStringLiteral("SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra"
                                    " FROM tmpf7093des"
                                    " WHERE num_ser=? and tip_com=? and per_tri=?"),
                     {num_ser, tip_com, per_tri})
        || !q.next())
        return std::nullopt;
    return VoucherRecord{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).toString(), q.value(4).toString()};
}

std::optional<DetailTotals> WorkingTable::totals()
{
    qav::DbError failure;
    const std::optional<qav::AmountTotals> sums = qav::amountTotals(
        m_db, QStringLiteral("tmpf7093des"), {QStringLiteral("tot_ven"), QStringLiteral("tot_gra")},
        &failure);
    if (!sums) {
        // An amount that is not a number makes the sums fail: the record is named instead.
        QSqlQuery bad(m_db.handle());
        if (!m_db.select(&bad, QStringLiteral("SELECT tip_com, num_ser, per_tri, CASE WHEN"
                                              " isamount(tot_ven) THEN tot_gra ELSE tot_ven END"
                                              " FROM tmpf7093des WHERE NOT isamount(tot_ven)"
                                              " OR NOT isamount(tot_gra)")
                                   + orderClause(GridOrder::ByTypeAndSeries)
                                   + QStringLiteral(" LIMIT 1"))
            || !bad.next())
            return std::nullopt;
        DetailTotals t;
        t.invalid = InvalidAmount{bad.value(0).toString(), bad.value(1).toString(),
                                  bad.value(2).toString(), bad.value(3).toString()};
        bad.finish();
        t.count = count();
        return t;
    }
    DetailTotals t;
    t.count = sums->rows;
    if (sums->sums.value(0))
        t.totVen = qav::Amount::fromRaw(*sums->sums.value(0));
    if (sums->sums.value(1))
        t.totGra = qav::Amount::fromRaw(*sums->sums.value(1));
    return t;
}

int WorkingTable::distinctMonths()
{
    return m_db.scalar(QStringLiteral("SELECT count(*) FROM"
                                      " (SELECT distinct(per_tri) as Detalle FROM tmpf7093des) AS m"))
        .toInt();
}

qint64 WorkingTable::count()
{
    return m_db.scalar(QStringLiteral("SELECT count(*) FROM tmpf7093des")).toLongLong();
}

QString WorkingTable::orderClause(GridOrder order)
{
    return order == GridOrder::ByTypeAndSeries
        ? QStringLiteral(" ORDER BY tip_com, num_ser, per_tri")
        : QStringLiteral(" ORDER BY rowid");
}

namespace {

QList<VoucherRecord> readRecords(qav::Database &db, const QString &sql, const QVariantList &params,
                                 int limit)
{
    QList<VoucherRecord> out;
    QSqlQuery q(db.handle());
    q.setForwardOnly(true);
    if (!db.select(&q, sql, params))
        return out;
    out.reserve(limit);
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                    q.value(3).toString(), q.value(4).toString()});
    return out;
}

const QString kGridColumns =
    QStringLiteral("SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra FROM tmpf7093des");

} // namespace

QList<VoucherRecord> WorkingTable::rows(GridOrder order, qint64 offset, int limit)
{
    return readRecords(m_db, kGridColumns + orderClause(order) + QStringLiteral(" LIMIT ? OFFSET ?"),
                       {limit, offset}, limit);
}

QList<VoucherRecord> WorkingTable::rowsAfter(GridOrder order, const VoucherRecord &last, int limit)
{
    const QString where = order == GridOrder::ByTypeAndSeries
        ? QStringLiteral(" WHERE (tip_com, num_ser, per_tri) > (?, ?, ?)")
        : QStringLiteral(" WHERE rowid > (SELECT rowid FROM tmpf7093des"
                         " WHERE tip_com=? AND num_ser=? AND per_tri=?)");
    return readRecords(m_db, kGridColumns + where + orderClause(order) + QStringLiteral(" LIMIT ?"),
                       {last.tip_com, last.num_ser, last.per_tri, limit}, limit);
}

std::optional<bool> WorkingTable::differsFromStored(const DeclarationKey &key)
{
    return recordsDifferFromStored(m_db, QStringLiteral("tmpf7093des"), key);
}

std::optional<bool> recordsDifferFromStored(qav::Database &db, const QString &table,
                                            const DeclarationKey &key)
{
    if (!key.isComplete()) {
        const QVariant n = db.scalar(QStringLiteral("SELECT count(*) FROM ") + table);
        if (!n.isValid())
            return std::nullopt;
        return n.toLongLong() > 0;
    }
    const QString stored = QStringLiteral(
        "SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra FROM f7093des"
        " WHERE tip_doc_d=6 and doc_id_d=? and periodo=? and formulario=?");
    const QString working =
        QStringLiteral("SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra FROM ") + table;
    const QVariant n = db.scalar(
        QStringLiteral("SELECT (SELECT count(*) FROM (") + working + QStringLiteral(" EXCEPT ")
            + stored + QStringLiteral(") AS a) + (SELECT count(*) FROM (") + stored
            + QStringLiteral(" EXCEPT ") + working + QStringLiteral(") AS b)"),
        {key.taxpayerId, key.period, key.formNumber, key.taxpayerId, key.period,
         key.formNumber});
    if (!n.isValid())
        return std::nullopt;
    return n.toLongLong() > 0;
}

} // namespace declmod
