#pragma once
// sendrep's whole run, from the command line to the two receipts: reads the installation's
// settings, opens the shared database with the module's account, sums the declaration's
// voucher lines, looks up the taxpayer's name, writes the plain-text receipt into a fresh
// file of the temporary folder, registers the report document in the spool (DE0002) and
// writes it into the report folder, then copies both under the name the command line gives
// ("7093" + period field + week + receipt number, ".PRN" and ".txt").
//
// Widget-free: every message goes through qav::msgBox, so the program shows boxes with a
// display and writes to standard error without one, and tests script them.
//
// Errors: run() returns an exit status and has shown the reason: a command line that
// cannot be read (nothing touched), a database that cannot be opened, a taxpayer without
// a CONT row (nothing written), or a technical error (number and text) while working;
// files and the spool row already written then stay where they are.

#include "common/db/database.h"
#include "sendrep/commandline.h"
#include "sendrep/receipt.h"

#include <QString>

#include <functional>

namespace sendrep {

enum ExitStatus : int { Done = 0, Failed = 1, BadCommandLine = 2 };

// Error numbers of the technical failures that are not the database's.
enum RunErrorNumber : int {
    ErrOverflow = 6,
    ErrTypeMismatch = 13,
    ErrFileExists = 58,
    ErrFileAccess = 75,
    ErrPathNotFound = 76,
};

struct RunError {
    int number = 0;
    QString text;
};

// The installation as sendrep uses it: every folder under DBPath.
struct Installation {
    QString dbPath;
    QString dbName;
    QString sysUser;
    QString reportDir; // DBPath + "RPT"
    QString tempDir;   // DBPath + "TMP"
    QString workgroupFile;
};

// What a successful run wrote.
struct Outcome {
    QString spoolName;    // the document's name in the report folder ("00000001.PRN")
    QString documentPath; // the registered document
    QString documentCopy; // report folder + "/" + output name + ".PRN"
    QString textCopy;     // temporary folder + "/" + output name + ".txt"
};

class SendReceipt
{
public:
    // Draws the 8-digit number of a temporary file name (10000000 to 99999999).
    using NumberSource = std::function<int()>;

    SendReceipt();
    ~SendReceipt();

    int run(const QString &commandLine);

    // Replaces the random source of temporary file names (tests force a clash).
    void setNumberSource(NumberSource source) { m_numbers = std::move(source); }

    const Outcome &outcome() const { return m_outcome; }
    const Installation &installation() const { return m_installation; }

    // Standard texts of the numbers of RunErrorNumber; `detail` names the file or folder.
    static QString errorText(int number, const QString &detail = QString());

private:
    bool openInstallation(qav::DbError *error);
    bool sum(const QString &column, const CommandLine &cmd, QString *text, RunError *error);
    // Reads the taxpayer's name; false on a query failure (*error set) or when there is
    // no row (*found false).
    bool lookupName(const CommandLine &cmd, QString *name, bool *found, RunError *error);
    bool writeTemporary(const QByteArray &bytes, QString *path, RunError *error);
    bool writeDocument(const Receipt &receipt, const CommandLine &cmd, RunError *error);
    bool copyFile(const QString &from, const QString &to, RunError *error);

    int technical(const RunError &error);
    int noData();

    qav::Database m_db;
    Installation m_installation;
    Outcome m_outcome;
    NumberSource m_numbers;
};

} // namespace sendrep
