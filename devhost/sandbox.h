#pragma once
// The layout of a sandbox installation of the host suite, as the host stand-in creates it
// and as scripts and tests rely on it:
//
//   DIR/windows/PM000.INI   settings file (the folder QAV_WINDIR names), section Options
//   DIR/qav/                SysPath and DBPath (written with a trailing "/")
//   DIR/qav/PM000.MDW       workgroup file for the module's fixed account
//   DIR/qav/qav.mdb         the shared database (SQLite), unless PM000.INI names a server
//                           (key DBServer): then the shared database is that server's
//   DIR/qav/RPT, DIR/qav/TMP, DIR/qav/tmp/envdes.txt
//
// Nothing here touches the disk.

#include <QString>

namespace devhost {

struct SandboxLayout {
    QString root;          // DIR, absolute and cleaned
    QString windowsDir;    // DIR/windows
    QString iniFile;       // DIR/windows/PM000.INI
    QString hostDir;       // DIR/qav
    QString sysPath;       // DIR/qav/ (with the trailing separator the programs expect)
    QString workgroupFile; // DIR/qav/PM000.MDW
    QString databaseName;  // qav.mdb
    QString databaseFile;  // DIR/qav/qav.mdb
    QString reportDir;     // DIR/qav/RPT
    QString tempDir;       // DIR/qav/TMP
    QString envdesDir;     // DIR/qav/tmp
    QString envdesFile;    // DIR/qav/tmp/envdes.txt
};

SandboxLayout sandboxLayout(const QString &dir);

// The server the installation's settings name (DBServer), empty for the SQLite file.
QString sandboxServer(const SandboxLayout &layout);

// The two host users of the sample data: the administrator (type "0", sees every
// taxpayer) and the ordinary user the settings file names as SysUser.
QString adminUser();
QString ordinaryUser();

// The form this module declares.
inline constexpr const char *kFormNumber = "7093";

} // namespace devhost
