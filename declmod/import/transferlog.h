#pragma once
// The files of a transfer run and the writing of its rejections.
//
// TransferPaths names the import file, the log and the error list of one taxpayer and
// exercise. CadDevPer gives a line's identification in the error list, errorLine() the
// whole error line once the rejection code has been looked up in the message table.
//
// TransferLog is the run's writer of rejections (GraboLog): each rejected line goes to the
// log exactly as read, and its error line to the error list, both Windows-1252 with CR LF.
// Both files are opened, emptied, at the first rejection of a run and stay open until the
// run ends (close()); a run without rejections never opens them, so an earlier run's files
// stay as they were. A file another program holds a lock on counts as in use.
//
// Errors: GraboLog() and close() return false and leave the failure in failure(); its
// message is failureMessage(). Nothing throws.

#include "common/db/database.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <memory>

namespace declmod {

class HostServices;

struct TransferPaths {
    QString importFile; // folder + "/" (unless it ends with one) + base + ".TXT"
    QString log;        // ReportDir + base + ".Log", joined directly
    QString errorList;  // ReportDir + TaxpayerId + ".Err", joined directly
};

// base = formNumber + taxpayerId + period.
TransferPaths transferPaths(const QString &folder, const QString &reportDir,
                            const QString &formNumber, const QString &taxpayerId,
                            const QString &period);

// The identification of a line: its fields 1, 2 and 3 as read, right-aligned in widths 4,
// 15 and 2, joined with 3, 2 and 6 spaces and fitted to 26 characters.
QString CadDevPer(QByteArrayView line, const HostServices &host);

// The error line of a rejection: for a code found in the message table the identification
// in its 26 characters (the month whole), 6 spaces and the description; for one not found
// its first 10 characters, 14 spaces and the "Otro Error" text.
QString errorLine(const QString &identification, bool found, const QString &description,
                  const HostServices &host);

inline constexpr char16_t kOtherErrorText[] =
    u"Otro Error : Verifique Estructura de Tablas y datos a transferir";

// Looks rejection codes up in the message table `Error`, each code once per instance.
class MessageTable
{
public:
    explicit MessageTable(qav::Database &db) : m_db(db) {}
    // False when the table cannot be read (the failure is in *error). On success *found
    // says whether the code has a row, and *description is the text of the error list: the
    // import's own text for the codes it describes, the row's DescError otherwise.
    bool describe(QByteArrayView code, bool *found, QString *description, qav::DbError *error);

private:
    struct Entry {
        bool found = false;
        QString description;
    };
    qav::Database &m_db;
    QHash<QByteArray, Entry> m_cache;
};

class TransferLog
{
public:
    struct Failure {
        bool inUse = false; // the file is locked by another program
        int number = 0;     // the system's error number otherwise
        QString description;
    };

    TransferLog(const HostServices &host, MessageTable &messages, const TransferPaths &paths);
    ~TransferLog();
    TransferLog(const TransferLog &) = delete;
    TransferLog &operator=(const TransferLog &) = delete;

    // Writes one rejection: the line as read (without its end) and the error line of
    // `code`. False on a failure of either file or of the message table.
    bool GraboLog(QByteArrayView line, QByteArrayView code);
    // Writes out and closes both files; false when that fails. Called at the end of a run.
    bool close();

    // Set once the first rejection of the run has been written.
    bool wroteThisRun() const { return m_wroteThisRun; }
    const Failure &failure() const { return m_failure; }
    // The message shown for failure(): for a file in use its description, "Cierre el
    // Archivo " and the log's path, otherwise "Error tecnico: " and the number and
    // description; both ask to try again.
    QString failureMessage() const;

private:
    class Output;
    bool open();
    bool fail(const Failure &failure);

    const HostServices &m_host;
    MessageTable &m_messages;
    TransferPaths m_paths;
    std::unique_ptr<Output> m_log;
    std::unique_ptr<Output> m_errors;
    bool m_wroteThisRun = false;
    bool m_failed = false;
    Failure m_failure;
};

} // namespace declmod
