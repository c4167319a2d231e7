#include "common/db/dberror.h"

#include <QRegularExpression>
#include <QSqlError>

namespace qav {

QString dbErrorText(int number, const QString &detail)
{
    switch (number) {
    case ErrNone:
        return QString();
    case ErrTableExists:
        return QStringLiteral("La tabla '%1' ya existe.").arg(detail);
    case ErrDuplicateKey:
        return QStringLiteral("Los cambios solicitados en la tabla no se realizaron "
                              "correctamente porque crearían valores duplicados en el índice, "
                              "clave principal o relación.");
    case ErrFileNotFound:
        return QStringLiteral("No se encuentra el archivo '%1'.").arg(detail);
    case ErrNoWorkgroup:
        return QStringLiteral("No se puede iniciar la aplicación. Falta el archivo de "
                              "información del grupo de trabajo o no se puede leer.");
    case ErrBadAccount:
        return QStringLiteral("No es una cuenta o contraseña válida.");
    case ErrReadOnly:
        return QStringLiteral("No se puede actualizar. La base de datos '%1' es de solo lectura "
                              "(no hay permiso para escribir en el archivo).").arg(detail);
    case ErrLocked:
        return QStringLiteral("El archivo '%1' ya está en uso exclusivo por otro usuario o "
                              "está bloqueado.").arg(detail);
    case ErrUnknownColumn:
        return QStringLiteral("Pocos parámetros o un nombre de columna desconocido: %1").arg(detail);
    case ErrNoSuchTable:
        return QStringLiteral("No se encuentra la tabla o consulta de entrada '%1'.").arg(detail);
    case ErrPrimaryKeyExists:
        return QStringLiteral("Ya existe la clave principal.");
    case ErrNotADatabase:
        return QStringLiteral("Formato de base de datos '%1' no reconocido.").arg(detail);
    case ErrNotOpen:
        return QStringLiteral("No hay una base de datos abierta.");
    default:
        return QStringLiteral("Error del motor de base de datos: %1").arg(detail);
    }
}

DbError fromSqlError(const QSqlError &error)
{
    const QString engine = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    // A table or a stored query (view) of that name: both share one namespace.
    static const QRegularExpression tableExists(QStringLiteral("(?:table|view) (\\S+) already exists"));
    static const QRegularExpression indexExists(QStringLiteral("index (\\S+) already exists"));
    static const QRegularExpression noTable(QStringLiteral("no such table: (\\S+)"));
    static const QRegularExpression noColumn(QStringLiteral("no such column: (\\S+)"));

    auto make = [](int n, const QString &detail) { return DbError{n, dbErrorText(n, detail)}; };
    QRegularExpressionMatch m;
    if ((m = tableExists.match(engine)).hasMatch())
        return make(ErrTableExists, m.captured(1).remove(u'"').remove(u'`'));
    if ((m = indexExists.match(engine)).hasMatch())
        return make(ErrPrimaryKeyExists, QString());
    if ((ok && (code == 5 || code == 6)) || engine.contains(QLatin1String("database is locked")))
        return make(ErrLocked, QString());
    if ((ok && code == 8) || engine.contains(QLatin1String("readonly database")))
        return make(ErrReadOnly, QString());
    if ((ok && code == 19 && engine.contains(QLatin1String("UNIQUE")))
        || engine.contains(QLatin1String("UNIQUE constraint failed")))
        return make(ErrDuplicateKey, QString());
    if ((m = noTable.match(engine)).hasMatch())
        return make(ErrNoSuchTable, m.captured(1));
    if ((m = noColumn.match(engine)).hasMatch())
        return make(ErrUnknownColumn, m.captured(1));
    if ((ok && code == 26) || engine.contains(QLatin1String("not a database")))
        return make(ErrNotADatabase, QString());
    return make(ErrEngine, engine);
}

} // namespace qav
