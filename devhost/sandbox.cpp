#include "devhost/sandbox.h"

#include "common/settings/profile.h"

#include <QDir>

namespace devhost {

SandboxLayout sandboxLayout(const QString &dir)
{
    SandboxLayout l;
    l.root = QDir::cleanPath(QDir(dir).absolutePath());
    const QDir root(l.root);
    l.windowsDir = root.filePath(QStringLiteral("windows"));
    l.iniFile = QDir(l.windowsDir).filePath(QStringLiteral("PM000.INI"));
    l.hostDir = root.filePath(QStringLiteral("qav"));
    l.sysPath = l.hostDir + QLatin1Char('/');
    l.workgroupFile = l.sysPath + QStringLiteral("PM000.MDW");
    l.databaseName = QStringLiteral("qav.mdb");
    l.databaseFile = l.sysPath + l.databaseName;
    l.reportDir = l.sysPath + QStringLiteral("RPT");
    l.tempDir = l.sysPath + QStringLiteral("TMP");
    l.envdesDir = l.sysPath + QStringLiteral("tmp");
    l.envdesFile = l.envdesDir + QStringLiteral("/envdes.txt");
    return l;
}

QString sandboxServer(const SandboxLayout &layout)
{
    return qav::readProfileString(layout.iniFile, QStringLiteral("Options"), QStringLiteral("DBServer"))
        .trimmed();
}

QString adminUser()
{
    return QStringLiteral("ADMIN");
}

QString ordinaryUser()
{
    return QStringLiteral("JPEREZ");
}

} // namespace devhost
