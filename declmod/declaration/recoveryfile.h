#pragma once
// RecoveryFile: keeps the unsaved working table of the declaration open in the declaration
// window in a private file of the user, so that what was typed since the last save
// survives a crash, a kill or a power cut of the process, and offers it to the next
// session that opens the same declaration.
//
// Files. One folder of the user's (recoveryFolder(), mode 0700) holds numbered slots per
// installation and declaration key:
//     <installation>-<form>-<ruc>-<exercise>.<n>.db     the kept table (SQLite, mode 0600)
//     <installation>-<form>-<ruc>-<exercise>.<n>.lock   held (flock) by the slot's session
// The .db file holds one row with the installation, the key, a "window open" marker, a
// "pending" flag (records changed since the last save), the time of the last change and
// the version of the stored declaration the table is based on; and the list of changes
// that, replayed in order, give the table. A session keeps its slot's lock for as long as it runs; the
// kernel drops the lock when the process ends, however it ends. So a slot whose .db file
// exists and whose lock can be taken belongs to a session that ended without closing its
// window, while a slot whose lock is held belongs to a running session and is left alone:
// two sessions on one declaration each keep their own slot.
//
// Keeping in step. While the object keeps a key (open()), every change of the session's
// working table made through WorkingTable or the import's WorkingTableTarget is written
// to the file right after it is made in the table, in one transaction of the file (WAL,
// synchronous FULL), so a process killed at any instant leaves the file holding the table
// as it was either before or after the change. The file is written first at the first
// change after the declaration is opened (the whole table as one entry of the list); each
// later change adds an entry (the record added, changed or removed), and the import adds
// one entry per batch it commits to the table, so keeping the file costs the import one
// write per batch rather than one per record. After many single changes the file is
// written afresh from the table. A save clears the "pending" flag; a normal close of the window removes the file and its lock.
//
// Ownership: one object per window, built on the session's database, which must outlive
// it; the working table's writers find it through keeping(). Destroying it without
// close() gives the slot up and keeps the file, as an unexpected end does.
//
// Errors: the working table never depends on the file. A failure to write the file
// removes it (it would offer a table other than the one on screen) and is kept for
// takeFailure(); the next change starts the file afresh.

#include "declmod/declaration/declarationkey.h"
#include "declmod/declaration/workingtable.h"

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace qav {
class Database;
}

namespace declmod {

struct Session;

// The user's folder of recovery files: "qav/recuperacion" in the user's data folder.
QString recoveryFolder();

// The name of an installation in the files' names: the folder name of `sysPath` and a
// digest of the database's full path, so two installations never share a file.
QString installationTag(const QString &sysPath, const QString &dbFile);

class RecoveryFile
{
public:
    RecoveryFile(qav::Database &db, const QString &folder, const QString &installation);
    ~RecoveryFile();
    RecoveryFile(const RecoveryFile &) = delete;
    RecoveryFile &operator=(const RecoveryFile &) = delete;

    // The object keeping the working table of `db`, when there is one.
    static RecoveryFile *keeping(const qav::Database &db);

    // Starts keeping the working table of `key` (a key kept before is let go and its file
    // removed). Before that, the table of each session that ended with this declaration's
    // window open and records unsaved is offered, the latest first: `ask` is called, and
    // on true the working table becomes that table and the ended session's file becomes
    // this session's; on false that file is removed and the table stays as it is. A table
    // equal to the stored records is removed without asking. Returns true when a table was
    // taken over.
    bool open(const DeclarationKey &key, const std::function<bool()> &ask);
    // True while a key is kept.
    bool isOpen() const { return m_lockFd >= 0; }
    // True while the table of `key` is kept.
    bool keeps(const DeclarationKey &key) const
    {
        return isOpen() && key.taxpayerId == m_key.taxpayerId && key.period == m_key.period
            && key.formNumber == m_key.formNumber;
    }

    // The working table has been stored as `version` (DeclarationStore::version): nothing
    // is left to recover until it changes.
    void saved(const QByteArray &version);
    // The version of the stored declaration the window's table is based on (loaded, or
    // last saved). A table taken over from an ended session brings the version that
    // session was based on, so that a save after it still notices a declaration stored
    // by another session in between.
    void setBaseVersion(const QByteArray &version);
    const QByteArray &baseVersion() const { return m_baseVersion; }
    // The window closes normally: the file and its lock are removed.
    void close();

    // Changes of the working table, made and committed just before.
    void inserted(const VoucherRecord &record);
    void updated(const VoucherRecord &record);
    void removed(const QString &num_ser, const QString &tip_com, const QString &per_tri);
    // The whole table changed (emptied or filled again).
    void replaced();

    // A batch of added records committed to the table together (the import): begin before
    // the table's transaction starts, add each record the table accepted (five UTF-8
    // fields), end with whether the table committed them.
    void beginBatch();
    void addToBatch(const QByteArrayView (&fields)[5]);
    void endBatch(bool committed);
    // The last batch has been added: what the batches wrote reaches the disk now.
    void endBatches();

    // The path of this session's file (it exists once the table has changed).
    QString filePath() const;
    // The last failure to keep the file, once; empty when there was none since the last call.
    QString takeFailure();

    // The records a file keeps, in the order they were added; nullopt (and why) when it
    // cannot be read.
    static std::optional<QList<VoucherRecord>> keptRecords(const QString &file, QString *error);
    // Tests: the number of single changes after which a file is written afresh (5,000).
    static void setChangesBeforeRefillForTesting(int changes);

private:
    struct Store;
    struct Slot;

    QString basePath(const DeclarationKey &key) const;
    QString slotPath(int n, const char *suffix) const;
    bool offerEnded(const std::function<bool()> &ask);
    bool takeFreeSlot();
    // Writes the file afresh from the table; `relaxed` as the import's batches are synced.
    bool start(bool pending, bool relaxed = false);
    bool write(const std::function<bool(Store &)> &change);
    void writeOne(int kind, const VoucherRecord &record);
    void fail(const QString &what);
    void letGo(bool removeFile);

    qav::Database &m_db;
    QString m_folder;
    QString m_installation;
    DeclarationKey m_key;
    QString m_base;
    int m_slot = 0;
    int m_lockFd = -1;
    std::unique_ptr<Store> m_store; // open while the file exists
    QByteArray m_baseVersion;
    QByteArray m_packed; // records of the change being written, packed
    bool m_pending = false;
    bool m_inBatch = false;
    bool m_batchFailed = false;
    bool m_failing = false; // a failure was reported and the file has not been written since
    QString m_failure;
};

} // namespace declmod
