#include "declmod/declaration/ejecutasql.h"

#include "common/db/database.h"
#include "common/ui/messages.h"

namespace declmod {

void ShowSqlError(int number, const QString &text)
{
    qav::msgBox(QStringLiteral("Error Número : ") + QString::number(number) + u'\n' + text,
                qav::MbCritical | qav::MbOk, QStringLiteral("Error al Ejecutar Sentencia SQL"));
}

bool EjecutaSql(qav::Database &db, const QString &sql, const QVariantList &params)
{
    if (db.execute(sql, params))
        return true;
    ShowSqlError(db.lastError().number, db.lastError().text);
    return false;
}

} // namespace declmod
