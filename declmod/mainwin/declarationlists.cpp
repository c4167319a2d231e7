#include "declmod/mainwin/declarationlists.h"

#include "common/db/database.h"

#include <QDate>
#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>

namespace declmod {

DeclarationList selectionList(bool history, bool allTaxpayers, const QString &formNumber,
                              const QString &user)
{
    DeclarationList list;
    list.columns = {
        {QStringLiteral("Ruc"), QStringLiteral("doc_id_d")},
        {QStringLiteral("Razón social"), QStringLiteral("Nombre")},
        {QStringLiteral("Ejercicio"), QStringLiteral("periodo")},
        {QStringLiteral("Formulario"), QStringLiteral("formulario")},
        {QStringLiteral("Estado"), QStringLiteral("Estado")},
        {QStringLiteral("Nro. Orden"), QStringLiteral("nOrden")},
        {QStringLiteral("Fec. de Envio"), QStringLiteral("fec_env"), true},
        {QStringLiteral("Nro. Control"), QStringLiteral("Control")},
        {QStringLiteral("Correlativo"), QStringLiteral("Correl")},
        {QStringLiteral("Rectifica"), QStringLiteral("Rectifica")},
        {QStringLiteral("Orden"), QStringLiteral("nOrden")},
        {QStringLiteral("Semana"), QStringLiteral("semana")},
    };
    list.params << formNumber;
    if (!history) {
        list.sql = QStringLiteral("SELECT A.DOC_ID_D, B.NOMBRE, mid(A.PERIODO,5,2) || "
                                  "mid(A.PERIODO,1,4) as PERIODO, A.FORMULARIO, a.estado,a.semana"
                                  " FROM CAB AS A, CONT AS B"
                                  " WHERE A.DOC_ID_D=B.DOC_ID_D"
                                  " AND A.FORMULARIO= ?");
        if (!allTaxpayers) {
            list.sql += QStringLiteral(" and B.USUARIO=?");
            list.params << user;
        }
        list.sql += QStringLiteral(" ORDER BY A.DOC_ID_D ASC, A.PERIODO DESC, A.FORMULARIO ASC");
        return list;
    }
    list.sql = QStringLiteral("SELECT A.DOC_ID_D, B.NOMBRE, a.fec_env, mid(A.PERIODO,5,2) || "
                              "mid(A.PERIODO,1,4) as PERIODO, A.FORMULARIO,a.correl,a.norden,"
                              "a.control,a.estado,a.rectifica,a.semana FROM HCAB AS A, CONT AS B"
                              " WHERE A.DOC_ID_D = B.DOC_ID_D AND A.TIP_DOC_D = 6"
                              " AND B.TIP_DOC_D = 6 AND A.FORMULARIO = ?");
    if (!allTaxpayers) {
        list.sql += QStringLiteral(" AND B.USUARIO = ?");
        list.params << user;
    }
    list.sql += QStringLiteral(" AND a.estado = 1 ORDER BY A.DOC_ID_D ASC");
    return list;
}

DeclarationList sentDeclarationsList(const QString &formNumber, const QString &user)
{
    DeclarationList list;
    list.columns = {
        {QStringLiteral("RUC"), QStringLiteral("doc_id_d")},
        {QStringLiteral("Razón Social"), QStringLiteral("Nombre")},
        {QStringLiteral("Ejercicio"), QStringLiteral("Periodof")},
        {QStringLiteral("Formulario"), QStringLiteral("Formulario")},
        {QStringLiteral("N. Orden"), QStringLiteral("norden")},
        {QStringLiteral("Fecha Env."), QStringLiteral("fec_env"), true},
        {QStringLiteral("Control"), QStringLiteral("Control")},
        {QStringLiteral("Correl"), QStringLiteral("Correl")},
        {QStringLiteral("Rectifica"), QStringLiteral("rectifica")},
        {QStringLiteral("Semana"), QStringLiteral("Semana")},
    };
    list.sql = QStringLiteral("SELECT A.DOC_ID_D, B.NOMBRE, A.PERIODO, A.FORMULARIO, A.NORDEN,"
                              " A.FEC_ENV, A.CONTROL, A.CORREL, A.RECTIFICA,a.semana,"
                              "mid(A.PERIODO,5,2) || mid(A.PERIODO,1,4) as PERIODOf"
                              " FROM HCAB AS A, CONT AS B"
                              " WHERE A.DOC_ID_D=B.DOC_ID_D AND"
                              " A.TIP_DOC_D=6 AND B.TIP_DOC_D=6 AND"
                              " A.FORMULARIO=? AND"
                              " B.USUARIO=?"
                              " ORDER BY A.DOC_ID_D ASC, A.PERIODO");
    list.params << formNumber << user;
    return list;
}

bool readDeclarationList(qav::Database &db, const DeclarationList &list, QList<QStringList> *rows)
{
    rows->clear();
    QSqlQuery q(db.handle());
    if (!db.select(&q, list.sql, list.params))
        return false;
    const QSqlRecord record = q.record();
    QList<int> fields;
    for (const ListColumn &column : list.columns)
        fields << record.indexOf(column.field);
    while (q.next()) {
        QStringList row;
        for (int field : fields)
            row << (field < 0 || q.value(field).isNull() ? QString() : q.value(field).toString());
        rows->append(row);
    }
    return true;
}

QString listDateText(const QString &value)
{
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return value;
    QDateTime at = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!at.isValid())
        at = QDateTime::fromString(trimmed, Qt::ISODate);
    QDate date = at.isValid() ? at.date() : QDate::fromString(trimmed.left(10), Qt::ISODate);
    if (!date.isValid())
        date = QDate::fromString(trimmed.left(10), QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        return value;
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace declmod
