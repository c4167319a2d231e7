#include "sendrep/sendreceipt.h"

#include "common/amount/amount.h"
#include "common/amount/picture.h"
#include "common/install/installation.h"
#include "common/report/reportwriter.h"
#include "common/report/spool.h"
#include "common/settings/profile.h"
#include "common/text/textfile.h"
#include "common/text/trim.h"
#include "common/time/clock.h"
#include "common/ui/messages.h"

#include "common/text/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>

namespace sendrep {
namespace {

const QString kTitle = QStringLiteral("Mensaje");
const QString kTryAgain = QStringLiteral("Intente nuevamente por favor.");
const QString kReportCode = QStringLiteral("DE0002");
constexpr qint16 kRucType = 6;
// Draws of a temporary name before giving up on a folder full of taken names.
constexpr int kNameAttempts = 1000;

// The declaration's key without the week, the RUC matched without its trailing spaces.
const QString kDeclarationKey =
    QStringLiteral(" WHERE DOC_ID_D=? AND TIP_DOC_D=6 AND PERIODO=? AND FORMULARIO=?");

RunError fromDb(const qav::DbError &e)
{
    return {e.number, e.text};
}

// A query that stopped before its last row: next() returns false on a failure of the
// engine (a damaged page) as it does at the end, only the error tells them apart.
bool readFailed(const QSqlQuery &q, RunError *error)
{
    if (!q.lastError().isValid())
        return false;
    *error = fromDb(qav::fromSqlError(q.lastError()));
    return true;
}

// Writes `bytes` as the whole of the file at `path` (see AtomicFile); the failure's text
// names the file and its cause.
bool writeWhole(qav::AtomicFile &f, const QByteArray &bytes, RunError *error)
{
    if (f.open() && f.write(bytes) == bytes.size() && f.commit())
        return true;
    *error = {ErrFileAccess, f.errorText()};
    return false;
}

bool failWith(RunError *error, int number, const QString &detail)
{
    *error = {number, SendReceipt::errorText(number, detail)};
    return false;
}

bool folderMissing(const QString &folder, RunError *error)
{
    if (QFileInfo(qav::resolveCaseInsensitive(folder)).isDir())
        return false;
    failWith(error, ErrPathNotFound, folder);
    return true;
}

} // namespace

SendReceipt::SendReceipt()
    : m_db(QStringLiteral("sendrep")),
      m_numbers([] { return int(QRandomGenerator::global()->bounded(10000000, 100000000)); })
{
}

SendReceipt::~SendReceipt() = default;

QString SendReceipt::errorText(int number, const QString &detail)
{
    switch (number) {
    case ErrOverflow:
        return QStringLiteral("Desbordamiento: %1").arg(detail);
    case ErrTypeMismatch:
        return QStringLiteral("No coinciden los tipos: %1").arg(detail);
    case ErrFileExists:
        return QStringLiteral("El archivo ya existe: %1").arg(detail);
    case ErrFileAccess:
        return QStringLiteral("Error de acceso a la ruta o al archivo: %1").arg(detail);
    case ErrPathNotFound:
        return QStringLiteral("No se encontró la ruta de acceso: %1").arg(detail);
    default:
        return detail;
    }
}

int SendReceipt::technical(const RunError &error)
{
    qav::msgBox(QStringLiteral("Error tecnico: ") + u' ' + QString::number(error.number) + u'\n' + error.text
                    + u'\n' + kTryAgain,
                qav::MbCritical, kTitle);
    return Failed;
}

int SendReceipt::noData()
{
    qav::msgBox(QStringLiteral("No existe data para Generar Reporte de Envio!!!\n"), qav::MbCritical,
                QStringLiteral("Error"));
    return Failed;
}

bool SendReceipt::openInstallation(qav::DbError *error)
{
    Installation &in = m_installation;
    const qav::InstallationSettings settings = qav::readInstallationSettings();
    in.dbPath = settings.dbPath;
    in.dbName = settings.dbName;
    in.sysUser = settings.sysUser;
    in.reportDir = in.dbPath + QStringLiteral("RPT");
    in.tempDir = in.dbPath + QStringLiteral("TMP");
    // The host reads SystemDB; a settings file that cannot be written does not stop the
    // receipt, the open below does not depend on it.
    qav::writeSystemDb(qav::workgroupFileIn(in.dbPath, qav::PathJoin::Separator));
    in.workgroupFile = qav::workgroupFileIn(in.dbPath, qav::PathJoin::SeparatorWhenMissing);
    if (qav::openSharedDatabase(m_db, in.dbPath + in.dbName, in.workgroupFile))
        return true;
    *error = m_db.lastError();
    return false;
}

bool SendReceipt::sum(const QString &column, const CommandLine &cmd, QString *text, RunError *error)
{
    // Summed exactly over the amounts as stored, never as floating point.
    QSqlQuery q(m_db.handle());
    if (!m_db.select(&q, QStringLiteral("SELECT ") + column + QStringLiteral(" FROM f7093des") + kDeclarationKey,
                     {cmd.rucKey(), cmd.year, cmd.form})) {
        *error = fromDb(m_db.lastError());
        return false;
    }
    std::optional<qav::Amount> total;
    while (q.next()) {
        const QVariant v = q.value(0);
        if (v.isNull())
            continue;
        const QString stored = v.toString();
        const std::optional<qav::Amount> value = qav::Amount::parse(stored);
        if (!value)
            return failWith(error, ErrTypeMismatch, QStringLiteral("%1 = '%2'").arg(column, stored));
        const std::optional<qav::Amount> next = qav::Amount::add(total.value_or(qav::Amount()), *value);
        if (!next)
            return failWith(error, ErrOverflow, column);
        total = next;
    }
    // No sum is given from part of the rows.
    if (readFailed(q, error))
        return false;
    *text = total ? qav::formatPicture(*total, kSumPicture) : QString();
    return true;
}

bool SendReceipt::lookupName(const CommandLine &cmd, QString *name, bool *found, RunError *error)
{
    QSqlQuery q(m_db.handle());
    if (!m_db.select(&q, QStringLiteral("SELECT nombre FROM cont WHERE doc_id_d=? AND tip_doc_d=6"),
                     {cmd.rucKey()})) {
        *error = fromDb(m_db.lastError());
        return false;
    }
    *found = q.next();
    if (!*found && readFailed(q, error))
        return false;
    *name = *found ? q.value(0).toString() : QString();
    return true;
}

bool SendReceipt::writeTemporary(const QByteArray &bytes, QString *path, RunError *error)
{
    const QString folder = m_installation.tempDir;
    if (folderMissing(folder, error))
        return false;
    const QString dir = qav::resolveCaseInsensitive(folder);
    // Created exclusively: a file that happens to carry the drawn name is never touched,
    // another name is drawn instead.
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString candidate = dir + u'/' + QString::number(m_numbers());
        if (QFileInfo::exists(candidate))
            continue;
        qav::AtomicFile f(candidate);
        f.setNewOnly(true);
        if (!writeWhole(f, bytes, error)) {
            if (f.systemError() == EEXIST)
                continue;
            return false;
        }
        *path = candidate;
        return true;
    }
    return failWith(error, ErrFileExists, dir);
}

bool SendReceipt::writeDocument(const Receipt &receipt, const CommandLine &cmd, RunError *error)
{
    qav::DbError dbError;
    const QString name = qav::RegistraSpool(m_db, kReportCode, kRucType, cmd.ruc, m_installation.sysUser, &dbError);
    if (name.isNull()) {
        *error = fromDb(dbError);
        return false;
    }
    m_outcome.spoolName = name;
    const QString folder = m_installation.reportDir;
    if (folderMissing(folder, error))
        return false;
    const QString path = qav::resolveCaseInsensitive(folder) + u'/' + name;

    qav::ReportWriter &w = qav::reportWriter();
    w.ReportDestination = QStringLiteral("ARCHIVO");
    // The receipt's writer never sets a report width, so it pages at 80 lines.
    w.ReportWidth = 0;
    w.NarrowPageLength = 80;
    w.WidePageLength = 44;
    if (w.open(path)) {
        writeReportDocument(w, receipt);
        if (w.close()) {
            m_outcome.documentPath = path;
            return true;
        }
    }
    // A document that was not written is not left registered.
    *error = {ErrFileAccess, w.errorString()};
    qav::unregisterSpool(m_db, kReportCode, name);
    m_outcome.spoolName.clear();
    return false;
}

bool SendReceipt::copyFile(const QString &from, const QString &to, RunError *error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return failWith(error, ErrFileAccess, from);
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return failWith(error, ErrFileAccess, from);
    // An earlier copy of the same sending is replaced whole, never left half written.
    qav::AtomicFile out(to);
    return writeWhole(out, bytes, error);
}

int SendReceipt::run(const QString &commandLine)
{
    m_outcome = {};
    QString why;
    const std::optional<CommandLine> parsed = CommandLine::parse(commandLine, &why);
    if (!parsed) {
        qav::msgBox(QStringLiteral("No se puede generar la constancia de envío: ") + why, qav::MbCritical, kTitle);
        return BadCommandLine;
    }
    const CommandLine &cmd = *parsed;

    qav::DbError dbError;
    if (!openInstallation(&dbError)) {
        qav::msgBox(u'\n' + dbError.text + u'\n' + kTryAgain, qav::MbCritical, kTitle);
        return Failed;
    }

    RunError error;
    Receipt receipt;
    receipt.ruc = cmd.ruc;
    receipt.form = cmd.form;
    receipt.yearField = cmd.year;
    receipt.receiptNumber = cmd.receiptNumber;
    if (!sum(QStringLiteral("tot_gra"), cmd, &receipt.taxedSales, &error)
        || !sum(QStringLiteral("tot_ven"), cmd, &receipt.totalSales, &error))
        return technical(error);

    bool found = false;
    if (!lookupName(cmd, &receipt.name, &found, &error))
        return technical(error);
    if (!found)
        return noData();
    receipt.when = qav::now();

    PlainTextWriter text;
    writePlainReceipt(text, receipt);
    QString temporary;
    if (!writeTemporary(text.bytes(), &temporary, &error))
        return technical(error);

    // The name is read again just before the document is registered.
    if (!lookupName(cmd, &receipt.name, &found, &error))
        return technical(error);
    if (!found) {
        QFile::remove(temporary);
        return noData();
    }
    if (!writeDocument(receipt, cmd, &error))
        return technical(error);

    const QString name = cmd.outputName();
    const QString documentCopy = m_installation.reportDir + u'/' + name + QStringLiteral(".PRN");
    const QString textCopy = m_installation.tempDir + u'/' + name + QStringLiteral(".txt");
    if (!copyFile(m_outcome.documentPath, documentCopy, &error) || !copyFile(temporary, textCopy, &error))
        return technical(error);
    if (!QFile::remove(temporary))
        return technical({ErrFileAccess, errorText(ErrFileAccess, temporary)});
    m_outcome.documentCopy = documentCopy;
    m_outcome.textCopy = textCopy;
    return Done;
}

} // namespace sendrep
