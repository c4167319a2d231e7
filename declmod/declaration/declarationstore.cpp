#include "declmod/declaration/declarationstore.h"

#include "declmod/declaration/numerocontrol.h"
#include "declmod/declaration/sqlfunctions.h"

#include "common/db/rowdigest.h"
#include "common/db/tableinfo.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace declmod {
namespace {

const QString kCabWhere = QStringLiteral(
    " WHERE DOC_ID_D=? AND PERIODO=? AND FORMULARIO=? AND SEMANA=? AND TIP_DOC_D=6");

QVariantList cabParams(const DeclarationKey &k)
{
    return {k.taxpayerId, k.period, k.formNumber, k.semana};
}

const QString kHcabWhere = QStringLiteral(
    " WHERE DOC_ID_D=? AND TIP_DOC_D=6 AND PERIODO=? AND FORMULARIO=? AND CORREL=? AND SEMANA=?");

QVariantList hcabParams(const DeclarationKey &k)
{
    return {k.taxpayerId, k.period, k.formNumber, k.correl, k.semana};
}

} // namespace

bool DeclarationStore::fail()
{
    m_error = m_db.lastError();
    if (!m_error.isError())
        m_error = {qav::ErrEngine, qav::dbErrorText(qav::ErrEngine)};
    return false;
}

bool DeclarationStore::failWith(int number, const QString &text)
{
    m_error = {number, text};
    return false;
}

bool DeclarationStore::writeControlValue(const QString &table, int k, const QString &where,
                                         const QVariantList &params)
{
    QSqlQuery q(m_db.handle());
    if (!m_db.select(&q, QStringLiteral("SELECT * FROM ") + table + where, params))
        return fail();
    if (!q.next())
        return failWith(qav::ErrEngine, QStringLiteral("La fila de %1 no existe.").arg(table));
    const QSqlRecord rec = q.record();
    q.finish();
    // A date enters as yyyymmdd however the engine keeps it (the file as the text it was
    // written as, a server as a date).
    const std::optional<QList<bool>> dates = qav::dateColumns(m_db, table);
    if (!dates)
        return fail();
    QVariantList fields;
    fields.reserve(rec.count());
    for (int i = 0; i < rec.count(); ++i)
        fields.append(dates->value(i) ? controlDateField(rec.value(i)) : rec.value(i));
    const QString control = NumeroControl(fields, k);
    if (!m_db.execute(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET cNumero=?") + where,
                      QVariantList{control} + params))
        return fail();
    return true;
}

bool DeclarationStore::savePending(const DeclarationKey &key, bool consistent,
                                   const QDate &today)
{
    m_error = {};
    if (!key.isComplete())
        return failWith(qav::ErrEngine,
                        QStringLiteral("La declaración no tiene contribuyente o ejercicio."));
    qav::Transaction t(m_db, key.holdName());
    if (!t.isActive())
        return fail();
    if (!writePending(key, consistent, today))
        return false;
    if (!t.commit())
        return fail();
    return true;
}

DeclarationStore::SaveResult DeclarationStore::savePending(const DeclarationKey &key,
                                                           bool consistent, const QDate &today,
                                                           SaveCheck check, QByteArray *version)
{
    m_error = {};
    if (!key.isComplete()) {
        failWith(qav::ErrEngine, QStringLiteral("La declaración no tiene contribuyente o ejercicio."));
        return SaveResult::Failed;
    }
    qav::Transaction t(m_db, key.holdName());
    if (!t.isActive()) {
        fail();
        return SaveResult::Failed;
    }
    if (check == SaveCheck::IfUnchanged) {
        const auto now = this->version(key, Records::Stored);
        if (!now)
            return SaveResult::Failed;
        if (version->isEmpty() || *now != *version)
            return SaveResult::Changed; // rolled back: nothing was written
    }
    if (!writePending(key, consistent, today))
        return SaveResult::Failed;
    const auto written = this->version(key, Records::Stored);
    if (!written)
        return SaveResult::Failed;
    if (!t.commit()) {
        fail();
        return SaveResult::Failed;
    }
    *version = *written;
    return SaveResult::Saved;
}

bool DeclarationStore::writePending(const DeclarationKey &key, bool consistent, const QDate &today)
{
    registerDeclarationFunctions(m_db.handle());
    const QVariantList detKey{key.taxpayerId, key.period, key.formNumber};
    if (!m_db.execute(QStringLiteral("DELETE FROM f7093des WHERE tip_doc_d=6 and"
                                     " doc_id_d=? and periodo=? and formulario=?"),
                      detKey))
        return fail();
    // Each record with its control value, computed over the row exactly as it is stored
    // (the row's fields in order, the control value itself last).
    if (!m_db.insertComputed(
            QStringLiteral("f7093des"),
            {QStringLiteral("tip_doc_d"), QStringLiteral("doc_id_d"), QStringLiteral("periodo"),
             QStringLiteral("formulario"), QStringLiteral("tip_com"), QStringLiteral("num_ser"),
             QStringLiteral("per_tri"), QStringLiteral("tot_ven"), QStringLiteral("tot_gra"),
             QStringLiteral("cnumero")},
            QStringLiteral("SELECT 6 AS tip_doc_d, k.d AS doc_id_d, k.p AS periodo,"
                           " k.f AS formulario, tip_com, num_ser, per_tri, tot_ven, tot_gra"
                           " FROM tmpf7093des, (SELECT ? AS d, ? AS p, ? AS f) AS k"),
            detKey,
            QStringLiteral("numerocontrol(7, tip_doc_d, doc_id_d, periodo, formulario, tip_com,"
                           " num_ser, per_tri, tot_ven, tot_gra)"),
            [](const QVariantList &row) { return NumeroControl(row + QVariantList{QVariant()}, 7); }))
        return fail();

    const QVariantList cab = cabParams(key);
    QSqlQuery q(m_db.handle());
    if (!m_db.select(&q, QStringLiteral("SELECT 1 FROM CAB") + kCabWhere, cab))
        return fail();
    const bool exists = q.next();
    q.finish();
    if (!exists
        && !m_db.execute(QStringLiteral("INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO,"
                                        " FORMULARIO, SEMANA) VALUES (6, ?, ?, ?, ?)"),
                         cab))
        return fail();
    if (!m_db.execute(QStringLiteral("UPDATE CAB SET fec_pro=?, nrocheque='1.0', rectifica='0',"
                                     " estado=?")
                          + kCabWhere,
                      QVariantList{today.toString(QStringLiteral("dd/MM/yyyy")),
                                   consistent ? 0 : 9}
                          + cab))
        return fail();
    if (!writeControlValue(QStringLiteral("CAB"), 5, kCabWhere, cab))
        return false;
    if (!m_db.execute(QStringLiteral("DELETE FROM DET") + kCabWhere, cab))
        return fail();
    return true;
}

namespace {

// A row's values as bytes, each marked null or text (the engine's own text of a number).
void addRowBytes(const QSqlQuery &q, int columns, QByteArray *bytes)
{
    bytes->clear();
    for (int i = 0; i < columns; ++i) {
        const QVariant v = q.value(i);
        if (v.isNull()) {
            bytes->append('\0');
        } else {
            bytes->append('\1');
            bytes->append(v.toString().toUtf8());
        }
        bytes->append('\x1f');
    }
}

} // namespace

QByteArray DeclarationStore::absentVersion()
{
    return QByteArrayLiteral("absent");
}

std::optional<QByteArray> DeclarationStore::version(const DeclarationKey &key, Records records)
{
    QSqlQuery q(m_db.handle());
    q.setForwardOnly(true);
    QByteArray header;
    if (!m_db.select(&q, QStringLiteral("SELECT * FROM CAB") + kCabWhere, cabParams(key))) {
        fail();
        return std::nullopt;
    }
    if (q.next())
        addRowBytes(q, q.record().count(), &header);
    q.finish();
    // The records as a multiset (rowdigest), so that the order rows are read in does not
    // matter. Values are cast to text by the engine, the same conversion the working
    // table's text columns make on copy.
    const QString values = QStringLiteral(
        "CAST(tip_com AS TEXT), CAST(num_ser AS TEXT), CAST(per_tri AS TEXT),"
        " CAST(tot_ven AS TEXT), CAST(tot_gra AS TEXT)");
    qav::DbError failure;
    const std::optional<QVariant> digest = records == Records::Stored
        ? qav::rowDigest(m_db, values,
                         QStringLiteral("f7093des WHERE tip_doc_d=6 and doc_id_d=? and periodo=?"
                                        " and formulario=?"),
                         {key.taxpayerId, key.period, key.formNumber}, &failure)
        : qav::rowDigest(m_db, values, QStringLiteral("tmpf7093des"), {}, &failure);
    if (!digest) {
        m_error = failure;
        return std::nullopt;
    }
    const QVariant rows = *digest;
    if (header.isEmpty() && rows.isNull())
        return absentVersion();
    return "h" + header + "r" + rows.toByteArray();
}

bool DeclarationStore::deletePending(const DeclarationKey &key)
{
    m_error = {};
    qav::Transaction t(m_db, key.holdName());
    if (!t.isActive())
        return fail();
    const QVariantList cab = cabParams(key);
    if (!m_db.execute(QStringLiteral("DELETE FROM DET") + kCabWhere, cab)
        || !m_db.execute(QStringLiteral("DELETE FROM CAB") + kCabWhere, cab)
        || !m_db.execute(QStringLiteral("DELETE FROM f7093des WHERE DOC_ID_D=? AND PERIODO=?"
                                        " AND FORMULARIO=? AND TIP_DOC_D=6"),
                         {key.taxpayerId, key.period, key.formNumber}))
        return fail();
    return t.commit() || fail();
}

bool DeclarationStore::deleteSent(const DeclarationKey &key)
{
    m_error = {};
    qav::Transaction t(m_db);
    if (!t.isActive())
        return fail();
    const QString where = QStringLiteral(" WHERE DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?"
                                         " AND SEMANA=? and CORREL =? AND TIP_DOC_D=6");
    const QVariantList params{key.taxpayerId, key.period, key.formNumber, key.semana, key.correl};
    if (!m_db.execute(QStringLiteral("DELETE FROM hDET") + where, params)
        || !m_db.execute(QStringLiteral("DELETE FROM hCAB") + where, params)
        || !m_db.execute(QStringLiteral("DELETE FROM hf7093des WHERE DOC_ID_D=? AND PERIODO=?"
                                        " AND FORMULARIO=? and CORREL =? AND TIP_DOC_D=6"),
                         {key.taxpayerId, key.period, key.formNumber, key.correl}))
        return fail();
    return t.commit() || fail();
}

DeclarationStore::OrderResult DeclarationStore::recordOrderNumber(const DeclarationKey &key,
                                                                  const QString &norden)
{
    m_error = {};
    qav::Transaction t(m_db);
    if (!t.isActive()) {
        fail();
        return OrderResult::Failed;
    }
    const QVariantList params = hcabParams(key);
    if (!m_db.execute(QStringLiteral("UPDATE HCAB SET NORDEN=?") + kHcabWhere,
                      QVariantList{norden} + params)) {
        fail();
        return OrderResult::Failed;
    }
    if (m_db.rowsAffected() == 0)
        return OrderResult::Missing; // rolled back: nothing was written
    if (!writeControlValue(QStringLiteral("HCAB"), 6, kHcabWhere, params) || !t.commit()) {
        if (!m_error.isError())
            fail();
        return OrderResult::Failed;
    }
    return OrderResult::Saved;
}

std::optional<QString> DeclarationStore::storedOrderNumber(const DeclarationKey &key)
{
    QSqlQuery q(m_db.handle());
    if (!m_db.select(&q, QStringLiteral("SELECT NORDEN FROM HCAB") + kHcabWhere, hcabParams(key))
        || !q.next())
        return std::nullopt;
    return q.value(0).isNull() ? QStringLiteral("0") : q.value(0).toString();
}

bool DeclarationStore::headerExists(const QString &taxpayerId, const QString &period,
                                    const QString &form)
{
    return m_db.exists(QStringLiteral("SELECT 1 FROM CAB WHERE DOC_ID_D=? AND PERIODO=?"
                                      " AND FORMULARIO=? AND TIP_DOC_D=6"),
                       {taxpayerId, period, form});
}

std::optional<int> DeclarationStore::storedEstado(const DeclarationKey &key)
{
    const QVariant v = m_db.scalar(QStringLiteral("SELECT estado FROM CAB") + kCabWhere,
                                   cabParams(key));
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    return v.toInt();
}

} // namespace declmod
