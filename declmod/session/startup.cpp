#include "declmod/session/startup.h"

#include "declmod/session/session.h"

#include "common/install/installation.h"
#include "common/ui/messages.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

namespace declmod {
namespace {

ProcessEnder &ender()
{
    static ProcessEnder current;
    return current;
}

// What ReadSessionSettings() found, for the open that follows.
qav::InstallationSettings &readSettings()
{
    static qav::InstallationSettings settings;
    return settings;
}

std::unique_ptr<QLockFile> &instanceLock()
{
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

} // namespace

void ReadSessionSettings()
{
    Session &s = session();
    const qav::InstallationSettings settings = qav::readInstallationSettings();
    readSettings() = settings;
    s.SysPath = settings.sysPath;
    // The module appends names to SysPath, and relative names resolve against it.
    if (!s.SysPath.isEmpty())
        QDir::setCurrent(s.SysPath);
    s.DbFile = settings.dbPath + settings.dbName;
    s.SysUser = QStringLiteral(" ");
    s.SysUser = settings.sysUser;
    s.ReportDir = s.SysPath + QStringLiteral("RPT");
}

bool OpenSessionDatabase()
{
    Session &s = session();
    const QString workgroup = qav::workgroupFileIn(s.SysPath);
    // The host reads SystemDB; it is rewritten on every start. A settings file that cannot
    // be written does not stop the start: the open below does not depend on it. A missing
    // file is not created: it would hold nothing but SystemDB.
    const bool settingsFound = readSettings().settingsFound;
    if (settingsFound)
        qav::writeSystemDb(workgroup);

    if (qav::openSharedDatabase(s.Db, s.DbFile, workgroup))
        return true;

    const qav::DbError &e = s.Db.lastError();
    const QString number = QStringLiteral(" ") + QString::number(e.number);
    const QString text = e.number == qav::ErrLocked
                             ? number + QStringLiteral("- Base esta bloqueda")
                             : e.text + QStringLiteral("\n") + number;
    qav::msgBox(settingsFound ? text : qav::missingSettingsText(readSettings()) + u'\n' + text,
                qav::MbOk, QStringLiteral("Error de Conección"));
    endProcess(1);
    return false;
}

QString instanceLockPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("declmod.lock"));
}

bool acquireInstanceLock()
{
    auto &lock = instanceLock();
    if (lock && lock->isLocked())
        return true;
    lock = std::make_unique<QLockFile>(instanceLockPath());
    // A running instance keeps its lock however long it runs; a lock whose process has
    // ended is recognised as stale and taken over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return true;
    lock.reset();
    return false;
}

void releaseInstanceLock()
{
    auto &lock = instanceLock();
    if (lock)
        lock->unlock();
    lock.reset();
}

void endSession(int exitCode)
{
    session().Db.close();
    releaseInstanceLock();
    endProcess(exitCode);
}

void setProcessEnder(ProcessEnder e)
{
    ender() = std::move(e);
}

void endProcess(int exitCode)
{
    if (ender()) {
        ender()(exitCode);
        return;
    }
    releaseInstanceLock();
    std::fflush(nullptr);
    std::exit(exitCode);
}

} // namespace declmod
