#include "declmod/import/transperret.h"

#include "declmod/import/importfile.h"
#include "declmod/session/hostservices.h"

#include "common/report/spool.h"
#include "common/ui/messages.h"

#include <QElapsedTimer>
#include <QFile>

namespace declmod {

TransferFailure transferFailureOf(const qav::DbError &error)
{
    TransferFailure f;
    f.number = error.number;
    f.description = error.text;
    switch (error.number) {
    case qav::ErrDuplicateKey:
        f.kind = TransferFailureKind::Duplicate;
        break;
    case qav::ErrFileNotFound:
    case qav::ErrNoSuchTable:
        f.kind = TransferFailureKind::NotFound;
        break;
    case qav::ErrLocked:
        f.kind = TransferFailureKind::DatabaseBusy;
        break;
    default:
        f.kind = TransferFailureKind::Other;
        break;
    }
    return f;
}

bool Errores_Transferencia(const TransferFailure &failure, qav::MessageService &messages)
{
    const int critical = qav::MbOk | qav::MbCritical;
    const QString error = QStringLiteral("Error");
    switch (failure.kind) {
    case TransferFailureKind::Duplicate:
        return true;
    case TransferFailureKind::NotFound:
        messages.show({QStringLiteral("En la ruta indicada, no se encuentra el archivo a "
                                      "transferir, verifique la ruta"),
                       critical, error});
        break;
    case TransferFailureKind::InUse:
        messages.show({QStringLiteral("¡El archivo se encuentra abierto!") + u'\n'
                           + QStringLiteral("Intente nuevamente por favor."),
                       critical, error});
        break;
    case TransferFailureKind::DatabaseBusy:
        messages.show({QStringLiteral("La base de datos está ocupada: otro usuario o programa la "
                                      "está modificando en este momento.")
                           + u'\n' + QStringLiteral("Intente nuevamente en unos momentos."),
                       critical, error});
        break;
    case TransferFailureKind::NoFolder:
        messages.show({QStringLiteral("Seleccionar directorio donde se encuentran") + u'\n'
                           + QStringLiteral("los archivos a transferir"),
                       qav::MbOk | qav::MbInformation, QStringLiteral("Mensaje")});
        break;
    case TransferFailureKind::Other:
        messages.show({QStringLiteral("Error Tecnico:") + u' ' + QString::number(failure.number)
                           + u' ' + failure.description,
                       critical, error});
        break;
    }
    return false;
}

QString transferredText(qint64 count)
{
    return QString::number(count) + QStringLiteral(" Transferidos");
}

QString rejectedText(qint64 count)
{
    return QString::number(count) + QStringLiteral(" Rechazados");
}

TransPerRet::TransPerRet(const Services &services, const TransferSetup &setup)
    : m_services(services)
    , m_setup(setup)
{
}

void TransPerRet::setProgress(Progress progress, int intervalMs)
{
    m_progress = std::move(progress);
    m_intervalMs = intervalMs < 0 ? 0 : intervalMs;
}

void TransPerRet::report(bool force)
{
    if (!m_progress)
        return;
    const qint64 now = m_clock.elapsed();
    if (!force && now - m_lastReport < m_intervalMs)
        return;
    m_lastReport = now;
    m_progress(*this);
}

TransferOutcome TransPerRet::run()
{
    m_transferred = 0;
    m_rejected = 0;
    m_bytesRead = 0;
    m_fileSize = 0;
    m_wroteThisRun = false;
    m_refusal = ImportFileStatus::Ok;
    m_paths = transferPaths(m_setup.folder, m_setup.reportDir, m_setup.formNumber,
                            m_setup.taxpayerId, m_setup.period);
    if (!m_setup.importFile.isEmpty())
        m_paths.importFile = m_setup.importFile;
    m_stop = false;
    m_clock.start();
    m_lastReport = 0;
    m_running = true;
    const TransferOutcome outcome = transfer();
    m_running = false;
    report(true);
    return outcome;
}

bool TransPerRet::reject(QByteArrayView line, QByteArrayView code, TransferLog &log)
{
    ++m_rejected;
    const bool ok = log.GraboLog(line, code);
    m_wroteThisRun = log.wroteThisRun();
    if (!ok)
        m_services.messages->show({log.failureMessage(), qav::MbOk | qav::MbCritical,
                                   QStringLiteral("Error")});
    return ok;
}

TransferOutcome TransPerRet::transfer()
{
    qav::MessageService &messages = *m_services.messages;
    if (m_setup.folder.isEmpty()) {
        Errores_Transferencia({TransferFailureKind::NoFolder, 0, QString()}, messages);
        return TransferOutcome::NoFolder;
    }

    // Both whole-file checks in one pass, which is the only reading of the file: the lines
    // loaded below come from the copy kept of the lines checked, so a line written to the
    // file after its checks is never loaded.
    CheckedImportFile checked;
    const ImportFileProblem problem = checked.check(m_paths.importFile);
    switch (problem.status) {
    case ImportFileStatus::Ok:
        break;
    case ImportFileStatus::WrongFieldCount:
    case ImportFileStatus::MissingSeparator:
    case ImportFileStatus::LineTooLong:
    case ImportFileStatus::WrongEncoding:
        m_refusal = problem.status;
        messages.show({problem.message, qav::MbOk | qav::MbCritical, problem.title});
        return TransferOutcome::Refused;
    case ImportFileStatus::NotFound:
        Errores_Transferencia({TransferFailureKind::NotFound, 0, QString()}, messages);
        return TransferOutcome::FileFailed;
    case ImportFileStatus::InUse:
        Errores_Transferencia({TransferFailureKind::InUse, 0, QString()}, messages);
        return TransferOutcome::FileFailed;
    case ImportFileStatus::ReadError:
    case ImportFileStatus::NotRegular:
        messages.show({problem.message, qav::MbOk | qav::MbCritical, problem.title});
        return TransferOutcome::FileFailed;
    }

    QIODevice &file = *checked.lines();
    m_fileSize = checked.size();
    report(true);

    ImportLineChecker checker(*m_services.host, *m_services.types, m_setup.period);
    MessageTable table(*m_services.db);
    TransferLog log(*m_services.host, table, m_paths);
    ImportTarget &target = *m_services.target;
    ImportLineReader reader(&file);
    ImportRecord record;
    QByteArrayView line;
    TransferOutcome outcome = TransferOutcome::Completed;
    while (!m_stop && reader.next(&line)) {
        if (checker.checkLine(line, &record)) {
            ++m_transferred;
            switch (target.add(record)) {
            case ImportTarget::Result::Added:
                break;
            case ImportTarget::Result::Duplicate:
                // Counted as transferred before the write: it is a rejection after all.
                --m_transferred;
                if (!reject(line, ImportCode::Duplicate, log))
                    outcome = TransferOutcome::LogFailed;
                break;
            case ImportTarget::Result::Failed:
                --m_transferred;
                m_transferred -= target.lost();
                Errores_Transferencia(transferFailureOf(target.error()), messages);
                outcome = TransferOutcome::RecordFailed;
                break;
            }
        } else if (!reject(line, checker.rejectionCode(), log)) {
            outcome = TransferOutcome::LogFailed;
        }
        m_bytesRead = reader.consumed();
        if (outcome != TransferOutcome::Completed)
            break;
        report(false);
    }
    if (outcome == TransferOutcome::Completed && (reader.failed() || reader.tooLong())) {
        const ImportFileProblem p = readProblem(reader, m_transferred + m_rejected + 1);
        messages.show({p.message, qav::MbOk | qav::MbCritical, p.title});
        outcome = TransferOutcome::FileFailed;
    }
    file.close();
    if (outcome == TransferOutcome::Completed && m_stop)
        outcome = TransferOutcome::Stopped;

    // What was added stays, however the run ended.
    if (!target.finish()) {
        m_transferred -= target.lost();
        if (outcome != TransferOutcome::RecordFailed)
            Errores_Transferencia(transferFailureOf(target.error()), messages);
        outcome = TransferOutcome::RecordFailed;
    }
    if (!log.close() && outcome != TransferOutcome::LogFailed) {
        messages.show({log.failureMessage(), qav::MbOk | qav::MbCritical, QStringLiteral("Error")});
        outcome = TransferOutcome::LogFailed;
    }
    return outcome;
}

TransferAnnouncement registerErrorReport(qav::Database &db, const QString &sysUser,
                                         const QString &taxpayerId, const QString &reportDir,
                                         const ErrorReportHooks &hooks,
                                         qav::MessageService &messages)
{
    TransferAnnouncement a;
    qav::DbError error;
    a.spoolName = qav::RegistraSpool(db, QStringLiteral("DE0003"), 6, taxpayerId.trimmed(), sysUser,
                                     &error);
    if (a.spoolName.isEmpty()) {
        Errores_Transferencia(transferFailureOf(error), messages);
        return a;
    }
    a.reportPath = reportDir + u'/' + a.spoolName;
    if (hooks.build) {
        QString buildError;
        a.built = hooks.build(a.spoolName, a.reportPath, &buildError);
        if (!a.built && !buildError.isEmpty())
            messages.show({QStringLiteral("Error Tecnico:") + u' ' + QString::number(qav::ErrEngine)
                               + u' ' + buildError,
                           qav::MbOk | qav::MbCritical, QStringLiteral("Error")});
        // The spool never lists a report that was not made.
        if (!a.built)
            qav::unregisterSpool(db, QStringLiteral("DE0003"), a.spoolName);
    }
    return a;
}

TransferAnnouncement announceTransfer(const TransPerRet &run, qav::Database &db,
                                      const QString &sysUser, const ErrorReportHooks &hooks,
                                      qav::MessageService &messages, bool ask)
{
    if (run.rejected() == 0) {
        if (ask)
            messages.show({QStringLiteral("Archivo : ") + run.paths().importFile
                               + QStringLiteral(" transferido"),
                           qav::MbOk | qav::MbInformation, QStringLiteral("Mensaje")});
        return {};
    }
    int answer = qav::AnsNo;
    if (ask) {
        answer = messages.show(
            {QStringLiteral("¡Algunos registros han sido rechazados!") + u'\n'
                 + QStringLiteral("Verifique Archivo Log: ") + run.paths().log + u'\n'
                 + QStringLiteral("¿Desea Visualizar Reporte de errores?"),
             qav::MbYesNo | qav::MbQuestion | qav::MbDefaultButton2, QStringLiteral("Confirmar")});
    }
    // With either answer the report is registered and built; it is shown on Yes.
    TransferAnnouncement a = registerErrorReport(db, sysUser, run.setup().taxpayerId,
                                                 run.setup().reportDir, hooks, messages);
    a.asked = ask;
    a.answer = answer;
    const bool usable = !a.spoolName.isEmpty() && (a.built || !hooks.build);
    if (usable && a.answer == qav::AnsYes && hooks.show)
        hooks.show(a.spoolName);
    return a;
}

} // namespace declmod
