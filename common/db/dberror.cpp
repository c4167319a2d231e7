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
        // Without a file named, what is locked is the database the program works on.
        if (detail.isEmpty())
            return QStringLiteral("La base de datos está en uso exclusivo por otro usuario o "
                                  "está bloqueada.");
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

namespace {

// The cause of an engine failure that has no number of its own, in Spanish, by the
// engine's message. Empty when the message is not one of these.
QString engineCause(const QString &engine)
{
    static const struct {
        const char *text;
        const char *cause;
    } messages[] = {
        {"views may not be indexed", "no se puede crear un índice sobre una consulta"},
        {"syntax error", "la instrucción SQL no está bien escrita"},
        {"no such function", "la instrucción usa una función que no existe"},
        {"has no column named", "la tabla no tiene una de las columnas indicadas"},
        {"ambiguous column name", "un nombre de columna corresponde a más de una tabla"},
        {"too many SQL variables", "la instrucción tiene demasiados parámetros"},
        {"NOT NULL constraint failed", "un campo obligatorio quedó vacío"},
        {"CHECK constraint failed", "un valor no cumple la regla de su columna"},
        {"FOREIGN KEY constraint failed", "un valor no corresponde a ningún registro relacionado"},
        {"may not be modified", "la tabla no se puede modificar"},
        {"cannot start a transaction within a transaction", "ya hay una transacción en curso"},
        {"no transaction is active", "no hay una transacción en curso"},
        {"interrupted", "la operación fue interrumpida"},
        {"out of memory", "no hay memoria suficiente"},
        {"disk I/O error", "error de lectura o escritura en el disco"},
        {"database or disk is full", "no queda espacio en el disco"},
        {"database disk image is malformed", "el archivo de la base de datos está dañado"},
        {"unable to open database file", "no se puede abrir el archivo de la base de datos"},
        {"string or blob too big", "un valor es demasiado grande"},
        {"datatype mismatch", "un valor no es del tipo de su columna"},
        {"attempt to write a readonly database", "la base de datos es de solo lectura"},
    };
    for (const auto &m : messages)
        if (engine.contains(QLatin1String(m.text), Qt::CaseInsensitive))
            return QString::fromUtf8(m.cause);
    return QString();
}

// The kind of failure a result code names, for a message that is not one of the engine's
// own (a trigger's, say); empty for the general error and the codes without a text.
QString engineCodeCause(int code)
{
    switch (code) {
    case 2:
        return QStringLiteral("error interno del motor de base de datos");
    case 3:
        return QStringLiteral("permiso de acceso denegado");
    case 4:
        return QStringLiteral("la operación fue cancelada");
    case 7:
        return QStringLiteral("no hay memoria suficiente");
    case 9:
        return QStringLiteral("la operación fue interrumpida");
    case 10:
        return QStringLiteral("error de lectura o escritura en el disco");
    case 11:
        return QStringLiteral("el archivo de la base de datos está dañado");
    case 13:
        return QStringLiteral("no queda espacio en el disco");
    case 14:
        return QStringLiteral("no se puede abrir el archivo de la base de datos");
    case 15:
        return QStringLiteral("error en el protocolo de bloqueo de la base de datos");
    case 17:
        return QStringLiteral("la estructura de la base de datos cambió durante la operación");
    case 18:
        return QStringLiteral("un valor es demasiado grande");
    case 19:
        return QStringLiteral("un valor no cumple una restricción de la tabla");
    case 20:
        return QStringLiteral("un valor no es del tipo de su columna");
    case 21:
        return QStringLiteral("la base de datos se usó de forma incorrecta");
    case 22:
        return QStringLiteral("el archivo es demasiado grande para el sistema");
    case 23:
        return QStringLiteral("acceso no autorizado");
    case 25:
        return QStringLiteral("un parámetro está fuera de rango");
    default:
        return QString();
    }
}

} // namespace

QString engineErrorText(int code, const QString &engine)
{
    const QString cause = engineCause(engine);
    if (!cause.isEmpty())
        return QStringLiteral("Error del motor de base de datos: %1.").arg(cause);
    // Words that are not the engine's own (a trigger's message) are kept after the kind of
    // failure; a cause without a text of its own keeps the engine's number and words.
    const QString kind = engineCodeCause(code);
    if (!kind.isEmpty())
        return QStringLiteral("Error del motor de base de datos: %1 (número %2: %3)").arg(kind).arg(code).arg(engine);
    return QStringLiteral("Error del motor de base de datos número %1: %2").arg(code).arg(engine);
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
    return DbError{ErrEngine, engineErrorText(ok ? code : 0, engine)};
}

} // namespace qav
