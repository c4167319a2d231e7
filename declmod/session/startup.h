#pragma once
// Start-up and end of a declmod session.
//
//  runMain()              the start procedure: host check, single instance, main window.
//  ReadSessionSettings()  reads PM000.INI into the session.
//  OpenSessionDatabase()  writes SystemDB, opens the shared database with the workgroup file
//                         and the fixed account; on failure shows the message under
//                         "Error de Conección" and ends the process (through endProcess()).
//  endSession()           closes the database and ends the process (Salir).
//
// Every refusal shows its message through qav::msgBox and ends the process through
// endProcess(); when a test has replaced the ender the routine returns instead (runMain
// with nullptr, OpenSessionDatabase with false).

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace declmod {

class HostServices;

void ReadSessionSettings();
bool OpenSessionDatabase();
void endSession(int exitCode = 0);

// How the process ends; tests replace it to observe the end instead of exiting. An empty
// ender restores the default, which exits the process with the code.
using ProcessEnder = std::function<void(int)>;
void setProcessEnder(ProcessEnder ender);
void endProcess(int exitCode);

// The start procedure. Creates the window helper and the host's service object, refuses to
// run without the host or when another instance runs, then creates the main window with
// `createMainWindow`, shows it and returns it. After a refusal the process ends (or, with a
// test's ender, nullptr comes back). The main window belongs to the caller.
using MainWindowFactory = std::function<QWidget *()>;
QWidget *runMain(const MainWindowFactory &createMainWindow);

// How the host's service object is made (tests make it fail). A factory that returns
// nullptr or throws counts as a creation failure. An empty factory restores the default.
using HostServicesFactory = std::function<std::unique_ptr<HostServices>()>;
void setHostServicesFactory(HostServicesFactory factory);

// The lock that marks a running instance: "declmod.lock" in the user's runtime folder.
// A lock left by a process that no longer runs does not count.
QString instanceLockPath();
// Takes the lock; false when another running process holds it. Holding it already is fine.
bool acquireInstanceLock();
// Gives the lock up (endSession does it; tests use it between runs).
void releaseInstanceLock();

} // namespace declmod
