#pragma once
// The session state of declmod: one instance per process, created at start-up and alive
// until the process ends. Every window reads it; the routines that write a field say so.
// Nothing is passed between windows in any other way.

#include "common/db/database.h"

#include <QPointer>
#include <QString>

#include <memory>

namespace declmod {

class HostServices;
class QAVStatBar;

struct Session {
    // Paths and user, read from the settings file at start-up.
    QString SysPath;   // host folder, used with its trailing separator as configured
    QString DbFile;    // DBPath + DBName
    QString ReportDir; // SysPath + "RPT"
    QString SysUser;
    QString HelpFile;  // the module's help file

    qav::Database Db;
    HostServices *hostServices = nullptr; // owned by the start-up code, alive for the process
    QPointer<QAVStatBar> StatusBar;       // the main window's status bar (it registers itself)

    QString FormNumber; // "7093", set when the main window loads

    // The declaration at hand.
    QString Period;
    int Semana = 0;
    QString TaxpayerId;
    QString TaxpayerName;
    QString SentCorrel;
    QString SentOrderNumber;
    QString SentControl;

    // Flags set by the main window's commands before opening a window.
    int FormMode = 0;          // 1 new, 2 open an existing one, 3 delete
    bool SentMode = false;
    bool HistoryList = false;
    bool OrderNumberChanged = false;
    int QueryKind = 0;         // 1 professions, 2 voucher types, 3 UIT values
    bool DetailAddMode = false;
    QString InconsistencyText;
};

// The process's session.
Session &session();

} // namespace declmod
