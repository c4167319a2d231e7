#include "common/db/database.h"

#include "common/amount/decimalscan.h"
#include "common/db/account.h"
#include "common/db/server.h"
#include "common/db/sqlitehandle.h"
#include "common/text/textfile.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSqlDriver>
#include <QtEndian>
#include <QSqlError>
#include <QTimeZone>
#include <QUrl>

#include <sqlite3.h>

namespace qav {
namespace {

QString argText(sqlite3_value *v)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context *ctx, const QString &s)
{
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), u.size(), SQLITE_TRANSIENT);
}

void fnMid(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString s = argText(argv[0]);
    const int start = qMax(1, sqlite3_value_int(argv[1]));
    const int len = argc > 2 ? qMax(0, sqlite3_value_int(argv[2])) : int(s.size());
    resultText(ctx, s.mid(start - 1, len));
}

void fnLeft(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    resultText(ctx, argText(argv[0]).left(qMax(0, sqlite3_value_int(argv[1]))));
}

void fnLen(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int(ctx, int(argText(argv[0]).size()));
}

void fnAllDigits(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *p = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    bool digits = n > 0;
    for (int i = 0; digits && i < n; ++i)
        digits = p[i] >= '0' && p[i] <= '9';
    sqlite3_result_int(ctx, digits ? 1 : 0);
}

// VAL's reading: the leading number, spaces inside it skipped, no exponent.
DecimalNumber scanVal(const QString &text)
{
    return scanDecimal(QStringView(text), ScanBlanks | ScanSign | ScanInnerSpaces);
}

// Below 9e15 every whole number is exact as a real too, so VAL's integers and reals agree.
constexpr std::int64_t kExactWhole = 9000000000000000;

void fnVal(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_INTEGER) {
        sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        return;
    }
    if (type == SQLITE_FLOAT) {
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        return;
    }
    if (type == SQLITE_NULL) {
        sqlite3_result_int64(ctx, 0);
        return;
    }
    // A whole number of the exact range comes back as an integer, anything else as a real.
    // A text without a number is 0, the same integer as for no value at all.
    const DecimalNumber number = scanVal(argText(argv[0]));
    if (!number.isValid()) {
        sqlite3_result_int64(ctx, 0);
        return;
    }
    const auto whole = number.isWholeAt(0) ? number.scaled(0, Rounding::TowardZero) : std::nullopt;
    if (whole && *whole > -kExactWhole && *whole < kExactWhole)
        sqlite3_result_int64(ctx, *whole);
    else
        sqlite3_result_double(ctx, number.toDouble());
}

// A value as the driver must get it: a null text (or bytes) stays NULL on every engine
// (QtSql's server driver would send an empty text for it).
QVariant bindable(const QVariant &v)
{
    if ((v.typeId() == QMetaType::QString && v.toString().isNull())
        || (v.typeId() == QMetaType::QByteArray && v.toByteArray().isNull()))
        return QVariant(v.metaType());
    return v;
}

} // namespace

double valOf(const QString &text)
{
    return scanVal(text).toDouble();
}

void registerSqlFunctions(const QSqlDatabase &db)
{
    sqlite3 *h = sqliteHandle(db);
    if (!h)
        return;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(h, "mid", 2, flags, nullptr, fnMid, nullptr, nullptr);
    sqlite3_create_function(h, "mid", 3, flags, nullptr, fnMid, nullptr, nullptr);
    sqlite3_create_function(h, "left", 2, flags, nullptr, fnLeft, nullptr, nullptr);
    sqlite3_create_function(h, "len", 1, flags, nullptr, fnLen, nullptr, nullptr);
    sqlite3_create_function(h, "val", 1, flags, nullptr, fnVal, nullptr, nullptr);
    sqlite3_create_function(h, "alldigits", 1, flags, nullptr, fnAllDigits, nullptr, nullptr);
}

Database::Database(const QString &connectionName) : m_connection(connectionName) {}

Database::~Database()
{
    // Only a connection this object opened is closed here. A database kept in a static is
    // destroyed at process exit, possibly after QtSql's own connection list: touching that
    // list then crashes.
    if (!m_file.isEmpty())
        close();
}

bool Database::fail(const DbError &error)
{
    m_error = error;
    return false;
}

DbError Database::errorOf(const QSqlError &error) const
{
    return m_engine == Engine::Server ? fromServerError(error, m_file) : fromSqlError(error);
}

bool Database::openServer(const OpenOptions &o)
{
    const QString uri = o.server.trimmed();
    ServerAddress address;
    if (!parseServerUri(uri, &address))
        return fail({ErrFileNotFound, dbErrorText(ErrFileNotFound, uri)});
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return fail({ErrEngine, dbErrorText(ErrEngine, QStringLiteral("no está instalado el "
                                                                      "controlador QPSQL de Qt"))});
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
        db.setHostName(address.host);
        if (address.port > 0)
            db.setPort(address.port);
        db.setDatabaseName(address.database);
        db.setUserName(o.user);
        db.setPassword(o.password);
        db.setConnectOptions(address.options);
        if (!db.open()) {
            const DbError e = fromServerError(db.lastError(), uri);
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connection);
            return fail(e);
        }
    }
    m_file = uri;
    m_engine = Engine::Server;
    // The busy timeout is how long a lock is waited for; notices of statements such as
    // CREATE ... IF NOT EXISTS are not wanted; times are the client's; a date written as
    // the suite writes it (dd/MM/yyyy) is read day first.
    QStringList settings{QStringLiteral("SET client_min_messages = warning"),
                         QStringLiteral("SET lock_timeout = %1").arg(qMax(1, o.busyTimeoutMs)),
                         QStringLiteral("SET DateStyle = 'ISO, DMY'")};
    if (o.readOnly)
        settings << QStringLiteral("SET default_transaction_read_only = on");
    for (const QString &sql : settings)
        if (!execute(sql)) {
            const DbError e = m_error;
            close();
            return fail(e);
        }
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    if (!zone.isEmpty())
        execute(QStringLiteral("SELECT set_config('TimeZone', ?, false)"), {QString::fromLatin1(zone)});
    const QStringList present = tables();
    if (m_error.isError()) {
        const DbError e = m_error;
        close();
        return fail(e);
    }
    for (const QString &t : o.requiredTables)
        if (!present.contains(t, Qt::CaseInsensitive)) {
            close();
            return fail({ErrNotADatabase, dbErrorText(ErrNotADatabase, uri)});
        }
    m_error = {};
    return true;
}

bool Database::open(const OpenOptions &o)
{
    close();
    m_error = {};
    if (!o.server.trimmed().isEmpty())
        return openServer(o);
    if (!o.workgroupFile.isNull()) {
        const DbError e = checkWorkgroupAccount(o.workgroupFile, o.user, o.password);
        if (e.isError())
            return fail(e);
    }
    // The installation's names come from settings typed on another system: the file is
    // found whatever the case of its name.
    const QString file = o.file.trimmed().isEmpty() ? o.file : resolveCaseInsensitive(o.file);
    if (file.trimmed().isEmpty() || !QFileInfo(file).isFile())
        return fail({ErrFileNotFound, dbErrorText(ErrFileNotFound, o.file)});

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        QUrl url = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
        url.setQuery(o.readOnly ? QStringLiteral("mode=ro") : QStringLiteral("mode=rw"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(o.busyTimeoutMs));
        if (!db.open()) {
            const DbError e = fromSqlError(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connection);
            return fail(e.number == ErrEngine ? DbError{ErrFileNotFound, dbErrorText(ErrFileNotFound, o.file)} : e);
        }
        registerSqlFunctions(db);
    }
    m_file = file;
    // Touch the file: a locked or foreign file is refused here, not at the first query, and
    // nothing is written to it (not even the journal mode) until it has passed.
    DbError refused;
    {
        QSqlQuery probe(handle());
        if (!probe.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"))) {
            refused = fromSqlError(probe.lastError());
        } else {
            QStringList present;
            while (probe.next())
                present << probe.value(0).toString();
            for (const QString &t : o.requiredTables)
                if (!present.contains(t, Qt::CaseInsensitive)) {
                    refused = {ErrNotADatabase, dbErrorText(ErrNotADatabase, o.file)};
                    break;
                }
        }
        // The probe's statement holds a read transaction until finished, and the journal
        // mode cannot change inside one.
        probe.finish();
    }
    if (!refused.isError() && !o.readOnly && isReadOnlyConnection())
        refused = {ErrReadOnly, dbErrorText(ErrReadOnly, o.file)};
    if (!refused.isError() && !o.readOnly) {
        QSqlQuery wal(handle());
        if (!wal.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            refused = fromSqlError(wal.lastError());
    }
    if (!refused.isError() && !o.readOnly && o.refuseWhileWriting) {
        // In WAL mode readers never wait: a writer holding the file is only seen by asking
        // for the write lock. It is given back at once.
        QSqlQuery lock(handle());
        if (!lock.exec(QStringLiteral("BEGIN IMMEDIATE")))
            refused = fromSqlError(lock.lastError());
        else
            lock.exec(QStringLiteral("ROLLBACK"));
    }
    if (refused.isError()) {
        if (refused.number == ErrLocked || refused.number == ErrNotADatabase
            || refused.number == ErrReadOnly)
            refused.text = dbErrorText(refused.number, o.file);
        close();
        return fail(refused);
    }
    return true;
}

bool Database::isReadOnlyConnection() const
{
    sqlite3 *h = sqliteHandle(handle());
    return h && sqlite3_db_readonly(h, "main") == 1;
}

void Database::close()
{
    ++m_session;
    m_transactions = 0;
    m_insertKey.clear();
    m_lastInsert = PreparedStatement();
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_file.clear();
    m_engine = Engine::SQLite;
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && handle().isOpen();
}

QSqlDatabase Database::handle() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool Database::savepoint(const char *command)
{
    QSqlQuery q(handle());
    return q.exec(QString::fromLatin1(command));
}

bool Database::prepareAndRun(QSqlQuery &q, const QString &sql, const QVariantList &params)
{
    if (!isOpen())
        return fail({ErrNotOpen, dbErrorText(ErrNotOpen)});
    const bool guard = guarded();
    if (guard && !savepoint("SAVEPOINT qav_statement"))
        return fail(errorOf(q.lastError()));
    bool ok;
    if (params.isEmpty()) {
        ok = q.exec(sql);
    } else {
        ok = q.prepare(sql);
        if (ok) {
            for (const QVariant &p : params)
                q.addBindValue(bindable(p));
            ok = q.exec();
        }
    }
    if (!ok) {
        DbError e = errorOf(q.lastError());
        // The file a lock or a write refusal is about is the one this connection has open.
        if (e.number == ErrLocked || e.number == ErrReadOnly)
            e.text = dbErrorText(e.number, m_file);
        if (guard)
            savepoint("ROLLBACK TO SAVEPOINT qav_statement");
        return fail(e);
    }
    if (guard)
        savepoint("RELEASE SAVEPOINT qav_statement");
    m_error = {};
    return true;
}

bool Database::execute(const QString &sql, const QVariantList &params)
{
    QSqlQuery q(handle());
    m_rowsAffected = 0;
    if (!prepareAndRun(q, sql, params))
        return false;
    m_rowsAffected = q.numRowsAffected();
    return true;
}

bool Database::select(QSqlQuery *query, const QString &sql, const QVariantList &params)
{
    *query = QSqlQuery(handle());
    // The server's driver reads a forward-only result row by row and drops what is left of
    // it when the connection runs the next statement: there, a result is read whole.
    query->setForwardOnly(m_engine == Engine::SQLite);
    return prepareAndRun(*query, sql, params);
}

QList<QSqlRecord> Database::rows(const QString &sql, const QVariantList &params)
{
    QList<QSqlRecord> out;
    QSqlQuery q;
    if (!select(&q, sql, params))
        return out;
    while (q.next())
        out << q.record();
    // next() ends alike at the last row and at a failure of the engine (a damaged page).
    if (q.lastError().isValid()) {
        fail(errorOf(q.lastError()));
        return {};
    }
    return out;
}

QVariant Database::scalar(const QString &sql, const QVariantList &params)
{
    QSqlQuery q;
    if (!select(&q, sql, params))
        return QVariant();
    if (!q.next()) {
        if (q.lastError().isValid())
            fail(errorOf(q.lastError()));
        return QVariant();
    }
    return q.value(0);
}

bool Database::exists(const QString &sql, const QVariantList &params)
{
    QSqlQuery q;
    if (!select(&q, sql, params))
        return false;
    if (q.next())
        return true;
    if (q.lastError().isValid())
        fail(errorOf(q.lastError()));
    return false;
}

bool Database::insert(const QString &table, const ColumnValues &values)
{
    QStringList cols;
    QVariantList params;
    for (const auto &[c, v] : values) {
        cols << c;
        params << v;
    }
    const QString key = table + u'\n' + cols.join(u'\n');
    if (key != m_insertKey || m_lastInsert.m_session != m_session) {
        m_lastInsert = prepareInsert(table, cols);
        m_insertKey = key;
    }
    const bool ok = m_lastInsert.run(params);
    m_rowsAffected = ok ? m_lastInsert.rowsAffected() : 0;
    return ok;
}

PreparedStatement Database::prepare(const QString &sql)
{
    PreparedStatement st;
    st.m_db = this;
    st.m_session = m_session;
    if (!isOpen()) {
        st.m_prepareError = {ErrNotOpen, dbErrorText(ErrNotOpen)};
        fail(st.m_prepareError);
        return st;
    }
    st.m_query = QSqlQuery(handle());
    if (!st.m_query.prepare(sql)) {
        st.m_prepareError = errorOf(st.m_query.lastError());
        fail(st.m_prepareError);
        return st;
    }
    st.m_prepared = true;
    m_error = {};
    return st;
}

PreparedStatement Database::prepareInsert(const QString &table, const QStringList &columns)
{
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    return prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, columns.join(u','), marks.join(u',')));
}

bool PreparedStatement::run(const QVariantList &values)
{
    m_rowsAffected = 0;
    if (!m_db)
        return false;
    if (m_session != m_db->m_session || !m_db->isOpen())
        return m_db->fail({ErrNotOpen, dbErrorText(ErrNotOpen)});
    if (!m_prepared)
        return m_db->fail(m_prepareError);
    for (qsizetype i = 0; i < values.size(); ++i)
        m_query.bindValue(int(i), bindable(values[i]));
    const bool guard = m_db->guarded();
    if (guard && !m_db->savepoint("SAVEPOINT qav_statement"))
        return m_db->fail(m_db->errorOf(m_query.lastError()));
    const bool ok = m_query.exec();
    if (!ok) {
        const DbError e = m_db->errorOf(m_query.lastError());
        m_query.finish();
        if (guard)
            m_db->savepoint("ROLLBACK TO SAVEPOINT qav_statement");
        return m_db->fail(e);
    }
    if (guard)
        m_db->savepoint("RELEASE SAVEPOINT qav_statement");
    m_rowsAffected = m_query.numRowsAffected();
    // Reset at once: a finished statement holds no lock on the file between rows.
    m_query.finish();
    m_db->m_error = {};
    return true;
}

bool Database::update(const QString &table, const ColumnValues &values, const QString &where,
                      const QVariantList &whereParams)
{
    QStringList sets;
    QVariantList params;
    for (const auto &[c, v] : values) {
        sets << c + QStringLiteral("=?");
        params << v;
    }
    params << whereParams;
    QString sql = QStringLiteral("UPDATE %1 SET %2").arg(table, sets.join(u','));
    if (!where.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return execute(sql, params);
}

QStringList Database::tables()
{
    QStringList out;
    QSqlQuery q;
    const QString sql = m_engine == Engine::Server
        ? QStringLiteral("SELECT tablename FROM pg_catalog.pg_tables"
                         " WHERE schemaname = ANY (current_schemas(false)) ORDER BY tablename")
        : QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
    if (!select(&q, sql))
        return out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

bool Database::tableExists(const QString &name)
{
    const QStringList all = tables();
    for (const QString &t : all)
        if (t.toUpper() == name.toUpper())
            return true;
    return false;
}

bool Database::executeDdl(const QString &sql)
{
    return execute(m_engine == Engine::Server ? adaptDdlForServer(sql) : sql);
}

bool Database::insertComputed(const QString &table, const QStringList &columns,
                              const QString &source, const QVariantList &params,
                              const QString &lastSql,
                              const std::function<QString(const QVariantList &row)> &lastValue)
{
    m_rowsAffected = 0;
    if (m_engine != Engine::Server)
        return execute(QStringLiteral("INSERT INTO %1 (%2) SELECT *, %3 FROM (%4) AS s")
                           .arg(table, columns.join(u','), lastSql, source),
                       params);
    // The rows are read as the server's texts, without the driver's conversions.
    QByteArray data;
    QVariantList row;
    DbError e;
    const bool read = readServerRows(
        handle(), source, params, m_file,
        [&](const ServerRow &r) {
            row.clear();
            for (int i = 0; i < r.count(); ++i) {
                row << (r.isNull(i) ? QVariant(QMetaType::fromType<QString>())
                                    : QVariant(QString::fromUtf8(r.value(i), r.size(i))));
                appendCopyField(&data, row.last(), i == 0);
            }
            appendCopyField(&data, lastValue(row), false);
            data.append('\n');
        },
        &e);
    if (!read)
        return fail(e);
    if (data.isEmpty()) {
        m_error = {};
        return true;
    }
    return copyRows(table, columns, data);
}

bool Database::insertRows(const QString &table, const QStringList &columns,
                          const QVariantList &values)
{
    m_rowsAffected = 0;
    const int width = int(columns.size());
    if (width == 0 || values.size() % width != 0)
        return fail({ErrEngine, dbErrorText(ErrEngine, QStringLiteral("valores incompletos"))});
    if (values.isEmpty()) {
        m_error = {};
        return true;
    }
    if (m_engine != Engine::Server) {
        Transaction t(*this);
        if (!t.isActive())
            return false;
        PreparedStatement add = prepareInsert(table, columns);
        for (qsizetype at = 0; at < values.size(); at += width)
            if (!add.run(values.mid(at, width)))
                return false;
        if (!t.commit())
            return false;
        m_rowsAffected = int(values.size() / width);
        m_error = {};
        return true;
    }
    QByteArray data;
    for (qsizetype at = 0; at < values.size(); ++at) {
        appendCopyField(&data, values[at], at % width == 0);
        if (at % width == width - 1)
            data.append('\n');
    }
    return copyRows(table, columns, data);
}

bool Database::copyRows(const QString &table, const QStringList &columns, const QByteArray &data)
{
    const bool guard = guarded();
    if (guard && !savepoint("SAVEPOINT qav_statement"))
        return fail(errorOf(handle().lastError()));
    qint64 rows = 0;
    DbError e;
    if (!copyIntoServer(handle(), table, columns, data, m_file, &rows, &e)) {
        if (guard)
            savepoint("ROLLBACK TO SAVEPOINT qav_statement");
        return fail(e);
    }
    if (guard)
        savepoint("RELEASE SAVEPOINT qav_statement");
    m_rowsAffected = int(rows);
    m_error = {};
    return true;
}

QString Database::rowOrderColumn() const
{
    return m_engine == Engine::Server ? QStringLiteral("ctid") : QStringLiteral("rowid");
}

bool Database::installServerObjects()
{
    if (m_engine != Engine::Server)
        return isOpen() || fail({ErrNotOpen, dbErrorText(ErrNotOpen)});
    for (const QString &sql : serverObjectsSql())
        if (!execute(sql))
            return false;
    return true;
}

bool Database::control(const QString &sql)
{
    if (!isOpen())
        return fail({ErrNotOpen, dbErrorText(ErrNotOpen)});
    QSqlQuery q(handle());
    if (!q.exec(sql)) {
        DbError e = errorOf(q.lastError());
        if (e.number == ErrLocked || e.number == ErrReadOnly)
            e.text = dbErrorText(e.number, m_file);
        return fail(e);
    }
    m_error = {};
    return true;
}

namespace {

// The advisory lock that stands for the file's write lock, and the prefix of named ones.
const QString kDatabaseLock = QStringLiteral("qav");

} // namespace

Transaction::Transaction(Database &db, const QString &hold) : m_db(db), m_session(db.m_session)
{
    begin(hold.isEmpty() ? kDatabaseLock : kDatabaseLock + u':' + hold);
}

Transaction::Transaction(Database &db, Lock lock) : m_db(db), m_session(db.m_session)
{
    begin(lock == DatabaseLock ? kDatabaseLock : QString());
}

void Transaction::begin(const QString &serverLock)
{
    if (m_db.m_transactions > 0) {
        // An inner transaction is a savepoint of the outer one, which holds the lock already.
        m_savepoint = QStringLiteral("qav_tx%1").arg(m_db.m_transactions);
        m_active = m_db.control(QStringLiteral("SAVEPOINT ") + m_savepoint);
    } else if (m_db.engine() != Engine::Server) {
        // SQLite's write lock covers every hold.
        m_active = m_db.control(QStringLiteral("BEGIN IMMEDIATE"));
    } else {
        if (!m_db.control(QStringLiteral("BEGIN")))
            return;
        // The lock's key is a number made from its name here: the name may hold values
        // typed by a person, and a statement with a value bound would leave a prepared
        // statement that an aborted transaction cannot free. A named hold shares the
        // database's lock with the other named ones and takes its own name alone; without
        // a name the database's lock is taken alone, so such a writer keeps every other
        // out, as the file's write lock does.
        auto key = [](const QString &name) {
            const QByteArray digest = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1);
            return qFromBigEndian<qint32>(digest.constData());
        };
        QString lock;
        if (serverLock == kDatabaseLock)
            lock = QStringLiteral("SELECT pg_advisory_xact_lock(7093, %1)").arg(key(serverLock));
        else if (!serverLock.isEmpty())
            lock = QStringLiteral("SELECT pg_advisory_xact_lock_shared(7093, %1),"
                                  " pg_advisory_xact_lock(7093, %2)")
                       .arg(key(kDatabaseLock))
                       .arg(key(serverLock));
        if (!lock.isEmpty() && !m_db.control(lock)) {
            const DbError e = m_db.lastError();
            QSqlQuery q(m_db.handle());
            q.exec(QStringLiteral("ROLLBACK"));
            m_db.m_error = e;
            return;
        }
        m_active = true;
    }
    if (m_active)
        ++m_db.m_transactions;
}

Transaction::~Transaction()
{
    if (!m_active)
        return;
    if (m_session == m_db.m_session) {
        QSqlQuery q(m_db.handle());
        if (m_savepoint.isEmpty()) {
            q.exec(QStringLiteral("ROLLBACK"));
        } else {
            q.exec(QStringLiteral("ROLLBACK TO ") + m_savepoint);
            q.exec(QStringLiteral("RELEASE ") + m_savepoint);
        }
    }
    end();
}

void Transaction::end()
{
    m_active = false;
    // A connection closed (or opened again) since has no transaction left to count.
    if (m_session == m_db.m_session && m_db.m_transactions > 0)
        --m_db.m_transactions;
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    if (m_savepoint.isEmpty() && m_db.engine() == Engine::Server) {
        // The server ends the transaction whether COMMIT succeeds or not.
        const bool ok = m_db.control(QStringLiteral("COMMIT"));
        end();
        return ok;
    }
    if (!m_db.control(m_savepoint.isEmpty() ? QStringLiteral("COMMIT")
                                            : QStringLiteral("RELEASE ") + m_savepoint))
        return false;
    end();
    return true;
}

} // namespace qav
