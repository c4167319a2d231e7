#pragma once
// Start-up and end of a declmod session.
//
//  runMain()              the start procedure: host check, single instance, main window.
//  ReadSessionSettings()  reads PM000.INI into the session.
//  OpenSessionDatabase()  writes SystemDB, opens the shared database with the workgroup file
//                         and the fixed account; on failure shows the message under
//                         "Error de Conección" and ends the process (through endProcess()).
//  endSession()           closes the database and ends the process (Salir).

#include <functional>

class QApplication;

namespace declmod {

void ReadSessionSettings();
bool OpenSessionDatabase();
void endSession(int exitCode = 0);

// How the process ends; tests replace it to observe the end instead of exiting.
using ProcessEnder = std::function<void(int)>;
void setProcessEnder(ProcessEnder ender);
void endProcess(int exitCode);

} // namespace declmod
