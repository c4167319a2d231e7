#include "declmod/session/lookups.h"

#include "common/text/trim.h"

#include <QSqlError>
#include <QSqlQuery>

namespace declmod {
namespace {

// The RUC entry used when table "044" has none: it does not demand an exact length
// (position 130 is "0").
const QString kDefaultRucEntry = QStringLiteral(
    "REG. UNICO DE CONTRIBUYENTES   RUC           11 000110 01 000001000001100111011111"
    "                                           0 5 0");

} // namespace

QString GetUserType(qav::Database &db, const QString &sysUser)
{
    QString type = QStringLiteral("1");
    QSqlQuery q;
    if (db.select(&q, QStringLiteral("SELECT * FROM CLAVES WHERE Usuario=?"), {sysUser})
        && q.next())
        type = q.value(QStringLiteral("Tipo")).toString();
    return type;
}

SqlStatement BuildTaxpayerQuery(qav::Database &db, const QString &formNumber,
                                const QString &sysUser)
{
    // Every form of the suite lists the same taxpayers; the form number does not filter.
    Q_UNUSED(formNumber);

    QString entry = kDefaultRucEntry;
    {
        QSqlQuery q;
        if (db.select(&q, QStringLiteral("SELECT * FROM PARAM WHERE Numero ='044' AND Argumento='6' "))
            && q.next())
            entry = q.value(QStringLiteral("Funcion")).toString();
    }

    SqlStatement statement;
    QString filter = QStringLiteral(" WHERE Tip_doc_d=6 ");
    if (qav::valOf(entry.mid(45, 2)) == 11 && qav::valOf(entry.mid(129, 1)) == 1)
        filter += QStringLiteral(" AND len(trim(Doc_id_d))=11 ");
    if (GetUserType(db, sysUser) == QLatin1String("0")) {
        filter += QStringLiteral(" ORDER BY Tip_doc_d, doc_id_d ");
    } else {
        filter += QStringLiteral(" AND Usuario =? Order by Tip_doc_d, doc_id_d ");
        statement.params << sysUser;
    }
    statement.sql = QStringLiteral(" SELECT * FROM CONT ") + filter;
    return statement;
}

bool readTaxpayers(qav::Database &db, const QString &formNumber, const QString &sysUser,
                   QList<TaxpayerRow> *rows)
{
    rows->clear();
    const SqlStatement statement = BuildTaxpayerQuery(db, formNumber, sysUser);
    QSqlQuery q;
    if (!db.select(&q, statement.sql, statement.params))
        return false;
    // CONT's second column is the document number, its fourth the name.
    while (q.next())
        rows->append({q.value(1).toString(), q.value(3).toString()});
    return true;
}

QString taxpayerListItem(const TaxpayerRow &row)
{
    if (qav::trimSpaces(row.number).size() == 8)
        return row.number.left(8) + QStringLiteral("     ") + row.name;
    return row.number.left(11) + QStringLiteral("  ") + row.name;
}

bool readModuleParamList(const QSqlDatabase &db, const QString &number, int start, int length,
                         QList<ParamListEntry> *entries, QString *error)
{
    entries->clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // substr, not the suite's MID: the import reads the list on a bare connection.
    const bool ok = q.prepare(QStringLiteral("SELECT Argumento, substr(Funcion, ?, ?) AS Func "
                                             "FROM PARAM WHERE Numero = ? "
                                             "AND substr(Funcion, 67, 1) = ? ORDER BY 1"));
    if (ok) {
        q.addBindValue(start);
        q.addBindValue(length);
        q.addBindValue(number);
        q.addBindValue(QStringLiteral("1"));
    }
    if (!ok || !q.exec()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    while (q.next())
        entries->append({q.value(0).toString(), q.value(1).toString()});
    return true;
}

QString consultationQuery(int kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral("SELECT MID(ARGUMENTO,1,2) as codigo,mid(FUNCION,1,36) as descrip ")
               + QStringLiteral("FROM PARAM ")
               + QStringLiteral("WHERE NUMERO='979' AND TRIM(ARGUMENTO)<> '00'");
    case 2:
        return QStringLiteral("SELECT MID(ARGUMENTO,1,2) as codigo,mid(FUNCION,1,36) as descrip ")
               + QStringLiteral("FROM PARAM ")
               + QStringLiteral("WHERE NUMERO='233' AND mid(funcion,67,1)='1'");
    case 3:
        return QStringLiteral("SELECT MID(ARGUMENTO,7,2) ||  MID(ARGUMENTO,5,2) || "
                              "MID(ARGUMENTO,1,4) as codigo, ")
               + QStringLiteral(" VAL(trim(FUNCION)) as Descrip ") + QStringLiteral("FROM PARAM ")
               + QStringLiteral("WHERE NUMERO='404' ORDER BY argumento desc  ");
    default:
        return QString();
    }
}

bool probeErrorTable(qav::Database &db)
{
    // Only opened, never read.
    QSqlQuery cursor;
    return db.select(&cursor, QStringLiteral("SELECT * FROM error"));
}

} // namespace declmod
