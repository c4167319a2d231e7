#include "devhost/sandboxinit.h"

#include "common/db/account.h"
#include "common/db/database.h"
#include "common/text/textfile.h"
#include "devhost/sampledata.h"
#include "schema/hostschema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QUrl>

namespace devhost {
namespace {

// The settings file is read with a buffer of 255 characters: a longer value would come
// back cut.
constexpr int kMaxSettingLength = 254;

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// Removes what one run created, in reverse, when a step fails.
class Undo
{
public:
    void created(const QString &dir) { m_dirs.prepend(dir); }
    void keep() { m_dirs.clear(); }
    ~Undo()
    {
        for (const QString &d : std::as_const(m_dirs))
            QDir(d).removeRecursively();
    }

private:
    QStringList m_dirs;
};

bool makeDir(const QString &path, QString *error)
{
    if (QDir().mkpath(path))
        return true;
    return fail(error, QStringLiteral("No se pudo crear la carpeta %1.").arg(path));
}

bool runInstaller(const SandboxLayout &layout, const InitOptions &options, QString *error,
                  QString *output)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QAV_WINDIR"), layout.windowsDir);
    // Without a window system the installer writes its messages to standard error (and a
    // question takes its default answer) instead of waiting for someone to close a box.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(layout.sysPath);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(options.tableinstProgram, {});
    if (!p.waitForStarted(10000))
        return fail(error, QStringLiteral("No se pudo ejecutar %1: %2")
                               .arg(options.tableinstProgram, p.errorString()));
    if (!p.waitForFinished(options.tableinstTimeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return fail(error, QStringLiteral("tableinst no terminó en %1 segundos.")
                               .arg(options.tableinstTimeoutMs / 1000));
    }
    const QString text = QString::fromLocal8Bit(p.readAll()).trimmed();
    if (output)
        *output = text;
    if (p.exitStatus() != QProcess::NormalExit)
        return fail(error, QStringLiteral("tableinst terminó de forma anormal.%1")
                               .arg(text.isEmpty() ? QString() : QStringLiteral("\n") + text));
    if (p.exitCode() != 0)
        return fail(error, QStringLiteral("tableinst terminó con el código %1.%2")
                               .arg(p.exitCode())
                               .arg(text.isEmpty() ? QString() : QStringLiteral("\n") + text));
    return true;
}

bool openDatabase(qav::Database &db, const SandboxLayout &layout, QString *error)
{
    qav::OpenOptions o;
    o.file = layout.databaseFile;
    o.server = sandboxServer(layout);
    o.workgroupFile = layout.workgroupFile;
    o.user = qav::moduleUser();
    o.password = qav::modulePassword();
    if (db.open(o))
        return true;
    return fail(error, QStringLiteral("No se pudo abrir %1: %2 (%3)")
                           .arg(o.server.isEmpty() ? layout.databaseFile : o.server, db.lastError().text)
                           .arg(db.lastError().number));
}

// The URI as the installation keeps it: without the caller's user and password.
QString serverSetting(const QString &uri)
{
    return QUrl(uri.trimmed()).toString(QUrl::RemoveUserInfo);
}

// As the caller: the module's role (made, or given its password again), its rights on the
// database, and a check that the database does not hold the host's tables yet.
bool prepareServer(const QString &uri, QString *error)
{
    const QUrl url(uri.trimmed());
    qav::Database db(QStringLiteral("devhost-admin"));
    qav::OpenOptions o;
    o.server = uri;
    o.user = url.userName();
    o.password = url.password();
    if (!db.open(o))
        return fail(error, QStringLiteral("No se pudo abrir %1: %2 (%3)")
                               .arg(serverSetting(uri), db.lastError().text)
                               .arg(db.lastError().number));
    if (db.tableExists(QStringLiteral("CAB")))
        return fail(error, QStringLiteral("La base de datos %1 ya tiene las tablas del host; no se ha "
                                          "modificado nada.").arg(serverSetting(uri)));
    const QString role = qav::moduleUser();
    const QString make = qav::moduleRoleSql();
    QString alter = make;
    alter.replace(QStringLiteral("CREATE ROLE"), QStringLiteral("ALTER ROLE"));
    auto quoted = [](QString sql) { return sql.replace(u'\'', QStringLiteral("''")); };
    const QStringList statements{
        QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1')"
                       " THEN EXECUTE '%2'; ELSE EXECUTE '%3'; END IF; END $$")
            .arg(role, quoted(make), quoted(alter)),
        QStringLiteral("DO $$ BEGIN EXECUTE format('GRANT CONNECT, TEMPORARY, CREATE ON DATABASE %I"
                       " TO %2', current_database()); END $$").arg(role),
        QStringLiteral("GRANT USAGE, CREATE ON SCHEMA public TO %1").arg(role),
    };
    for (const QString &sql : statements)
        if (!db.execute(sql))
            return fail(error, QStringLiteral("No se pudo preparar la cuenta del módulo en %1: %2 (%3)")
                                   .arg(serverSetting(uri), db.lastError().text)
                                   .arg(db.lastError().number));
    return true;
}

} // namespace

QStringList settingsLines(const SandboxLayout &layout, const QString &server)
{
    QStringList lines{QStringLiteral("[Options]"),
                      QStringLiteral("SysPath=") + layout.sysPath,
                      QStringLiteral("DBPath=") + layout.sysPath,
                      QStringLiteral("DBName=") + layout.databaseName,
                      QStringLiteral("SysUser=") + ordinaryUser()};
    if (!server.isEmpty())
        lines << QStringLiteral("DBServer=") + serverSetting(server);
    return lines;
}

QStringList envdesLines()
{
    // One line per detail table of the module that the host's sending handles. After the
    // unused first field: the table, its name in the sending, the extension, the order,
    // "required", then the column positions of the document type, document number, form
    // and period (0 where the table has no such column: no estado, sending or week).
    return {QStringLiteral("7093|F7093DES|F7093DES|DES|1|1|1|2|4|3|0|0|0|"),
            QStringLiteral("7093|HF7093DES|HF7093DES|HDES|2|1|1|2|4|3|0|0|0|")};
}

bool initSandbox(const QString &dir, const InitOptions &options, QString *error,
                 QString *installerOutput)
{
    if (dir.trimmed().isEmpty())
        return fail(error, QStringLiteral("Falta la carpeta de la instalación."));
    const SandboxLayout layout = sandboxLayout(dir);

    const QFileInfo rootInfo(layout.root);
    if (rootInfo.exists() && !rootInfo.isDir())
        return fail(error, QStringLiteral("%1 existe y no es una carpeta.").arg(layout.root));
    if (QFileInfo::exists(layout.windowsDir) || QFileInfo::exists(layout.hostDir))
        return fail(error, QStringLiteral("%1 ya contiene una instalación (%2 o %3 existe); "
                                          "no se ha modificado nada.")
                               .arg(layout.root, layout.windowsDir, layout.hostDir));
    // The settings file is Windows-1252 and read with a 255-character buffer: a folder
    // name that cannot be written there, or that would come back cut, would send the
    // programs elsewhere.
    if (qav::decodeCp1252(qav::encodeCp1252(layout.root)) != layout.root)
        return fail(error, QStringLiteral("La ruta %1 tiene caracteres que no se pueden escribir "
                                          "en PM000.INI (Windows-1252).").arg(layout.root));
    if (layout.sysPath.size() > kMaxSettingLength || layout.windowsDir.size() > kMaxSettingLength)
        return fail(error, QStringLiteral("La ruta %1 es demasiado larga para PM000.INI.").arg(layout.root));
    if (!QFileInfo(options.tableinstProgram).isExecutable())
        return fail(error, QStringLiteral("No se encontró tableinst en %1; compile el proyecto primero "
                                          "(scripts/build.sh). No se ha modificado nada.")
                               .arg(options.tableinstProgram));
    if (!options.server.isEmpty() && !prepareServer(options.server, error))
        return false;

    Undo undo;
    if (!rootInfo.exists()) {
        if (!makeDir(layout.root, error))
            return false;
        undo.created(layout.root);
    }
    for (const QString &d : {layout.windowsDir, layout.hostDir}) {
        if (!makeDir(d, error))
            return false;
        undo.created(d);
    }
    for (const QString &d : {layout.reportDir, layout.tempDir, layout.envdesDir}) {
        if (!makeDir(d, error))
            return false;
    }

    QString why;
    if (!qav::writeTextLines(layout.iniFile, settingsLines(layout, options.server), &why))
        return fail(error, why);
    if (!qav::writeWorkgroupFile(layout.workgroupFile, qav::moduleUser(), qav::modulePassword(), &why))
        return fail(error, why);
    if (!qav::writeTextLines(layout.envdesFile, envdesLines(), &why))
        return fail(error, why);

    if (options.server.isEmpty()) {
        // An empty file is an empty SQLite database; the shared open wants it to exist.
        if (!qav::writeText(layout.databaseFile, QString(), &why))
            return fail(error, why);
    }
    {
        qav::Database db(QStringLiteral("devhost-init"));
        if (!openDatabase(db, layout, error))
            return false;
        if (!db.installServerObjects())
            return fail(error, QStringLiteral("No se pudieron crear las funciones en el servidor: %1 (%2)")
                                   .arg(db.lastError().text).arg(db.lastError().number));
        if (!qav::createHostTables(db, &why))
            return fail(error, QStringLiteral("No se pudieron crear las tablas del host: %1").arg(why));
        if (!insertHostSamples(db, &why))
            return fail(error, QStringLiteral("No se pudieron grabar los datos de ejemplo: %1").arg(why));
    }

    if (!runInstaller(layout, options, error, installerOutput))
        return false;

    qav::Database db(QStringLiteral("devhost-init"));
    if (!openDatabase(db, layout, error))
        return false;
    for (const QString &table : {QStringLiteral("F7093DES"), QStringLiteral("HF7093DES"),
                                 QStringLiteral("TMPF7093DES")}) {
        if (!db.tableExists(table))
            return fail(error, QStringLiteral("tableinst terminó sin crear la tabla %1.%2")
                                   .arg(table, installerOutput && !installerOutput->isEmpty()
                                                   ? QStringLiteral("\n") + *installerOutput
                                                   : QString()));
    }
    if (!insertSampleDeclarations(db, &why))
        return fail(error, QStringLiteral("No se pudieron grabar las declaraciones de ejemplo: %1").arg(why));
    db.close();
    undo.keep();
    return true;
}

} // namespace devhost
