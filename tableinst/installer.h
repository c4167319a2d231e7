#pragma once
// The module's table installer: prepares the host's shared database for the module. It
// writes the module's parameter rows, registers its reports, describes its tables to the
// host's sending (table envio_t, from the installation's envdes.txt) and creates the
// module's three tables when they do not exist yet.
//
// Widget-free: every message goes through qav::msgBox, so the program shows boxes with a
// display, writes to standard error without one, and tests script the answers.
//
// Errors: run() returns an exit status. A failure that stops the run (no installation,
// the database cannot be opened, envdes.txt missing or malformed) is Stopped; a statement
// the database refuses is reported, skipped, and makes the result CompletedWithErrors. The
// rows of PARAM, reportes and envio_t are written in one transaction: after a refused
// statement none of them is kept, and the run goes on to the tables.

#include "common/db/database.h"
#include "common/install/installation.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace tableinst {

enum ExitStatus : int { Completed = 0, Stopped = 1, CompletedWithErrors = 2 };

// One line of envdes.txt, cut into the values it writes.
struct EnvioRow {
    QString tablaO, tablaD, tablaExt;
    QVariantList numbers; // indice, obliga, c_tip_doc_d (bytes), then six numbers
};

class Installer
{
public:
    Installer();

    int run();

    // The installation folder as used (after dropping a doubled trailing separator).
    QString sysPath() const { return m_sysPath; }

    // Runs one statement; 3010 asks and skips, 3283 skips silently, anything else is shown
    // and skipped. Returns true when the statement ran.
    bool RunStatement(const QString &sql, const QVariantList &params = {});
    // The same for a table or key definition, in the engine's words (Database::executeDdl).
    bool RunDefinition(const QString &sql);
    bool TableExists(const QString &name);
    bool ParamExists(const QString &numero, const QString &argumento);
    void PutParam(const QString &numero, const QString &argumento, const QString &funcion,
                  const QString &correl);
    bool EnvioExists(const QString &tabla);

    // Reads envdes.txt up to its end or its first blank line. On a missing file or a line
    // that cannot be cut, shows the reason and returns false.
    bool readEnvdes(const QString &path, QList<EnvioRow> *rows);

    qav::Database &database() { return m_db; }

private:
    bool statementFailed();
    bool openDatabase();
    bool writeRows(const QList<EnvioRow> &envio);
    void writeParams();
    void writeReports();
    void writeEnvio(const QList<EnvioRow> &rows);
    void createTables();
    bool reportExists(const QString &code);

    qav::Database m_db;
    qav::InstallationSettings m_settings;
    QString m_sysPath;
    bool m_statementFailed = false;
};

} // namespace tableinst
