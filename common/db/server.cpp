#include "common/db/server.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <QUrl>
#include <QUrlQuery>

#include <libpq-fe.h>

namespace qav {
namespace {

const QString kCollation = QStringLiteral("qav_ci");

// The functions the statements of the suite use, with the results the SQLite connection's
// own (database.cpp, the declaration's control value and sums) give. Texts are handled
// under the binary collation "C" inside: the case-insensitive collation of the columns
// allows neither regular expressions nor searches inside a text.
const char *const kObjects[] = {
    R"(CREATE COLLATION IF NOT EXISTS qav_ci
       (provider = icu, locale = 'und-u-ks-level2', deterministic = false))",

    // MID(s, start[, length]): a start below 1 counts as 1, a negative length as 0.
    R"(CREATE OR REPLACE FUNCTION mid(s text, start integer, n integer) RETURNS text
       LANGUAGE sql IMMUTABLE PARALLEL SAFE
       AS $$ SELECT substr(s, greatest(start, 1), greatest(n, 0)) $$)",
    R"(CREATE OR REPLACE FUNCTION mid(s text, start integer) RETURNS text
       LANGUAGE sql IMMUTABLE PARALLEL SAFE
       AS $$ SELECT substr(s, greatest(start, 1)) $$)",
    R"(CREATE OR REPLACE FUNCTION len(s text) RETURNS integer
       LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT length(s) $$)",

    // VAL(s): the leading number of a text (blanks before it, a sign, spaces between its
    // digits and around the point skipped, no exponent); 0 when there is none or no value.
    R"(CREATE OR REPLACE FUNCTION val(s text) RETURNS numeric
       LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
       SELECT CASE WHEN n ~ '[0-9]' THEN n::numeric ELSE 0 END
       FROM (SELECT replace(coalesce(substring(s COLLATE "C"
                    FROM '^[ \t]*([+-]? *[0-9 ]*(\.[0-9 ]*)?)'), ''), ' ', '') AS n) AS x $$)",
    R"(CREATE OR REPLACE FUNCTION val(v numeric) RETURNS numeric
       LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT coalesce(v, 0) $$)",

    // True when a text is one or more digits and nothing else.
    R"(CREATE OR REPLACE FUNCTION alldigits(s text) RETURNS boolean
       LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT s COLLATE "C" ~ '^[0-9]+$' $$)",

    // An amount written as text in ten-thousandths (the whole text one number: blanks
    // around it, a sign, groups of three digits after commas, decimals rounded half away
    // from zero), as the program reads one; no value when it is not one or is beyond the
    // range of an amount.
    R"(CREATE OR REPLACE FUNCTION qav_amount_raw(s text) RETURNS bigint
       LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
       SELECT CASE WHEN abs(n) <= 9223372036854775807 THEN n::bigint END
       FROM (SELECT CASE WHEN s COLLATE "C" ~ '^[ \t]*[+-]?([0-9]{1,3}(,[0-9]{3})+|[0-9]*)(\.[0-9]*)?[ \t]*$'
                          AND s COLLATE "C" ~ '^[ \t]*[+-]?([0-9]|\.[0-9])'
                         THEN round(replace(s COLLATE "C", ',', '')::numeric, 4) * 10000 END AS n) AS x $$)",
    // isamount(text): true when a value is no value or an amount.
    R"(CREATE OR REPLACE FUNCTION isamount(s text) RETURNS boolean
       LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT s IS NULL OR qav_amount_raw(s) IS NOT NULL $$)",
    // amountsum(amount): the exact sum of a column of amounts in ten-thousandths; no rows
    // give no value, no values are left out. A text that is not an amount, or a sum that
    // leaves the range of an amount at any row, fails the statement (the first wins over
    // the second, whatever the order of the rows), with the words of the file's function.
    // The state is {sum, out of range}.
    R"(DROP AGGREGATE IF EXISTS amountsum(text))",
    R"(DROP FUNCTION IF EXISTS qav_amountsum_step(bigint, text))",
    R"(CREATE OR REPLACE FUNCTION qav_amountsum_step(state bigint[], s text) RETURNS bigint[]
       LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
       DECLARE
           raw bigint;
           total numeric;
       BEGIN
           state := coalesce(state, '{0,0}'::bigint[]);
           IF s IS NULL THEN
               RETURN state;
           END IF;
           raw := qav_amount_raw(s);
           IF raw IS NULL THEN
               RAISE EXCEPTION 'amount not a number';
           END IF;
           IF state[2] = 0 THEN
               total := state[1]::numeric + raw;
               IF abs(total) <= 9223372036854775807 THEN
                   state[1] := total::bigint;
               ELSE
                   state[2] := 1;
               END IF;
           END IF;
           RETURN state;
       END $$)",
    R"(CREATE OR REPLACE FUNCTION qav_amountsum_final(state bigint[]) RETURNS bigint
       LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
       BEGIN
           IF state IS NULL THEN
               RETURN NULL;
           END IF;
           IF state[2] <> 0 THEN
               RAISE EXCEPTION 'amount sum out of range';
           END IF;
           RETURN state[1];
       END $$)",
    R"(CREATE AGGREGATE amountsum(text) (SFUNC = qav_amountsum_step, STYPE = bigint[],
       FINALFUNC = qav_amountsum_final))",

    // numerocontrol(k, field, ...): the control value of a row. The first k fields are
    // summed as numbers (in ten-thousandths, decimals beyond the fourth rounded half away
    // from zero), the others as texts (each character's Windows-1252 code times its place);
    // the result is the last three digits of each sum.
    R"(CREATE OR REPLACE FUNCTION numerocontrol(k integer, VARIADIC f text[]) RETURNS text
       LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
DECLARE
    s1 numeric := 0;
    s2 bigint := 0;
    t text COLLATE "C";
    b bytea;
    v numeric;
    d float8;
    e integer;
    c integer;
    high constant text COLLATE "C" := E'\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178';
BEGIN
    FOR i IN 1 .. coalesce(array_length(f, 1), 0) LOOP
        t := f[i];
        CONTINUE WHEN t IS NULL;
        IF i <= k THEN
            IF t ~ '^[ \t]*[+-]?[0-9]{1,30}(\.[0-9]*)?[ \t]*$' THEN
                s1 := s1 + round(t::numeric, 4) * 10000;
                CONTINUE;
            END IF;
            CONTINUE WHEN NOT (t ~ '^[ \t]*[+-]?([0-9]{1,3}(,[0-9]{3})+|[0-9]*)(\.[0-9]*)?([eE][+-]?[0-9]+)?[ \t]*$'
                               AND t ~ '^[ \t]*[+-]?([0-9]|\.[0-9])');
            t := replace(t, ',', '');
            BEGIN
                v := t::numeric;
            EXCEPTION WHEN OTHERS THEN
                -- Beyond the range of the server's numbers: the tiny ones are 0 and the
                -- huge ones are not finite as a double either, which also counts as 0.
                CONTINUE;
            END;
            IF abs(v) < 1e30 THEN
                s1 := s1 + round(v, 4) * 10000;
                CONTINUE;
            END IF;
            -- Beyond the exact range the number goes through the nearest double, of which
            -- only the remainder by 10^12 counts.
            BEGIN
                d := v::float8;
            EXCEPTION WHEN OTHERS THEN
                CONTINUE;
            END;
            CONTINUE WHEN d = 'Infinity'::float8 OR d = '-Infinity'::float8;
            e := floor(log(2::numeric, abs(d)::numeric))::integer - 52;
            v := (d / 2::float8 ^ e)::bigint::numeric * power(2::numeric, e);
            s1 := s1 + round(mod(v, 1000000000000) * 10000);
        ELSE
            t := btrim(t, ' ');
            IF t ~ '^[\x01-\x7f]*$' THEN
                b := convert_to(t, 'UTF8');
                FOR j IN 1 .. octet_length(b) LOOP
                    s2 := s2 + get_byte(b, j - 1) * j;
                END LOOP;
            ELSE
                FOR j IN 1 .. length(t) LOOP
                    c := ascii(substr(t, j, 1));
                    IF c >= 128 AND NOT (c BETWEEN 160 AND 255) THEN
                        c := strpos(high, substr(t, j, 1));
                        c := CASE WHEN c > 0 THEN 127 + c ELSE 63 END;
                    END IF;
                    s2 := s2 + c * j;
                END LOOP;
            END IF;
        END IF;
    END LOOP;
    RETURN lpad((floor((abs(s1) + 5000) / 10000) % 1000)::text, 3, '0')
        || lpad((s2 % 1000)::text, 3, '0');
END $$)",
};

QString firstQuoted(const QString &text)
{
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]+)\""));
    const QRegularExpressionMatch m = quoted.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

// The first line of a server's message, without its severity ("ERROR:  ").
QString primaryMessage(const QString &text)
{
    QString line = text.section(u'\n', 0, 0).trimmed();
    static const QRegularExpression severity(QStringLiteral("^[A-Z]+:\\s+"));
    line.remove(severity);
    return line;
}

} // namespace

bool parseServerUri(const QString &uri, ServerAddress *out)
{
    const QUrl url(uri.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres")))
        return false;
    ServerAddress a;
    a.host = url.host(QUrl::FullyDecoded);
    a.port = url.port(-1);
    a.database = url.path(QUrl::FullyDecoded);
    if (a.database.startsWith(u'/'))
        a.database.remove(0, 1);
    QStringList options;
    const QUrlQuery query(url);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        const QString k = key.trimmed().toLower();
        if (k == QLatin1String("host"))
            a.host = value;
        else if (k == QLatin1String("port"))
            a.port = value.toInt();
        else if (k == QLatin1String("dbname"))
            a.database = value;
        else if (k == QLatin1String("user") || k == QLatin1String("password"))
            continue; // the account is the module's own
        else if (!k.isEmpty() && !value.contains(u';') && !value.contains(u' '))
            options << k + u'=' + value;
    }
    if (a.database.isEmpty())
        return false;
    // A server that does not answer is reported instead of waiting without end.
    if (!query.hasQueryItem(QStringLiteral("connect_timeout")))
        options << QStringLiteral("connect_timeout=10");
    a.options = options.join(u';');
    *out = a;
    return true;
}

QString serverTextCollation()
{
    return kCollation;
}

QStringList serverObjectsSql()
{
    QStringList out;
    for (const char *sql : kObjects)
        out << QString::fromUtf8(sql);
    return out;
}

QStringList serverFunctionNames()
{
    return {QStringLiteral("mid"), QStringLiteral("len"), QStringLiteral("val"),
            QStringLiteral("alldigits"), QStringLiteral("isamount"),
            QStringLiteral("amountsum"), QStringLiteral("numerocontrol")};
}

QString adaptDdlForServer(const QString &sql)
{
    static const QRegularExpression bracketed(QStringLiteral("\\[([^\\]]+)\\]"));
    static const QRegularExpression nocase(QStringLiteral("\\s+COLLATE\\s+NOCASE\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression text(QStringLiteral("\\btext\\b(\\s*\\(\\s*\\d+\\s*\\))?"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression byte(QStringLiteral("\\bByte\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression datetime(QStringLiteral("\\bDATETIME\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    // A key made as a unique index named PK_x is the table's primary key: made again, it
    // is refused as an existing primary key.
    static const QRegularExpression primaryKey(
        QStringLiteral("^\\s*CREATE\\s+UNIQUE\\s+INDEX\\s+(PK_\\w+)\\s+ON\\s+(\\w+)\\s*\\("),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tempIndex(
        QStringLiteral("(\\bINDEX\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?)temp\\."),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tempTable(
        QStringLiteral("^\\s*CREATE\\s+TEMP(?:ORARY)?\\s+TABLE\\b"),
        QRegularExpression::CaseInsensitiveOption);

    QString out = sql;
    out.replace(bracketed, QStringLiteral("\\1"));
    out.replace(nocase, QString());
    out.replace(text, QStringLiteral("text COLLATE ") + kCollation);
    out.replace(byte, QStringLiteral("smallint"));
    out.replace(datetime, QStringLiteral("timestamp"));
    out.replace(primaryKey, QStringLiteral("ALTER TABLE \\2 ADD CONSTRAINT \\1 PRIMARY KEY ("));
    out.replace(tempIndex, QStringLiteral("\\1"));
    if (tempTable.match(out).hasMatch()) {
        // The working table keeps the order its rows were added in, as SQLite's rowid does.
        const qsizetype close = out.lastIndexOf(u')');
        if (close > 0)
            out.insert(close, QStringLiteral(", rowid bigint GENERATED ALWAYS AS IDENTITY"));
    }
    return out;
}

DbError fromServerError(const QSqlError &error, const QString &server)
{
    const QString code = error.nativeErrorCode().trimmed();
    const QString engine = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    auto make = [](int n, const QString &detail = QString()) {
        return DbError{n, dbErrorText(n, detail)};
    };
    if (code == QLatin1String("42P07"))
        return make(ErrTableExists, firstQuoted(engine));
    if (code == QLatin1String("42P16") || code == QLatin1String("42710"))
        return make(ErrPrimaryKeyExists);
    if (code == QLatin1String("23505"))
        return make(ErrDuplicateKey);
    if (code == QLatin1String("42P01"))
        return make(ErrNoSuchTable, firstQuoted(engine));
    if (code == QLatin1String("42703"))
        return make(ErrUnknownColumn, firstQuoted(engine));
    // A lock not obtained within the busy timeout, or given up to end a deadlock.
    if (code == QLatin1String("55P03") || code == QLatin1String("40P01")
        || code == QLatin1String("40001") || code == QLatin1String("57014"))
        return make(ErrLocked, server);
    if (code == QLatin1String("42501") || code == QLatin1String("25006"))
        return make(ErrReadOnly, server);
    if (code == QLatin1String("28P01") || code == QLatin1String("28000"))
        return make(ErrBadAccount);
    if (code == QLatin1String("3D000"))
        return make(ErrFileNotFound, server);
    if (error.type() == QSqlError::ConnectionError || code.startsWith(QLatin1String("08"))) {
        if (engine.contains(QLatin1String("password authentication failed"))
            || engine.contains(QLatin1String("pg_hba.conf"))
            || (engine.contains(QLatin1String("role \"")) && engine.contains(QLatin1String("does not exist"))))
            return make(ErrBadAccount);
        // The server cannot be reached, or has no such database: as a missing file.
        return make(ErrFileNotFound, server);
    }
    // A failure the database's own functions raise (an amount that is not a number) has
    // the words of the file's function of the same name, and is told as the file tells it.
    if (code == QLatin1String("P0001"))
        return DbError{ErrEngine, engineErrorText(1, primaryMessage(engine))};
    return make(ErrEngine, engine.trimmed());
}

namespace {

PGconn *connectionOf(const QSqlDatabase &db)
{
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    // The driver's handle is the libpq connection (named by its struct's name).
    const bool libpq = v.isValid()
        && (qstrcmp(v.typeName(), "PGconn*") == 0 || qstrcmp(v.typeName(), "pg_conn*") == 0);
    return libpq ? *static_cast<PGconn *const *>(v.data()) : nullptr;
}

// The failure of a result (or of the connection) as the driver would report it; clears
// the result.
DbError resultError(PGconn *conn, PGresult *res, const QString &server)
{
    const char *state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    const QString text = QString::fromUtf8(res ? PQresultErrorMessage(res) : PQerrorMessage(conn));
    if (res)
        PQclear(res);
    return fromServerError(QSqlError(QString(), text, QSqlError::StatementError,
                                     QString::fromLatin1(state ? state : "")),
                           server);
}

bool runPlain(PGconn *conn, const char *sql)
{
    PGresult *res = PQexec(conn, sql);
    const bool ok = res && PQresultStatus(res) == PGRES_COMMAND_OK;
    if (res)
        PQclear(res);
    return ok;
}

} // namespace

void appendCopyField(QByteArray *data, const QVariant &value, bool first)
{
    if (!first)
        data->append('\t');
    if (value.isNull()) {
        data->append("\\N");
        return;
    }
    QByteArray text;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        text = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
        break;
    case QMetaType::QDate:
        text = value.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        break;
    case QMetaType::Bool:
        text = value.toBool() ? "1" : "0";
        break;
    default:
        text = value.toString().toUtf8();
        break;
    }
    for (char c : std::as_const(text)) {
        switch (c) {
        case '\\':
            data->append("\\\\");
            break;
        case '\t':
            data->append("\\t");
            break;
        case '\n':
            data->append("\\n");
            break;
        case '\r':
            data->append("\\r");
            break;
        default:
            data->append(c);
        }
    }
}

bool copyIntoServer(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                    const QByteArray &data, const QString &server, qint64 *rows, DbError *error)
{
    *rows = 0;
    PGconn *conn = connectionOf(db);
    if (!conn) {
        *error = {ErrNotOpen, dbErrorText(ErrNotOpen)};
        return false;
    }
    auto failure = [&](PGresult *res) {
        *error = resultError(conn, res, server);
        return false;
    };
    const QByteArray sql = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(u','))
                               .toUtf8();
    PGresult *res = PQexec(conn, sql.constData());
    if (!res || PQresultStatus(res) != PGRES_COPY_IN)
        return failure(res);
    PQclear(res);
    constexpr qsizetype kChunk = 1 << 20;
    bool sent = true;
    for (qsizetype at = 0; sent && at < data.size(); at += kChunk)
        sent = PQputCopyData(conn, data.constData() + at, int(qMin(kChunk, data.size() - at))) == 1;
    if (PQputCopyEnd(conn, sent ? nullptr : "the rows could not be sent") != 1)
        return failure(nullptr);
    bool ok = true;
    while ((res = PQgetResult(conn)) != nullptr) {
        if (PQresultStatus(res) != PGRES_COMMAND_OK) {
            ok = failure(res);
            continue;
        }
        *rows += QByteArray(PQcmdTuples(res)).toLongLong();
        PQclear(res);
    }
    return ok;
}


int ServerRow::count() const
{
    return PQnfields(static_cast<const PGresult *>(m_result));
}

bool ServerRow::isNull(int column) const
{
    return PQgetisnull(static_cast<const PGresult *>(m_result), m_row, column);
}

const char *ServerRow::value(int column) const
{
    return PQgetvalue(static_cast<const PGresult *>(m_result), m_row, column);
}

int ServerRow::size(int column) const
{
    return PQgetlength(static_cast<const PGresult *>(m_result), m_row, column);
}

// The statement with its `?` placeholders numbered as the server wants them ($1, $2 ...),
// none inside a quoted text or name.
QByteArray numberedPlaceholders(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            out += u'$' + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out.toUtf8();
}

bool readServerRows(const QSqlDatabase &db, const QString &sql, const QVariantList &params,
                    const QString &server, const std::function<void(const ServerRow &)> &each,
                    DbError *error)
{
    PGconn *conn = connectionOf(db);
    if (!conn) {
        *error = {ErrNotOpen, dbErrorText(ErrNotOpen)};
        return false;
    }
    // A failed statement spoils the transaction it runs in: it runs under a savepoint.
    const bool inside = PQtransactionStatus(conn) == PQTRANS_INTRANS;
    if (inside && !runPlain(conn, "SAVEPOINT qav_read")) {
        *error = resultError(conn, nullptr, server);
        return false;
    }
    QList<QByteArray> texts;
    QList<const char *> values;
    for (const QVariant &p : params) {
        texts << (p.isNull() ? QByteArray() : p.toString().toUtf8());
        values << (p.isNull() ? nullptr : texts.last().constData());
    }
    PGresult *res = PQexecParams(conn, numberedPlaceholders(sql).constData(), int(values.size()),
                                 nullptr, values.constData(), nullptr, nullptr, 0);
    if (!res || PQresultStatus(res) != PGRES_TUPLES_OK) {
        *error = resultError(conn, res, server);
        if (inside)
            runPlain(conn, "ROLLBACK TO SAVEPOINT qav_read");
        return false;
    }
    ServerRow row;
    row.m_result = res;
    const int rows = PQntuples(res);
    for (row.m_row = 0; row.m_row < rows; ++row.m_row)
        each(row);
    PQclear(res);
    if (inside)
        runPlain(conn, "RELEASE SAVEPOINT qav_read");
    return true;
}

} // namespace qav
