#pragma once
// TransPerRet: one transfer run of the import. It reads the import file once, checking it
// as a whole and keeping a private copy of the lines checked (CheckedImportFile), then reads
// that copy line by line, so it loads exactly what was checked. It checks every line, adds
// each accepted record to the working table and writes each rejected line to the log and
// the error list, counting both. What
// it reports along the way (bytes read of the file, the two counters) is handed to a
// progress function at most every `interval` milliseconds and once at the end; the window
// lets its pending events run there, and a stop asked for there (Salir) ends the run after
// the current line. Records written before an early end stay.
//
// The run shows its failures itself, through the message service it is given, with the
// texts of the import (Errores_Transferencia); it never shows the closing message or the
// question about the error report: announceTransfer() does that for the window, and
// decltool prints instead.
//
// The checks, the host's services, the message table's database, the target and the
// message service must outlive the run. Errors: run() returns how the run ended.

#include "declmod/import/importfile.h"
#include "declmod/import/importline.h"
#include "declmod/import/importtarget.h"
#include "declmod/import/transferlog.h"
#include "declmod/reports/errorlist.h"

#include "common/db/database.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

namespace qav {
class MessageService;
}

namespace declmod {

class HostServices;

// The kinds of failure a run reacts to, and the reaction.
enum class TransferFailureKind {
    Duplicate, // the working table already holds the record's type, series and month
    NotFound,  // the import file, or something the database needs, is missing
    InUse,     // the import file is in use or locked
    DatabaseBusy, // the database is locked by another program or session
    NoFolder,  // no folder has been chosen
    Other,
};

struct TransferFailure {
    TransferFailureKind kind = TransferFailureKind::Other;
    int number = 0;
    QString description;
};

// The failure a database error stands for.
TransferFailure transferFailureOf(const qav::DbError &error);

// Shows the message of a failure; true when the failure only rejects the current line (a
// duplicate record, which shows nothing).
bool Errores_Transferencia(const TransferFailure &failure, qav::MessageService &messages);

enum class TransferOutcome {
    Completed,    // the file was read to its end
    NoFolder,     // no folder was chosen
    Refused,      // a whole-file check failed: nothing was loaded
    FileFailed,   // the import file could not be opened or read
    Stopped,      // stopped on request
    LogFailed,    // the log or the error list could not be written
    RecordFailed, // a record could not be written for a reason other than a duplicate
};

struct TransferSetup {
    QString folder;     // the chosen folder; empty when none was chosen
    QString reportDir;  // ReportDir
    QString formNumber; // FormNumber
    QString taxpayerId;
    QString period;     // the four-digit exercise
    QString importFile; // when given, the file read instead of the one named in `folder`
};

class TransPerRet
{
public:
    struct Services {
        const HostServices *host = nullptr;
        const VoucherTypeSet *types = nullptr;
        qav::Database *db = nullptr; // where the message table is read
        ImportTarget *target = nullptr;
        qav::MessageService *messages = nullptr;
    };
    using Progress = std::function<void(const TransPerRet &)>;

    TransPerRet(const Services &services, const TransferSetup &setup);

    void setProgress(Progress progress, int intervalMs = 50);
    // Asks the run to stop after the line it is reading (also before it starts).
    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop; }

    // The run. It clears a stop asked for earlier, as Aceptar does. It may be run again;
    // each run starts its counters, and its log and error list at its first rejection,
    // afresh.
    TransferOutcome run();

    const TransferSetup &setup() const { return m_setup; }
    bool running() const { return m_running; }
    const TransferPaths &paths() const { return m_paths; }
    qint64 transferred() const { return m_transferred; }
    qint64 rejected() const { return m_rejected; }
    qint64 bytesRead() const { return m_bytesRead; }
    qint64 fileSize() const { return m_fileSize; }
    // Set when the run stopped because a whole-file check failed.
    ImportFileStatus refusal() const { return m_refusal; }
    // The first rejection of the run has been written to the log and the error list.
    bool wroteThisRun() const { return m_wroteThisRun; }

private:
    TransferOutcome transfer();
    void report(bool force);
    bool reject(QByteArrayView line, QByteArrayView code, TransferLog &log);

    Services m_services;
    TransferSetup m_setup;
    TransferPaths m_paths;
    Progress m_progress;
    int m_intervalMs = 50;
    QElapsedTimer m_clock;
    qint64 m_lastReport = 0;
    bool m_stop = false;
    bool m_running = false;
    bool m_wroteThisRun = false;
    qint64 m_transferred = 0;
    qint64 m_rejected = 0;
    qint64 m_bytesRead = 0;
    qint64 m_fileSize = 0;
    ImportFileStatus m_refusal = ImportFileStatus::Ok;
};

// The texts of the counters: the count followed by " Transferidos" / " Rechazados", and
// the texts the window starts with.
QString transferredText(qint64 count);
QString rejectedText(qint64 count);
inline constexpr char16_t kInitialTransferredText[] = u"0          Registros Transferidos";
inline constexpr char16_t kInitialRejectedText[] = u"0          Registros Rechazados";

struct TransferAnnouncement {
    bool asked = false;   // the question about the report was asked
    int answer = 0;       // its answer (6 Yes, 7 No)
    QString spoolName;    // the report's spool name; empty when none was registered
    QString reportPath;   // where the report is built
    bool built = false;   // the report was built
};

// Registers the transfer-error report of `taxpayerId` in the spool ("DE0003", identity type
// 6, the RUC trimmed) and builds it with `hooks.build` in `reportDir`; asks nothing and
// shows nothing but failures. The fields of the question are left clear.
TransferAnnouncement registerErrorReport(qav::Database &db, const QString &sysUser,
                                         const QString &taxpayerId, const QString &reportDir,
                                         const ErrorReportHooks &hooks,
                                         qav::MessageService &messages);

// What follows a completed run. For the window (`ask`): with no rejection the box
// "Archivo : <path> transferido"; otherwise the question offering the report. With
// rejections the report is registered and built whatever the answer (and without asking,
// as for No), and shown on Yes. Without `ask` no box is shown but failures.
TransferAnnouncement announceTransfer(const TransPerRet &run, qav::Database &db,
                                      const QString &sysUser, const ErrorReportHooks &hooks,
                                      qav::MessageService &messages, bool ask);

} // namespace declmod
