#include "declmod/session/paramlookup.h"

#include "declmod/session/session.h"

#include <QSqlQuery>

namespace declmod {
namespace {

// The RUC entry used when table "044" has none: it does not demand an exact length
// (position 130 is "0").
const QString kDefaultRucEntry = QStringLiteral(
    "REG. UNICO DE CONTRIBUYENTES   RUC           11 000110 01 000001000001100111011111"
    "                                           0 5 0");

} // namespace

QString sqlTextLiteral(const QString &value)
{
    QString doubled = value;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

QString GetUserType()
{
    QString type = QStringLiteral("1");
    Session &s = session();
    QSqlQuery q;
    if (s.Db.select(&q, QStringLiteral("SELECT * FROM CLAVES WHERE Usuario=?"), {s.SysUser})
        && q.next())
        type = q.value(QStringLiteral("Tipo")).toString();
    return type;
}

QString BuildTaxpayerQuery(const QString &formNumber)
{
    // Every form of the suite lists the same taxpayers; the form number does not filter.
    Q_UNUSED(formNumber);
    Session &s = session();

    QString entry = kDefaultRucEntry;
    {
        QSqlQuery q;
        if (s.Db.select(&q, QStringLiteral("SELECT * FROM PARAM WHERE Numero ='044' AND Argumento='6' "))
            && q.next())
            entry = q.value(QStringLiteral("Funcion")).toString();
    }

    QString filter = QStringLiteral(" WHERE Tip_doc_d=6 ");
    if (qav::valOf(entry.mid(45, 2)) == 11 && qav::valOf(entry.mid(129, 1)) == 1)
        filter += QStringLiteral(" AND len(trim(Doc_id_d))=11 ");
    if (GetUserType() == QLatin1String("0")) {
        filter += QStringLiteral(" ORDER BY Tip_doc_d, doc_id_d ");
    } else {
        // The literal already carries its quotes: " AND Usuario ='" name "' Order by ...".
        filter += QStringLiteral(" AND Usuario =") + sqlTextLiteral(s.SysUser)
                  + QStringLiteral(" Order by Tip_doc_d, doc_id_d ");
    }
    return QStringLiteral(" SELECT * FROM CONT ") + filter;
}

} // namespace declmod
