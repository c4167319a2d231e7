#include "common/install/installation.h"

#include "common/db/account.h"
#include "common/db/database.h"
#include "common/settings/profile.h"
#include "common/text/trim.h"

#include <QFileInfo>

namespace qav {
namespace {

const QString kOptions = QStringLiteral("Options");

QString option(const QString &key)
{
    return trimSpaces(readProfileString(settingsFileName(), kOptions, key)).toString();
}

} // namespace

QStringList hostTableNames()
{
    return {QStringLiteral("CAB"),    QStringLiteral("DET"),     QStringLiteral("HCAB"),
            QStringLiteral("HDET"),   QStringLiteral("CONT"),    QStringLiteral("CLAVES"),
            QStringLiteral("PARAM"),  QStringLiteral("Error"),   QStringLiteral("SPOOL"),
            QStringLiteral("reportes"), QStringLiteral("envio_t")};
}

QStringList hostCoreTableNames()
{
    return {QStringLiteral("PARAM"), QStringLiteral("CONT"), QStringLiteral("CLAVES")};
}

QString settingsFileName()
{
    return QStringLiteral("PM000.INI");
}

InstallationSettings readInstallationSettings()
{
    InstallationSettings s;
    s.settingsFile = profilePath(settingsFileName());
    s.settingsFound = QFileInfo(s.settingsFile).isFile();
    s.sysPath = option(QStringLiteral("SysPath"));
    s.dbPath = option(QStringLiteral("DBPath"));
    s.dbName = option(QStringLiteral("DBName"));
    s.sysUser = option(QStringLiteral("SysUser"));
    s.dbServer = option(QStringLiteral("DBServer"));
    return s;
}

QString missingSettingsText(const InstallationSettings &settings)
{
    return QStringLiteral("No se encuentra el archivo de configuración %1 (se buscó en %2).")
        .arg(settingsFileName(), settings.settingsFile);
}

QString joinInstallationPath(const QString &folder, const QString &name, PathJoin join)
{
    switch (join) {
    case PathJoin::Direct:
        return folder + name;
    case PathJoin::Separator:
        return folder + u'/' + name;
    case PathJoin::SeparatorWhenMissing:
        // A folder typed on the suite's own platform may end with its backslash.
        return folder.endsWith(u'/') || folder.endsWith(u'\\') ? folder + name
                                                                 : folder + u'/' + name;
    }
    return folder + name;
}

QString workgroupFileIn(const QString &folder, PathJoin join)
{
    return joinInstallationPath(folder, QStringLiteral("PM000.MDW"), join);
}

bool writeSystemDb(const QString &workgroupFile, QString *error)
{
    return writeProfileString(settingsFileName(), kOptions, QStringLiteral("SystemDB"),
                              workgroupFile, error);
}

bool openSharedDatabase(Database &db, const QString &databaseFile, const QString &workgroupFile)
{
    OpenOptions o;
    o.file = databaseFile;
    o.server = option(QStringLiteral("DBServer"));
    // A null name would skip the account check: an empty folder still names a file.
    o.workgroupFile = workgroupFile.isNull() ? QStringLiteral("") : workgroupFile;
    o.user = moduleUser();
    o.password = modulePassword();
    o.requiredTables = hostCoreTableNames();
    o.refuseWhileWriting = true;
    return db.open(o);
}

bool openDatabaseForReading(Database &db, const QString &databaseFile)
{
    OpenOptions o;
    o.file = databaseFile;
    o.readOnly = true;
    return db.open(o);
}

} // namespace qav
