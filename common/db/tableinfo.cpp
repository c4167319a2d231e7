#include "common/db/tableinfo.h"

#include "common/db/database.h"

#include <QSqlQuery>

namespace qav {

std::optional<QList<bool>> dateColumns(Database &db, const QString &table)
{
    QSqlQuery q(db.handle());
    q.setForwardOnly(true);
    const bool ok = db.engine() == Engine::Server
        ? db.select(&q, QStringLiteral("SELECT data_type FROM information_schema.columns"
                                       " WHERE table_schema = current_schema()"
                                       " AND table_name = lower(?) ORDER BY ordinal_position"),
                    {table})
        : db.select(&q, QStringLiteral("SELECT type FROM pragma_table_info(?) ORDER BY cid"),
                    {table});
    if (!ok)
        return std::nullopt;
    QList<bool> marks;
    while (q.next()) {
        const QString type = q.value(0).toString().toUpper();
        marks << (type.contains(u"DATE") || type.contains(u"TIME"));
    }
    return marks;
}

} // namespace qav
