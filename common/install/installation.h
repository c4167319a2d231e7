#pragma once
// The one way into the host's installation, shared by every program:
//
//  readInstallationSettings()  section "Options" of PM000.INI (the settings file in the
//                              system's Windows folder): SysPath, DBPath, DBName, SysUser,
//                              DBServer, each trimmed of spaces at both ends (spaces only),
//                              empty when missing; also where the file was looked for.
//  workgroupFileIn()           the workgroup file PM000.MDW of a folder, joined the way the
//                              caller's rules join it.
//  writeSystemDb()             writes key SystemDB of section "Options", leaving every other
//                              line of the file as it was.
//  openSharedDatabase()        opens the shared database with the workgroup file and the
//                              module's fixed account, shared and read-write.
//  openDatabaseForReading()    opens a database file only to read it, without the account
//                              (decltool's --db).
//
// Each program picks its folders from the settings: declmod and tableinst from sysPath,
// sendrep from dbPath (its workgroup file is workgroupFileIn(dbPath,
// PathJoin::SeparatorWhenMissing), its report and temporary folders dbPath + "RPT" and
// dbPath + "TMP").
//
// Errors: writeSystemDb() returns false with a reason; openSharedDatabase() returns false
// and leaves the failure (number and text) in the database's lastError(). Nothing is shown
// here: each program words its own message.

#include <QString>
#include <QStringList>

namespace qav {

class Database;

struct InstallationSettings {
    QString settingsFile;       // the full name of PM000.INI, where it was looked for
    bool settingsFound = false; // the file exists
    QString sysPath;            // SysPath: the host folder, with its separator as configured
    QString dbPath;             // DBPath: the database folder
    QString dbName;             // DBName: the database file name
    QString sysUser;            // SysUser: the person working in the host
    // DBServer: when not empty, the shared database is on this PostgreSQL server (a
    // connection URI without a password) instead of the file DBPath + DBName.
    QString dbServer;
};

// The line that says the settings file is missing and where it was looked for; the
// programs show it before the message their rules give for what follows.
QString missingSettingsText(const InstallationSettings &settings);

// The settings file's name as the programs give it (without a folder).
QString settingsFileName();

// Reads section "Options" of the settings file.
InstallationSettings readInstallationSettings();

// How a file name is joined to a folder taken from the settings.
enum class PathJoin {
    Direct,               // folder + name, as typed (the folder carries its own separator)
    Separator,            // folder + "/" + name
    SeparatorWhenMissing, // folder + name when the folder ends with "/" (or "\\"), else
                          // folder + "/" + name
};
QString joinInstallationPath(const QString &folder, const QString &name, PathJoin join);

// The workgroup file "PM000.MDW" in `folder`.
QString workgroupFileIn(const QString &folder, PathJoin join = PathJoin::Direct);

// Writes SystemDB = `workgroupFile` into section "Options" of the settings file.
bool writeSystemDb(const QString &workgroupFile, QString *error = nullptr);

// The host's tables that every database of the installation holds.
QStringList hostTableNames();

// The tables a file must hold to be taken for the host's database: the parameter table and
// the registers of taxpayers and users that every program of the suite reads. (A missing
// table of the others is reported where it is used.)
QStringList hostCoreTableNames();

// Opens `databaseFile` with the workgroup file and the module's fixed account; when the
// settings name a server (DBServer), that server's database instead, logged into with the
// fixed account as its role (the workgroup file is not read). The file is refused (ErrNotADatabase, nothing written to it) when it lacks the host's core tables,
// refused as read-only (ErrReadOnly) when it may not be written, and as locked (ErrLocked)
// when another program holds its write lock.
bool openSharedDatabase(Database &db, const QString &databaseFile, const QString &workgroupFile);

// Opens `databaseFile` read-only, with no workgroup file.
bool openDatabaseForReading(Database &db, const QString &databaseFile);

} // namespace qav
