#include "tableinst/installer.h"

#include "common/amount/decimalscan.h"
#include "common/install/installation.h"
#include "common/param/referencerows.h"
#include "common/text/textfile.h"
#include "common/ui/messages.h"

#include <QFileInfo>
#include <QSqlRecord>

#include <cstdint>

namespace tableinst {
namespace {

const QString kForm = QStringLiteral("7093");
constexpr int kEnvdesFields = 13;

struct TableDef {
    QString name;
    QString create;
    QString key;
};

// The module's tables and their keys. A key is a unique index named like the host's
// primary keys, so that an existing one is reported as such (3283).
QList<TableDef> moduleTables()
{
    return {
        {QStringLiteral("F7093DES"),
         QStringLiteral("CREATE TABLE F7093DES(")
             + QStringLiteral(" [tip_doc_d] Byte, [doc_id_d] text(15) COLLATE NOCASE,[periodo] Text(6) COLLATE NOCASE, ")
             + QStringLiteral(" [formulario] Text (4) COLLATE NOCASE, ")
             + QStringLiteral(" [tip_com]  text(2) COLLATE NOCASE,")
             + QStringLiteral(" [num_ser]  Text(15) COLLATE NOCASE,")
             + QStringLiteral(" [per_tri]  Text(6) COLLATE NOCASE,")
             + QStringLiteral(" [tot_ven]  Text(15) COLLATE NOCASE,")
             + QStringLiteral(" [tot_gra]  Text(15) COLLATE NOCASE,")
             + QStringLiteral(" [cnumero]  Text(6) COLLATE NOCASE );"),
         QStringLiteral("CREATE UNIQUE INDEX PK_F7093DES ON F7093DES")
             + QStringLiteral(" ([tip_doc_d],[doc_id_d], ")
             + QStringLiteral(" [periodo],[Formulario],[tip_com],[num_ser],[per_tri]) ")},
        {QStringLiteral("HF7093DES"),
         QStringLiteral("CREATE TABLE HF7093DES(")
             + QStringLiteral(" [tip_doc_d] Byte, [doc_id_d] text(15) COLLATE NOCASE,[periodo] Text(6) COLLATE NOCASE, ")
             + QStringLiteral(" [formulario] Text (4) COLLATE NOCASE, ")
             + QStringLiteral(" [correl] Text (03) COLLATE NOCASE,")
             + QStringLiteral(" [tip_com]  Text(2) COLLATE NOCASE,")
             + QStringLiteral(" [num_ser]  Text(15) COLLATE NOCASE,")
             + QStringLiteral(" [per_tri]  Text(6) COLLATE NOCASE,")
             + QStringLiteral(" [tot_ven]  Text(15) COLLATE NOCASE,")
             + QStringLiteral(" [tot_gra]  Text(15) COLLATE NOCASE,")
             + QStringLiteral(" [cnumero]  Text(6) COLLATE NOCASE);"),
         QStringLiteral("CREATE UNIQUE INDEX PK_HF7093DES ON HF7093DES")
             + QStringLiteral(" ([tip_doc_d],[doc_id_d], ")
             + QStringLiteral(" [periodo],[Formulario],[correl],[tip_com],[num_ser],[per_tri]) ")},
        {QStringLiteral("TMPF7093DES"),
         QStringLiteral("CREATE TABLE TMPF7093DES(")
         + QStringLiteral(" [tip_com]  Text(2) COLLATE NOCASE,")
             + QStringLiteral(" [num_ser]  Text(15) COLLATE NOCASE,")
             + QStringLiteral(" [per_tri]  Text(6) COLLATE NOCASE,")
             + QStringLiteral(" [tot_ven]  Text(15) COLLATE NOCASE,")
             + QStringLiteral(" [tot_gra]  Text(15) COLLATE NOCASE);"),
         QStringLiteral("CREATE UNIQUE INDEX PK_TMPF7093DES ON TMPF7093DES")
             + QStringLiteral("([tip_com],[num_ser],[per_tri]) ")},
    };
}

// The number as it is written, a leading blank standing for its sign.
QString numberText(int n)
{
    return n < 0 ? QString::number(n) : u' ' + QString::number(n);
}

enum class NumberField { Ok, NotANumber, OutOfRange };

// A field converted to a number: blanks around it are ignored, the decimal point is ".",
// an exponent may follow, and the value is rounded to the nearest integer (halves to the
// even one). It must fit a byte (0 to 255) or a long integer.
NumberField toNumber(const QString &field, bool byte, QVariant *out)
{
    const qav::DecimalNumber number =
        qav::scanDecimal(QStringView(field).trimmed(), qav::ScanWhole | qav::ScanBlanks | qav::ScanSign | qav::ScanExponent);
    if (!number.isValid())
        return NumberField::NotANumber;
    const auto r = number.scaled(0, qav::Rounding::HalfEven);
    if (!r || (byte ? (*r < 0 || *r > 255) : (*r < INT32_MIN || *r > INT32_MAX)))
        return NumberField::OutOfRange;
    *out = static_cast<int>(*r);
    return NumberField::Ok;
}

// A text of the file quoted in a message, cut to a length a message box can show.
QString quoted(const QString &text)
{
    constexpr qsizetype kShown = 200;
    return text.size() <= kShown ? text : text.left(kShown) + QStringLiteral("...");
}

void showStop(const QString &text)
{
    qav::msgBox(text, qav::MbOk | qav::MbCritical, QStringLiteral("Error"));
}

} // namespace

Installer::Installer() : m_db(QStringLiteral("tableinst")) {}

int Installer::run()
{
    m_statementFailed = false;
    m_settings = qav::readInstallationSettings();
    m_sysPath = m_settings.sysPath;
    if (m_sysPath.isEmpty()) {
        const QString text = QStringLiteral("Debe instalar primero el QAV ");
        qav::msgBox(m_settings.settingsFound ? text
                                             : qav::missingSettingsText(m_settings) + u'\n' + text,
                    qav::MbOk | qav::MbInformation, QStringLiteral("Mensaje"));
        return Stopped;
    }
    if (m_sysPath.endsWith(QLatin1String("//")))
        m_sysPath.chop(1);

    if (!openDatabase())
        return Stopped;
    // On a server the functions and the collation the statements use are the database's.
    if (!m_db.installServerObjects()) {
        const qav::DbError &e = m_db.lastError();
        showStop(QStringLiteral("No se pudieron crear las funciones del módulo en el servidor:\n")
                 + e.text + QStringLiteral("\n") + numberText(e.number));
        m_db.close();
        return Stopped;
    }

    // The file is read and checked before anything is written, so that a broken file
    // leaves the database as it was.
    QList<EnvioRow> envio;
    if (!readEnvdes(m_sysPath + QStringLiteral("tmp/") + QStringLiteral("envdes.txt"), &envio)) {
        m_db.close();
        return Stopped;
    }

    if (!writeRows(envio)) {
        m_db.close();
        return Stopped;
    }

    m_db.close();
    if (!openDatabase())
        return Stopped;
    if (!TableExists(QStringLiteral("F7093DES")))
        createTables();
    m_db.close();
    return m_statementFailed ? CompletedWithErrors : Completed;
}

bool Installer::openDatabase()
{
    // The database is SysPath + DBName here (not DBPath), and the workgroup file is named
    // with a separator of its own after SysPath.
    if (qav::openSharedDatabase(m_db, m_sysPath + m_settings.dbName,
                                qav::workgroupFileIn(m_sysPath, qav::PathJoin::Separator)))
        return true;
    const qav::DbError &e = m_db.lastError();
    const QString text = e.number == qav::ErrLocked
                             ? numberText(e.number) + QStringLiteral("- Base de datos esta bloqueda")
                             : e.text + u'\n' + numberText(e.number);
    qav::msgBox(text, qav::MbOk, QStringLiteral("Error de Conección"));
    return false;
}

bool Installer::RunStatement(const QString &sql, const QVariantList &params)
{
    if (m_db.execute(sql, params))
        return true;
    return statementFailed();
}

bool Installer::RunDefinition(const QString &sql)
{
    if (m_db.executeDdl(sql))
        return true;
    return statementFailed();
}

bool Installer::statementFailed()
{
    const qav::DbError e = m_db.lastError();
    switch (e.number) {
    case qav::ErrTableExists:
        // The answer changes nothing: existing tables are never dropped.
        qav::msgBox(QStringLiteral("Se  detectado que ya existen las tablas del QAV") + u'\n'
                        + QStringLiteral(" Desea Sobreescribirlas?"),
                    qav::MbYesNo | qav::MbQuestion | qav::MbDefaultButton2, QStringLiteral("Mensaje"));
        break;
    case qav::ErrPrimaryKeyExists:
        break;
    default:
        m_statementFailed = true;
        qav::msgBox(QStringLiteral("Error Número : ") + QString::number(e.number) + u'\n' + e.text,
                    qav::MbOk | qav::MbCritical, QStringLiteral("Error al Ejecutar Sentencia SQL"));
        break;
    }
    return false;
}

bool Installer::TableExists(const QString &name)
{
    return m_db.tableExists(name);
}

bool Installer::ParamExists(const QString &numero, const QString &argumento)
{
    return m_db.exists(QStringLiteral("Select * from Param Where Numero=? AND Argumento=?"),
                       {numero, argumento});
}

void Installer::PutParam(const QString &numero, const QString &argumento, const QString &funcion,
                         const QString &correl)
{
    if (ParamExists(numero, argumento))
        RunStatement(QStringLiteral("Update Param Set Funcion=?, Correl_param=? Where Numero=? AND Argumento=?"),
                     {funcion, correl, numero, argumento});
    else
        RunStatement(QStringLiteral("insert into Param ") + QStringLiteral("values (?,?,?,?)"),
                     {numero, argumento, funcion, correl});
}

bool Installer::EnvioExists(const QString &tabla)
{
    return m_db.exists(QStringLiteral("Select * from envio_t Where formulario=? AND tabla_o=?"),
                       {kForm, tabla});
}

bool Installer::reportExists(const QString &code)
{
    // reportes is written by position; its first column is the report code.
    QSqlQuery q;
    if (!m_db.select(&q, QStringLiteral("SELECT * FROM reportes")))
        return false;
    while (q.next())
        if (q.value(0).toString().trimmed() == code)
            return true;
    return false;
}

bool Installer::writeRows(const QList<EnvioRow> &envio)
{
    // The parameter rows, the report codes and the sending description are written as one:
    // when any of them is refused, every row stays as it was before the run.
    qav::Transaction tx(m_db);
    if (!tx.isActive()) {
        const qav::DbError &e = m_db.lastError();
        showStop(QStringLiteral("No se pudo empezar a grabar en la base de datos:\n") + e.text
                 + QStringLiteral("\n") + numberText(e.number));
        return false;
    }
    const bool failedBefore = m_statementFailed;
    m_statementFailed = false;
    writeParams();
    writeReports();
    writeEnvio(envio);
    const bool refused = m_statementFailed;
    m_statementFailed = failedBefore || refused;
    if (!refused && tx.commit())
        return true;
    if (!refused) {
        const qav::DbError &e = m_db.lastError();
        showStop(QStringLiteral("No se pudieron grabar las filas del módulo:\n") + e.text
                 + QStringLiteral("\n") + numberText(e.number));
        return false;
    }
    qav::msgBox(QStringLiteral("No se grabó ninguna fila de PARAM, reportes ni envio_t: "
                               "quedaron como estaban antes de la instalación."),
                qav::MbOk | qav::MbExclamation, QStringLiteral("Mensaje"));
    return true;
}

void Installer::writeParams()
{
    const QString empty = QLatin1String("");
    PutParam(QStringLiteral("992"), QStringLiteral("7093"), QStringLiteral("2"), empty);
    PutParam(QStringLiteral("996"), QStringLiteral("230"), QStringLiteral("F7093DES       R 1000   4"), empty);
    PutParam(QStringLiteral("996"), QStringLiteral("231"), QStringLiteral("HF7093DES      R 1000   4"), empty);
    for (const auto &[argumento, funcion] : qav::referenceVoucherTypeRows())
        PutParam(QStringLiteral("233"), argumento, funcion, empty);
}

void Installer::writeReports()
{
    // A report already registered (by an earlier run) is left as it is: inserting it
    // again would repeat it, or be refused by the catalogue's key.
    const QList<QPair<QString, QString>> reports = {
        {QStringLiteral("DE0001"), QStringLiteral("Reporte de Declaraciones  -  7093")},
        {QStringLiteral("DE0002"), QStringLiteral("Reporte de Envío - 7093")},
        {QStringLiteral("DE0003"), QStringLiteral("Errores de Transferencia - 7093")},
    };
    for (const auto &[code, title] : reports) {
        if (reportExists(code))
            continue;
        RunStatement(QStringLiteral("insert into reportes ") + QStringLiteral("values (?,?,1)"), {code, title});
    }
}

bool Installer::readEnvdes(const QString &path, QList<EnvioRow> *rows)
{
    rows->clear();
    QStringList lines;
    QString why;
    if (!QFileInfo(qav::resolveCaseInsensitive(path)).isFile()) {
        showStop(QStringLiteral("No se encuentra el archivo ") + path);
        return false;
    }
    if (!qav::readTextLines(path, &lines, &why)) {
        showStop(QStringLiteral("No se puede leer el archivo ") + path + u'\n' + why);
        return false;
    }
    for (int n = 0; n < lines.size(); ++n) {
        const QString &line = lines[n];
        if (line.trimmed().isEmpty())
            break;
        const QString where = QStringLiteral("Archivo ") + path + QStringLiteral(", línea ")
                              + QString::number(n + 1) + QStringLiteral(":\n") + quoted(line) + u'\n';
        const QStringList parts = line.split(u'|');
        if (parts.size() - 1 < kEnvdesFields) {
            showStop(where + QStringLiteral("La línea debe tener 13 campos, cada uno seguido de \"|\"."));
            return false;
        }
        EnvioRow row;
        row.tablaO = parts[1].trimmed();
        row.tablaD = parts[2].trimmed();
        row.tablaExt = parts[3].trimmed();
        for (int f = 4; f < kEnvdesFields; ++f) {
            QVariant v;
            const bool byte = f < 7;
            const NumberField got = toNumber(parts[f], byte, &v);
            if (got != NumberField::Ok) {
                const QString rule = byte ? QStringLiteral("debe ser un número de 0 a 255.")
                    : got == NumberField::OutOfRange
                    ? QStringLiteral("debe ser un número de -2147483648 a 2147483647.")
                    : QStringLiteral("debe ser un número.");
                showStop(where + QStringLiteral("El campo ") + QString::number(f + 1)
                         + QStringLiteral(" (\"") + quoted(parts[f]) + QStringLiteral("\") ") + rule);
                return false;
            }
            row.numbers << v;
        }
        *rows << row;
    }
    return true;
}

void Installer::writeEnvio(const QList<EnvioRow> &rows)
{
    for (const EnvioRow &r : rows) {
        if (EnvioExists(r.tablaO)) {
            QVariantList params{r.tablaD, r.tablaExt};
            params << r.numbers << kForm << r.tablaO;
            RunStatement(QStringLiteral("Update envio_t set ") + QStringLiteral(" tabla_d = ?,")
                             + QStringLiteral(" tabla_ext = ?,") + QStringLiteral(" indice=?,")
                             + QStringLiteral(" obliga=?,") + QStringLiteral(" c_tip_doc_d=?,")
                             + QStringLiteral(" c_doc_id_d =?,") + QStringLiteral(" c_Formulario=?,")
                             + QStringLiteral(" c_periodo=?,") + QStringLiteral(" c_estado=?,")
                             + QStringLiteral(" c_envio=?,") + QStringLiteral(" c_semana=?")
                             + QStringLiteral(" Where formulario=? AND tabla_o=?"),
                         params);
        } else {
            QVariantList params{kForm, r.tablaO, r.tablaD, r.tablaExt};
            params << r.numbers;
            RunStatement(QStringLiteral("insert into envio_t ")
                             + QStringLiteral("values ( ?,?,?,?,?,?,?,?,?,?,?,?,?)"),
                         params);
        }
    }
}

void Installer::createTables()
{
    for (const TableDef &t : moduleTables()) {
        if (TableExists(t.name))
            continue;
        RunDefinition(t.create);
        RunDefinition(t.key);
    }
}

} // namespace tableinst
