#pragma once
// A throw-away installation for tests, laid out as a real one:
//     <root>/windows/PM000.INI      section Options: SysPath, DBPath, DBName, SysUser
//     <root>/qav/                   SysPath (configured with its trailing "/"), DBPath too
//     <root>/qav/PM000.MDW          workgroup file of the module's fixed account
//     <root>/qav/qav.mdb            the shared database with the host's tables
//     <root>/qav/RPT, <root>/qav/TMP, <root>/qav/tmp/envdes.txt
//     <root>/home/share             the user's data folder (XDG_DATA_HOME)
// create() points QAV_WINDIR at <root>/windows and XDG_DATA_HOME at <root>/home/share for
// this process and the programs it starts; the destructor restores the previous values and
// removes the folder.
//
// On the server engine (`server` true, the default when QAV_TEST_ENGINE is "server") the
// shared database is a new database of the run's PostgreSQL server (TestServer) instead of
// qav.mdb, named by the key DBServer of PM000.INI, and dropped by the destructor.
//
// Errors: create() returns false with an explanation in *error.

#include "common/db/database.h"

#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

namespace qavtest {

struct Sandbox {
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    QString root;    // the temporary folder
    QString windir;  // <root>/windows, the value of QAV_WINDIR
    QString sysPath; // <root>/qav/ (with the trailing "/")
    QString dbFile;  // <root>/qav/qav.mdb
    QString dataHome; // <root>/home/share
    QString sysUser = QStringLiteral("USUARIO1");
    bool server = serverEngineRequested();
    QString serverDatabase; // the server database's name
    QString serverUri;      // its URI (the value of DBServer)

    // True when this test program runs on the server engine (QAV_TEST_ENGINE=server).
    static bool serverEngineRequested();

    // Builds the installation. The envdes.txt written is defaultEnvdesLines().
    bool create(QString *error = nullptr);

    QString iniFile() const;       // <root>/windows/PM000.INI
    QString workgroupFile() const; // <root>/qav/PM000.MDW
    QString envdesFile() const;    // <root>/qav/tmp/envdes.txt

    // Options that open the sandbox's database with the module's account.
    qav::OpenOptions openOptions() const;

    // Replaces envdes.txt (Windows-1252, each line ended by CR LF).
    bool writeEnvdes(const QStringList &lines, QString *error = nullptr);

    // The two lines describing the module's detail tables to the host's sending.
    static QStringList defaultEnvdesLines();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_previousWindir;
    bool m_hadWindir = false;
    bool m_windirSet = false;
    QByteArray m_previousDataHome;
    bool m_hadDataHome = false;
};

} // namespace qavtest
