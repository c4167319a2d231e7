#include "schema/hostschema.h"

#include "common/db/database.h"

#include <QFile>

namespace qav {

QString hostSchemaSql()
{
    QFile f(QStringLiteral(":/schema/host.sql"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

QStringList hostSchemaStatements()
{
    QStringList out;
    QString current;
    const QStringList lines = hostSchemaSql().split(u'\n');
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("--")))
            continue;
        current += (current.isEmpty() ? QString() : QStringLiteral("\n")) + raw;
        if (line.endsWith(u';')) {
            current = current.trimmed();
            current.chop(1);
            out << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

bool createHostTables(Database &db, QString *error)
{
    const QStringList statements = hostSchemaStatements();
    if (statements.isEmpty()) {
        if (error)
            *error = QStringLiteral("No se pudo leer el esquema de tablas.");
        return false;
    }
    Transaction tx(db);
    if (!tx.isActive()) {
        if (error)
            *error = QStringLiteral("%1 (%2)").arg(db.lastError().text).arg(db.lastError().number);
        return false;
    }
    for (const QString &sql : statements) {
        if (!db.executeDdl(sql)) {
            if (error)
                *error = QStringLiteral("%1 (%2)").arg(db.lastError().text).arg(db.lastError().number);
            return false;
        }
    }
    if (!tx.commit()) {
        if (error)
            *error = QStringLiteral("%1 (%2)").arg(db.lastError().text).arg(db.lastError().number);
        return false;
    }
    return true;
}

} // namespace qav
