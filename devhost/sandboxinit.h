#pragma once
// Creates a complete sandbox installation of the host suite (layout in sandbox.h): the
// settings file, the workgroup file, the shared database with the host's tables and sample
// rows, the report and temporary folders and envdes.txt; then runs the table installer on
// it and adds the sample declarations to the module's tables it created.
//
// A folder that already holds an installation (DIR/windows or DIR/qav exists) is refused
// before anything is written, and so is a server database that already has the host's
// tables. When a later step fails, what this run created is removed
// again, so that the folder is as it was and the command can simply be repeated.
//
// Errors: initSandbox() returns false with a message for the operator in *error.

#include "devhost/sandbox.h"

#include <QString>

namespace devhost {

struct InitOptions {
    QString tableinstProgram;   // full path of the table installer
    // A PostgreSQL connection URI ("postgresql://user@host/db"): the shared database is that
    // server database instead of a SQLite file. The URI's user (else the connection's
    // default one) must be allowed to make roles and to grant on the database; init makes
    // the module's role, the host's tables and rows there, and writes the URI without its
    // user and password as DBServer.
    QString server;
    int tableinstTimeoutMs = 120000;
};

bool initSandbox(const QString &dir, const InitOptions &options, QString *error,
                 QString *installerOutput = nullptr);

// The text files of the installation, as written.
// `server` is the URI of --pg (written without its user and password), empty for SQLite.
QStringList settingsLines(const SandboxLayout &layout, const QString &server = QString());
QStringList envdesLines();

} // namespace devhost
