#include "declmod/declaration/recoveryfile.h"

#include "common/db/database.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <sqlite3.h>

#include <QHash>

#include <algorithm>
#include <optional>
#include <vector>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace declmod {
namespace {

QList<RecoveryFile *> &registry()
{
    static QList<RecoveryFile *> objects;
    return objects;
}

// A part of a file name: letters and digits as they are, anything else as "_" and its
// bytes in hexadecimal, so no value can leave the folder or clash with the separators.
QString namePart(const QString &value)
{
    QString out;
    for (const char c : value.toUtf8()) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            out += QLatin1Char(c);
        else
            out += QStringLiteral("_%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return out;
}

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

// The folder, made when missing; it must be a real folder of this user that nobody else
// may enter.
bool privateFolder(const QString &folder, QString *why)
{
    if (folder.isEmpty()) {
        *why = QStringLiteral("no hay carpeta de datos del usuario");
        return false;
    }
    if (!QDir().mkpath(folder)) {
        *why = QStringLiteral("no se pudo crear la carpeta");
        return false;
    }
    struct stat st {};
    const QByteArray path = QFile::encodeName(folder);
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        *why = QStringLiteral("la carpeta no es del usuario");
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0) {
        *why = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    return true;
}

enum class Lock { Taken, Held, Failed };

// Takes the lock file of a slot without waiting. The file is created when missing; a file
// removed by its owner between the open and the lock is not taken (the path is opened
// again), so two sessions never hold locks of one slot.
Lock takeLock(const QString &path, int *fd)
{
    const QByteArray p = QFile::encodeName(path);
    for (int attempt = 0; attempt < 8; ++attempt) {
        *fd = ::open(p.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (*fd < 0)
            return Lock::Failed;
        if (::flock(*fd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            ::close(*fd);
            *fd = -1;
            return e == EWOULDBLOCK ? Lock::Held : Lock::Failed;
        }
        struct stat held {}, named {};
        if (::fstat(*fd, &held) == 0 && ::stat(p.constData(), &named) == 0
            && held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return Lock::Taken;
        ::close(*fd);
        *fd = -1;
    }
    return Lock::Failed;
}

void removeKeptFiles(const QString &db)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(db + QLatin1String(suffix));
}

// Lets a lock go; with `remove`, the lock file goes first, while it is still held.
void releaseLock(int fd, const QString &path, bool remove)
{
    if (fd < 0)
        return;
    if (remove)
        ::unlink(QFile::encodeName(path).constData());
    ::close(fd);
}

const char kCreate[] =
    "CREATE TABLE kept (installation TEXT, formulario TEXT, doc_id_d TEXT, periodo TEXT,"
    " window_open INTEGER, pending INTEGER, changed TEXT, pid INTEGER, base BLOB);"
    "CREATE TABLE changes (seq INTEGER PRIMARY KEY, kind INTEGER, records BLOB);";

// What a row of `changes` does to the kept table, replayed in order.
enum ChangeKind : int {
    Fill = 0,   // the table emptied, then these records added
    Insert = 1, // these records added
    Update = 2, // the amounts of these records (by key) replaced
    Remove = 3, // the records of these keys removed
};

// A run of single-record changes after which the file is written afresh from the table,
// so that a long session does not replay an ever longer list.
int changesBeforeRefill = 5000;

// Records packed into one value: for every field its length (4 bytes, little-endian; -1
// for a null) and its UTF-8 bytes. A batch of 5,000 imported records is one row of the
// file instead of 5,000 rows and their index.
void packField(QByteArray &out, const char *data, qint64 size)
{
    const qint32 n = data ? qint32(size) : -1;
    const char length[4] = {char(n & 0xff), char((n >> 8) & 0xff), char((n >> 16) & 0xff),
                            char((n >> 24) & 0xff)};
    out.append(length, 4);
    if (n > 0)
        out.append(data, n);
}

void packRecord(QByteArray &out, const VoucherRecord &r)
{
    for (const QString *f : {&r.tip_com, &r.num_ser, &r.per_tri, &r.tot_ven, &r.tot_gra}) {
        const QByteArray bytes = f->toUtf8();
        packField(out, f->isNull() ? nullptr : bytes.constData(), bytes.size());
    }
}

// Unpacks `data`; false when it is cut short or malformed.
bool unpackRecords(const char *data, qint64 size, QList<VoucherRecord> *records)
{
    qint64 at = 0;
    while (at < size) {
        VoucherRecord r;
        for (QString *f : {&r.tip_com, &r.num_ser, &r.per_tri, &r.tot_ven, &r.tot_gra}) {
            if (size - at < 4)
                return false;
            const auto *u = reinterpret_cast<const unsigned char *>(data + at);
            const qint32 n = qint32(quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16
                                    | quint32(u[3]) << 24);
            at += 4;
            if (n < -1 || n > size - at)
                return false;
            if (n >= 0) {
                *f = QString::fromUtf8(data + at, n);
                if (f->isNull())
                    *f = QStringLiteral("");
                at += n;
            }
        }
        records->append(r);
    }
    return true;
}

// The key of a record as the working table compares it: case folded in ASCII only.
QByteArray recordKey(const VoucherRecord &r)
{
    QByteArray k = r.tip_com.toUtf8();
    k += '\x1f';
    k += r.num_ser.toUtf8();
    k += '\x1f';
    k += r.per_tri.toUtf8();
    for (char &c : k)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return k;
}

// The table a list of changes leaves, in the order its records were added.
class Replay
{
public:
    bool apply(int kind, QList<VoucherRecord> &&records)
    {
        if (kind == Fill) {
            m_rows.clear();
            m_where.clear();
            kind = Insert;
        }
        for (VoucherRecord &r : records) {
            const QByteArray k = recordKey(r);
            const auto found = m_where.constFind(k);
            switch (kind) {
            case Insert:
                if (found != m_where.cend())
                    m_rows[*found].reset();
                m_where.insert(k, m_rows.size());
                m_rows.push_back(std::move(r));
                break;
            case Update:
                if (found != m_where.cend()) {
                    m_rows[*found]->tot_ven = r.tot_ven;
                    m_rows[*found]->tot_gra = r.tot_gra;
                }
                break;
            case Remove:
                if (found != m_where.cend()) {
                    m_rows[*found].reset();
                    m_where.erase(found);
                }
                break;
            default:
                return false;
            }
        }
        return true;
    }

    QList<VoucherRecord> records() const
    {
        QList<VoucherRecord> out;
        out.reserve(m_where.size());
        for (const auto &r : m_rows)
            if (r)
                out.append(*r);
        return out;
    }

private:
    std::vector<std::optional<VoucherRecord>> m_rows;
    QHash<QByteArray, qsizetype> m_where;
};

} // namespace

QString recoveryFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/qav/recuperacion");
}

QString installationTag(const QString &sysPath, const QString &dbFile)
{
    QString name = namePart(QDir(QDir::cleanPath(sysPath)).dirName()).left(24);
    if (name.isEmpty())
        name = QStringLiteral("qav");
    const QFileInfo db(dbFile);
    const QString full = db.exists() ? db.canonicalFilePath() : db.absoluteFilePath();
    return name + u'-'
        + QString::fromLatin1(
              QCryptographicHash::hash(full.toUtf8(), QCryptographicHash::Sha256).toHex().left(12));
}

// The file of one slot: an SQLite connection of its own, holding the head row and the list
// of changes made to the working table since the file was last written from it.
struct RecoveryFile::Store {
    sqlite3 *db = nullptr;
    sqlite3_stmt *change = nullptr;
    sqlite3_stmt *touch = nullptr;
    sqlite3_stmt *base = nullptr;
    QString error;
    int code = SQLITE_OK;
    int changesSinceFill = 0;
    QElapsedTimer sinceSync; // since the last commit that reached the disk
    bool unsynced = false;   // a commit since then that may not have
    bool relaxedNow = false;

    ~Store()
    {
        for (sqlite3_stmt *s : {change, touch, base})
            sqlite3_finalize(s);
        sqlite3_close(db);
    }

    bool failed(int rc)
    {
        code = rc;
        error = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        return false;
    }

    bool exec(const char *sql)
    {
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        return rc == SQLITE_OK || failed(rc);
    }

    // Exclusive locking keeps the WAL index in memory, so the file has no shared-memory
    // companion; FULL makes every commit durable before it returns.
    bool open(const QString &path)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                       SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK)
            return failed(rc);
        return exec("PRAGMA locking_mode=EXCLUSIVE; PRAGMA journal_mode=WAL;"
                    " PRAGMA synchronous=FULL;");
    }

    // Begins a change. Its commit is synced to the disk unless `relaxed` and less than a
    // second went by since the last sync (or since the first relaxed change of a new
    // file): the import's batches then cost one sync a second instead of one each, and
    // endBatches() syncs what is left. A killed process loses nothing either way (the written pages
    // are the system's); a power cut may lose the batches of that last second, never the
    // file's consistency, and a later synced commit carries the earlier ones with it.
    bool begin(bool relaxed = false)
    {
        if (relaxed && !sinceSync.isValid())
            sinceSync.start();
        relaxedNow = relaxed && sinceSync.elapsed() < 1000;
        // The engine takes the setting only outside a transaction.
        if (relaxedNow && !exec("PRAGMA synchronous=NORMAL"))
            return false;
        return exec("BEGIN");
    }

    void rollback()
    {
        exec("ROLLBACK");
        if (std::exchange(relaxedNow, false))
            exec("PRAGMA synchronous=FULL");
    }

    bool commit()
    {
        const bool ok = exec("COMMIT");
        if (relaxedNow) {
            relaxedNow = false;
            if (!exec("PRAGMA synchronous=FULL"))
                return false;
            unsynced = unsynced || ok;
        } else if (ok) {
            sinceSync.start();
            unsynced = false;
        }
        return ok;
    }

    bool prepare(const char *sql, sqlite3_stmt **statement)
    {
        const int rc = sqlite3_prepare_v2(db, sql, -1, statement, nullptr);
        return rc == SQLITE_OK || failed(rc);
    }

    bool prepareAll()
    {
        return prepare("INSERT INTO changes (kind, records) VALUES (?, ?)", &change)
            && prepare("UPDATE kept SET pending=?, window_open=?, changed=?, pid=?", &touch)
            && prepare("UPDATE kept SET base=?", &base);
    }

    bool step(sqlite3_stmt *s)
    {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        return rc == SQLITE_DONE || failed(rc);
    }

    bool addChange(int kind, const QByteArray &records)
    {
        sqlite3_bind_int(change, 1, kind);
        sqlite3_bind_blob64(change, 2, records.constData(), sqlite3_uint64(records.size()),
                            SQLITE_STATIC);
        if (!step(change))
            return false;
        changesSinceFill = kind == Fill ? 0 : changesSinceFill + 1;
        return true;
    }

    bool setState(bool pending, bool windowOpen)
    {
        sqlite3_bind_int(touch, 1, pending ? 1 : 0);
        sqlite3_bind_int(touch, 2, windowOpen ? 1 : 0);
        const QByteArray when = now().toUtf8();
        sqlite3_bind_text(touch, 3, when.constData(), int(when.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(touch, 4, QCoreApplication::applicationPid());
        return step(touch);
    }

    bool setBase(const QByteArray &version)
    {
        sqlite3_bind_blob64(base, 1, version.constData(), sqlite3_uint64(version.size()),
                            SQLITE_TRANSIENT);
        return step(base);
    }

    // The table the changes leave, and the version of the stored declaration it was based on.
    bool read(QList<VoucherRecord> *records, QByteArray *baseVersion)
    {
        sqlite3_stmt *head = nullptr;
        if (!prepare("SELECT base FROM kept", &head))
            return false;
        if (sqlite3_step(head) == SQLITE_ROW && baseVersion)
            *baseVersion = QByteArray(static_cast<const char *>(sqlite3_column_blob(head, 0)),
                                      sqlite3_column_bytes(head, 0));
        sqlite3_finalize(head);
        sqlite3_stmt *list = nullptr;
        if (!prepare("SELECT kind, records FROM changes ORDER BY seq", &list))
            return false;
        Replay replay;
        int rc = SQLITE_ROW;
        bool ok = true;
        while (ok && (rc = sqlite3_step(list)) == SQLITE_ROW) {
            QList<VoucherRecord> batch;
            ok = unpackRecords(static_cast<const char *>(sqlite3_column_blob(list, 1)),
                               sqlite3_column_bytes(list, 1), &batch)
                && replay.apply(sqlite3_column_int(list, 0), std::move(batch));
        }
        sqlite3_finalize(list);
        if (!ok) {
            error = QStringLiteral("la copia está dañada");
            return false;
        }
        if (rc != SQLITE_DONE)
            return failed(rc);
        *records = replay.records();
        return true;
    }
};

// A slot of an ended session, found by open().
struct RecoveryFile::Slot {
    int n = 0;
    int lockFd = -1;
    QString changed;
};

RecoveryFile::RecoveryFile(qav::Database &db, const QString &folder, const QString &installation)
    : m_db(db)
    , m_folder(folder)
    , m_installation(installation)
{
    registry().append(this);
}

RecoveryFile::~RecoveryFile()
{
    letGo(false);
    registry().removeOne(this);
}

RecoveryFile *RecoveryFile::keeping(const qav::Database &db)
{
    const QList<RecoveryFile *> &all = registry();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (&(*it)->m_db == &db)
            return *it;
    return nullptr;
}

QString RecoveryFile::basePath(const DeclarationKey &key) const
{
    return m_folder + u'/' + m_installation + u'-' + namePart(key.formNumber) + u'-'
        + namePart(key.taxpayerId) + u'-' + namePart(key.period);
}

QString RecoveryFile::slotPath(int n, const char *suffix) const
{
    return m_base + u'.' + QString::number(n) + QLatin1String(suffix);
}

QString RecoveryFile::filePath() const
{
    return isOpen() ? slotPath(m_slot, ".db") : QString();
}

QString RecoveryFile::takeFailure()
{
    return std::exchange(m_failure, QString());
}

void RecoveryFile::fail(const QString &what)
{
    if (!m_failing)
        m_failure = QStringLiteral("No se pudo guardar la copia de los registros no grabados")
            + (isOpen() ? QStringLiteral(" en ") + filePath() : QString()) + QStringLiteral(": ")
            + what + u'\n'
            + QStringLiteral("Si el módulo se cierra de forma inesperada, no podrán recuperarse.");
    m_failing = true;
}

void RecoveryFile::close()
{
    letGo(true);
}

void RecoveryFile::letGo(bool removeFile)
{
    if (m_store && removeFile)
        m_store->setState(false, false); // should the file outlive its removal, it offers nothing
    m_store.reset();
    if (isOpen()) {
        if (removeFile)
            removeKeptFiles(slotPath(m_slot, ".db"));
        releaseLock(m_lockFd, slotPath(m_slot, ".lock"), removeFile);
    }
    m_lockFd = -1;
    m_slot = 0;
    m_key = DeclarationKey();
    m_base.clear();
    m_pending = false;
    m_inBatch = false;
}

bool RecoveryFile::open(const DeclarationKey &key, const std::function<bool()> &ask)
{
    letGo(true);
    QString why;
    if (!privateFolder(m_folder, &why)) {
        fail(m_folder + QStringLiteral(": ") + why);
        return false;
    }
    m_key = key;
    m_base = basePath(key);
    const bool recovered = offerEnded(ask);
    if (!recovered) {
        if (!takeFreeSlot()) {
            fail(m_base + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno)));
            m_key = DeclarationKey();
            m_base.clear();
            return false;
        }
        // Records the table holds already and that are not stored (a new declaration whose
        // key was changed) are kept at once.
        const auto differs = WorkingTable(m_db).differsFromStored(key);
        if (differs && *differs)
            start(true);
    }
    return recovered;
}

bool RecoveryFile::offerEnded(const std::function<bool()> &ask)
{
    const QFileInfo base(m_base);
    const QString prefix = base.fileName() + u'.';
    QList<Slot> ended;
    const QStringList names =
        QDir(base.path()).entryList({prefix + QStringLiteral("*.db")}, QDir::Files);
    for (const QString &name : names) {
        bool number = false;
        const int n = name.mid(prefix.size(), name.size() - prefix.size() - 3).toInt(&number);
        if (!number || n <= 0)
            continue;
        Slot slot{n, -1, {}};
        bool candidate = false;
        if (takeLock(slotPath(n, ".lock"), &slot.lockFd) != Lock::Taken)
            continue; // a running session's, or out of reach
        const QString file = slotPath(n, ".db");
        Store store;
        bool drop = false;
        sqlite3_stmt *head = nullptr;
        if (!QFile::exists(file)) {
            // removed by its owner before the lock was taken
        } else if (!store.open(file)) {
            // not readable: left as it is
        } else if (!store.prepare("SELECT installation, formulario, doc_id_d, periodo,"
                                  " window_open, pending, changed FROM kept", &head)) {
            drop = store.code == SQLITE_ERROR; // created but never written: nothing in it
        } else if (sqlite3_step(head) != SQLITE_ROW) {
            drop = true;
        } else {
            auto text = [head](int i) {
                return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(head, i)));
            };
            const bool ours = text(0) == m_installation && text(1) == m_key.formNumber
                && text(2) == m_key.taxpayerId && text(3) == m_key.period;
            candidate = ours && sqlite3_column_int(head, 4) != 0 && sqlite3_column_int(head, 5) != 0;
            if (candidate)
                slot.changed = text(6);
            else
                drop = ours; // closed normally, or saved since its last change
        }
        sqlite3_finalize(head);
        if (candidate) {
            ended.append(slot);
            continue;
        }
        if (drop)
            removeKeptFiles(file);
        releaseLock(slot.lockFd, slotPath(n, ".lock"), drop);
    }
    std::sort(ended.begin(), ended.end(), [](const Slot &a, const Slot &b) {
        return a.changed != b.changed ? a.changed > b.changed : a.n > b.n;
    });

    bool adopted = false;
    bool scratch = false;
    for (const Slot &slot : ended) {
        const QString file = slotPath(slot.n, ".db");
        if (adopted) {
            releaseLock(slot.lockFd, slotPath(slot.n, ".lock"), false);
            continue;
        }
        // The ended session's records, put beside the working table to be compared.
        auto store = std::make_unique<Store>();
        QList<VoucherRecord> records;
        QByteArray baseVersion;
        bool loaded = store->open(file) && store->read(&records, &baseVersion);
        if (loaded && !scratch)
            scratch = m_db.executeDdl(QStringLiteral(
                "CREATE TEMP TABLE IF NOT EXISTS tmpf7093rec (tip_com TEXT COLLATE NOCASE,"
                " num_ser TEXT COLLATE NOCASE, per_tri TEXT COLLATE NOCASE,"
                " tot_ven TEXT COLLATE NOCASE, tot_gra TEXT COLLATE NOCASE)"));
        loaded = loaded && scratch && m_db.execute(QStringLiteral("DELETE FROM tmpf7093rec"));
        if (loaded) {
            QSqlDatabase handle = m_db.handle();
            handle.transaction();
            qav::PreparedStatement add = m_db.prepareInsert(
                QStringLiteral("tmpf7093rec"),
                {QStringLiteral("tip_com"), QStringLiteral("num_ser"), QStringLiteral("per_tri"),
                 QStringLiteral("tot_ven"), QStringLiteral("tot_gra")});
            auto value = [](const QString &f) {
                return f.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(f);
            };
            for (const VoucherRecord &r : std::as_const(records)) {
                loaded = add.run({value(r.tip_com), value(r.num_ser), value(r.per_tri),
                                  value(r.tot_ven), value(r.tot_gra)});
                if (!loaded)
                    break;
            }
            loaded = loaded ? handle.commit() : (handle.rollback(), false);
        }
        const auto differs = loaded ? recordsDifferFromStored(m_db, QStringLiteral("tmpf7093rec"), m_key)
                                    : std::nullopt;
        if (!differs) {
            // Left for a later session: it could not be read here.
            fail(file + QStringLiteral(": ")
                 + (store->error.isEmpty() ? m_db.lastError().text : store->error));
            store.reset();
            releaseLock(slot.lockFd, slotPath(slot.n, ".lock"), false);
            continue;
        }
        if (*differs && ask()) {
            QSqlDatabase handle = m_db.handle();
            handle.transaction();
            const bool taken = m_db.execute(QStringLiteral("DELETE FROM tmpf7093des"))
                && m_db.execute(QStringLiteral(
                    "INSERT INTO tmpf7093des (tip_com, num_ser, per_tri, tot_ven, tot_gra)"
                    " SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra FROM tmpf7093rec"))
                && handle.commit();
            if (!taken) {
                handle.rollback();
                fail(m_db.lastError().text);
                store.reset();
                releaseLock(slot.lockFd, slotPath(slot.n, ".lock"), false);
                continue;
            }
            // The ended session's file goes on as this session's.
            m_slot = slot.n;
            m_lockFd = slot.lockFd;
            m_store = std::move(store);
            m_pending = true;
            m_baseVersion = baseVersion;
            if (!m_store->prepareAll() || !m_store->setState(true, true)) {
                m_store.reset();
                removeKeptFiles(file);
                start(true);
            }
            adopted = true;
            continue;
        }
        store.reset();
        removeKeptFiles(file);
        releaseLock(slot.lockFd, slotPath(slot.n, ".lock"), true);
    }
    if (scratch)
        m_db.execute(QStringLiteral("DROP TABLE tmpf7093rec"));
    return adopted;
}

bool RecoveryFile::takeFreeSlot()
{
    for (int n = 1; n < 10000; ++n) {
        const QString file = slotPath(n, ".db");
        if (QFile::exists(file))
            continue; // a running session's, or one that could not be read
        int fd = -1;
        switch (takeLock(slotPath(n, ".lock"), &fd)) {
        case Lock::Held:
            continue;
        case Lock::Failed:
            return false;
        case Lock::Taken:
            break;
        }
        if (QFile::exists(file)) {
            releaseLock(fd, slotPath(n, ".lock"), false);
            continue;
        }
        m_slot = n;
        m_lockFd = fd;
        return true;
    }
    errno = ENOSPC;
    return false;
}

bool RecoveryFile::start(bool pending, bool relaxed)
{
    if (!isOpen())
        return false;
    m_store.reset();
    const QString file = slotPath(m_slot, ".db");
    removeKeptFiles(file);
    const int fd = ::open(QFile::encodeName(file).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        fail(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    ::close(fd);
    auto store = std::make_unique<Store>();
    bool ok = store->open(file) && store->begin(relaxed) && store->exec(kCreate)
        && store->prepareAll();
    if (ok) {
        sqlite3_stmt *head = nullptr;
        ok = store->prepare("INSERT INTO kept VALUES (?, ?, ?, ?, 1, ?, ?, ?, ?)", &head);
        if (ok) {
            const QByteArray f[] = {m_installation.toUtf8(), m_key.formNumber.toUtf8(),
                                    m_key.taxpayerId.toUtf8(), m_key.period.toUtf8(),
                                    now().toUtf8()};
            for (int i = 0; i < 4; ++i)
                sqlite3_bind_text(head, i + 1, f[i].constData(), int(f[i].size()), SQLITE_STATIC);
            sqlite3_bind_int(head, 5, pending ? 1 : 0);
            sqlite3_bind_text(head, 6, f[4].constData(), int(f[4].size()), SQLITE_STATIC);
            sqlite3_bind_int64(head, 7, QCoreApplication::applicationPid());
            sqlite3_bind_blob64(head, 8, m_baseVersion.constData(),
                                sqlite3_uint64(m_baseVersion.size()), SQLITE_STATIC);
            const int rc = sqlite3_step(head);
            ok = rc == SQLITE_DONE || store->failed(rc);
        }
        sqlite3_finalize(head);
    }
    if (ok) {
        QSqlQuery q(m_db.handle());
        q.setForwardOnly(true);
        ok = m_db.select(&q, QStringLiteral("SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra"
                                            " FROM tmpf7093des"));
        m_packed.resize(0); // keeps the buffer of the last change
        while (ok && q.next())
            packRecord(m_packed, {q.value(0).toString(), q.value(1).toString(),
                                  q.value(2).toString(), q.value(3).toString(),
                                  q.value(4).toString()});
        if (ok && q.lastError().isValid())
            ok = false;
        if (!ok && store->error.isEmpty())
            store->error = m_db.lastError().text;
        ok = ok && store->addChange(Fill, m_packed);
    }
    ok = ok && store->commit();
    if (!ok) {
        fail(store->error);
        store.reset();
        removeKeptFiles(file);
        return false;
    }
    m_store = std::move(store);
    m_pending = pending;
    m_failing = false;
    m_failure.clear();
    return true;
}

bool RecoveryFile::write(const std::function<bool(Store &)> &change)
{
    if (!isOpen() || m_inBatch)
        return true;
    if (!m_store || m_store->changesSinceFill >= changesBeforeRefill)
        return start(true); // the copy includes the change
    Store &s = *m_store;
    if (s.exec("BEGIN") && change(s) && s.setState(true, true) && s.commit()) {
        m_pending = true;
        m_failing = false;
        m_failure.clear();
        return true;
    }
    const QString error = s.error;
    s.rollback();
    // The file no longer follows the table: write it afresh from the table.
    m_store.reset();
    if (start(true))
        return true;
    fail(error);
    return false;
}

void RecoveryFile::writeOne(int kind, const VoucherRecord &record)
{
    write([this, kind, &record](Store &s) {
        m_packed.resize(0); // keeps the buffer of the last change
        packRecord(m_packed, record);
        return s.addChange(kind, m_packed);
    });
}

void RecoveryFile::inserted(const VoucherRecord &record)
{
    writeOne(Insert, record);
}

void RecoveryFile::updated(const VoucherRecord &record)
{
    writeOne(Update, record);
}

void RecoveryFile::removed(const QString &num_ser, const QString &tip_com, const QString &per_tri)
{
    writeOne(Remove, {tip_com, num_ser, per_tri, QString(), QString()});
}

void RecoveryFile::replaced()
{
    if (isOpen() && !m_inBatch)
        start(true);
}

void RecoveryFile::saved(const QByteArray &version)
{
    m_baseVersion = version;
    if (!m_store)
        return;
    Store &s = *m_store;
    if (s.exec("BEGIN") && s.setBase(version) && s.setState(false, true) && s.commit()) {
        m_pending = false;
        return;
    }
    // A file that cannot say the table is saved would offer it again: drop it.
    fail(s.error);
    s.rollback();
    m_store.reset();
    removeKeptFiles(slotPath(m_slot, ".db"));
}

void RecoveryFile::beginBatch()
{
    if (!isOpen() || m_inBatch)
        return;
    // The copy is made before the table's transaction starts, of what the table holds.
    if (!m_store && !start(m_pending, true))
        return;
    m_batchFailed = !m_store->begin(true);
    m_packed.resize(0); // keeps the buffer of the last change
    m_inBatch = true;
}

void RecoveryFile::addToBatch(const QByteArrayView (&f)[5])
{
    if (!m_inBatch || m_batchFailed)
        return;
    for (const QByteArrayView &field : f)
        packField(m_packed, field.data(), field.size());
}

void RecoveryFile::endBatch(bool committed)
{
    if (!m_inBatch)
        return;
    m_inBatch = false;
    Store &s = *m_store;
    if (!committed) {
        s.rollback();
        return;
    }
    if (!m_batchFailed && s.addChange(Insert, m_packed) && s.setState(true, true)
        && s.commit()) {
        m_pending = true;
        m_failing = false;
        m_failure.clear();
        return;
    }
    const QString error = s.error;
    s.rollback();
    m_store.reset();
    if (!start(true))
        fail(error);
}

void RecoveryFile::setChangesBeforeRefillForTesting(int changes)
{
    changesBeforeRefill = changes;
}

void RecoveryFile::endBatches()
{
    if (!m_store || m_inBatch || !m_store->unsynced)
        return;
    Store &s = *m_store;
    if (s.exec("BEGIN") && s.setState(m_pending, true) && s.commit())
        return;
    fail(s.error);
    s.rollback();
    m_store.reset();
    removeKeptFiles(slotPath(m_slot, ".db"));
}

void RecoveryFile::setBaseVersion(const QByteArray &version)
{
    m_baseVersion = version;
    if (m_store && !m_store->setBase(version)) {
        // A file that names another base would let a recovered table replace a later save.
        fail(m_store->error);
        m_store.reset();
        removeKeptFiles(slotPath(m_slot, ".db"));
    }
}

std::optional<QList<VoucherRecord>> RecoveryFile::keptRecords(const QString &file, QString *error)
{
    Store store;
    QList<VoucherRecord> records;
    if (store.open(file) && store.read(&records, nullptr))
        return records;
    if (error)
        *error = store.error;
    return std::nullopt;
}

} // namespace declmod
