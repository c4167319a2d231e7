#include "tests/support/sandbox.h"

#include "common/db/account.h"
#include "common/text/textfile.h"
#include "schema/hostschema.h"
#include "tests/support/testserver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace qavtest {

Sandbox::Sandbox() = default;

bool Sandbox::serverEngineRequested()
{
    return qEnvironmentVariable("QAV_TEST_ENGINE") == QLatin1String("server");
}

Sandbox::~Sandbox()
{
    if (!serverDatabase.isEmpty())
        TestServer::dropDatabase(serverDatabase);
    if (m_windirSet) {
        if (m_hadWindir)
            qputenv("QAV_WINDIR", m_previousWindir);
        else
            qunsetenv("QAV_WINDIR");
        if (m_hadDataHome)
            qputenv("XDG_DATA_HOME", m_previousDataHome);
        else
            qunsetenv("XDG_DATA_HOME");
    }
}

QString Sandbox::iniFile() const
{
    return windir + QStringLiteral("/PM000.INI");
}

QString Sandbox::workgroupFile() const
{
    return sysPath + QStringLiteral("PM000.MDW");
}

QString Sandbox::envdesFile() const
{
    return sysPath + QStringLiteral("tmp/envdes.txt");
}

qav::OpenOptions Sandbox::openOptions() const
{
    qav::OpenOptions o;
    o.file = dbFile;
    o.workgroupFile = workgroupFile();
    o.user = qav::moduleUser();
    o.password = qav::modulePassword();
    o.busyTimeoutMs = 1000;
    o.server = serverUri;
    return o;
}

QStringList Sandbox::defaultEnvdesLines()
{
    return {QStringLiteral("7093|F7093DES|F7093DES|DES|1|1|1|2|4|3|0|0|0|"),
            QStringLiteral("7093|HF7093DES|HF7093DES|HDES|2|1|1|2|4|3|0|0|0|")};
}

bool Sandbox::writeEnvdes(const QStringList &lines, QString *error)
{
    return qav::writeTextLines(envdesFile(), lines, error);
}

bool Sandbox::create(QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid())
        return fail(QStringLiteral("no temporary folder: ") + m_dir->errorString());
    root = m_dir->path();
    windir = root + QStringLiteral("/windows");
    sysPath = root + QStringLiteral("/qav/");
    dbFile = sysPath + QStringLiteral("qav.mdb");
    dataHome = root + QStringLiteral("/home/share");

    for (const QString &sub : {windir, dataHome, sysPath + QStringLiteral("RPT"), sysPath + QStringLiteral("TMP"),
                               sysPath + QStringLiteral("tmp")})
        if (!QDir().mkpath(sub))
            return fail(QStringLiteral("cannot create ") + sub);

    QString why;
    if (server) {
        if (!TestServer::createDatabase(&serverDatabase, &why))
            return fail(why);
        serverUri = TestServer::uri(serverDatabase);
    }
    QStringList settings{QStringLiteral("[Options]"), QStringLiteral("SysPath=") + sysPath,
                         QStringLiteral("DBPath=") + sysPath, QStringLiteral("DBName=qav.mdb"),
                         QStringLiteral("SysUser=") + sysUser};
    if (server)
        settings << QStringLiteral("DBServer=") + serverUri;
    if (!qav::writeTextLines(iniFile(), settings, &why))
        return fail(why);
    if (!qav::writeWorkgroupFile(workgroupFile(), qav::moduleUser(), qav::modulePassword(), &why))
        return fail(why);
    if (!writeEnvdes(defaultEnvdesLines(), &why))
        return fail(why);

    {
        QFile f(dbFile);
        if (!f.open(QIODevice::WriteOnly))
            return fail(f.errorString());
    }
    {
        qav::Database db(QStringLiteral("qavtest-sandbox"));
        if (!db.open(openOptions()))
            return fail(db.lastError().text);
        if (!db.installServerObjects())
            return fail(db.lastError().text);
        if (!qav::createHostTables(db, &why))
            return fail(why);
    }

    if (!m_windirSet) {
        m_hadWindir = qEnvironmentVariableIsSet("QAV_WINDIR");
        m_previousWindir = qgetenv("QAV_WINDIR");
        m_hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        m_previousDataHome = qgetenv("XDG_DATA_HOME");
        m_windirSet = true;
    }
    qputenv("QAV_WINDIR", windir.toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
    return true;
}

} // namespace qavtest
