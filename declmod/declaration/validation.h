#pragma once
// The declaration's validation: ValidaMeses and ValidaTodo, and the inconsistency file
// Mens.txt they write (one problem text per line, Windows-1252, CR LF).
//
// ValidaTodo is widget-free: the identification check of the window (ValIdent) and the
// consistency window are handed in as hooks, and messages go through the process-wide
// message service.
//
// Errors: a file that cannot be written is reported in a critical message; the result of
// the validation does not depend on it.

#include <QString>
#include <QStringList>

#include <functional>

namespace qav {
class Database;
}

namespace declmod {

// The inconsistency file of one validation run: recreated empty when opened, each line
// kept and the whole file written when closed.
class ConsistencyFile
{
public:
    bool open(const QString &path);
    void writeLine(const QString &text);
    bool close();
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    const QStringList &lines() const { return m_lines; }
    QString errorText() const { return m_error; }

private:
    QString m_path;
    QStringList m_lines;
    QString m_error;
    bool m_open = false;
};

// SysPath + "Mens.txt".
QString consistencyFilePath(const QString &sysPath);

// ValidaMeses: the number of distinct months (per_tri) in the working table.
int ValidaMeses(qav::Database &db);

struct ValidationHooks {
    // ValIdent(mode, file): the identification check; in mode "0" it writes its problems
    // into the file.
    std::function<bool(const QString &mode, ConsistencyFile *file)> valIdent;
    // Shows the consistency window over the file just written.
    std::function<void(const QString &path)> showConsistency;
    QString caption;  // the window caption, title of the month message
    QString sysPath;  // where Mens.txt goes
    // Set to the last text written into the file (the session's InconsistencyText).
    QString *inconsistencyText = nullptr;
};

// ValidaTodo: mode "0" is the validation the operator asks for (Mens.txt, the
// identification check, the result message or the consistency window); mode "2" is the
// check made during a save (no file, no result message). In every mode fewer than twelve
// months give an information message that does not change the result. False when the
// working table is empty or (not in mode "2") the identification check fails.
bool ValidaTodo(qav::Database &db, const QString &mode, const ValidationHooks &hooks);

} // namespace declmod
