#include "decltool/load.h"

#include "declmod/declaration/declarationkey.h"
#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/identrules.h"
#include "declmod/declaration/validation.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/import/importtarget.h"
#include "declmod/import/transperret.h"
#include "declmod/import/vouchertypes.h"
#include "declmod/reports/errorreport.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/lookups.h"
#include "declmod/session/session.h"
#include "declmod/session/startup.h"

#include "common/install/installation.h"
#include "common/time/clock.h"
#include "common/ui/messages.h"

#include <QFileInfo>
#include <QStringList>

#include <climits>
#include <optional>

namespace decltool {
namespace {

void print(std::FILE *f, const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
    std::fflush(f);
}

bool isDigits(const QString &text, int length)
{
    if (text.size() != length)
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// The taxpayers `user` may see, as the taxpayer list of a new declaration.
bool userHasTaxpayer(qav::Database &db, const QString &user, const QString &ruc, bool *found)
{
    QList<declmod::TaxpayerRow> rows;
    if (!declmod::readTaxpayers(db, QStringLiteral("7093"), user, &rows))
        return false;
    *found = false;
    for (const declmod::TaxpayerRow &row : rows)
        *found = *found || row.number.trimmed() == ruc;
    return true;
}

} // namespace

static int loadInto(const LoadOptions &options, std::FILE *out, std::FILE *err);

bool parseLoad(const QStringList &args, LoadOptions *options)
{
    bool haveFile = false, haveRuc = false, haveYear = false, haveNoSave = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == u"--ruc" || a == u"--year") {
            bool &seen = a == u"--ruc" ? haveRuc : haveYear;
            if (seen || i + 1 >= args.size())
                return false;
            seen = true;
            (a == u"--ruc" ? options->ruc : options->year) = args[++i];
        } else if (a == u"--no-save") {
            if (haveNoSave)
                return false;
            haveNoSave = true;
            options->save = false;
        } else if (a.startsWith(u"--") || haveFile || a.isEmpty()) {
            return false;
        } else {
            options->file = a;
            haveFile = true;
        }
    }
    return haveFile && haveRuc && haveYear && isDigits(options->ruc, 11)
        && isDigits(options->year, 4);
}

static int loadInto(const LoadOptions &options, std::FILE *out, std::FILE *err)
{
    using namespace declmod;
    // Reading the settings moves into SysPath: the file is named before that.
    const QString file = QFileInfo(options.file).absoluteFilePath();
    Session &s = session();
    ReadSessionSettings();
    s.FormNumber = QStringLiteral("7093");
    s.Semana = 0;
    // Another session saving holds the file's write lock: said plainly, nothing saved.
    auto busy = [&]() {
        print(err, QStringLiteral("decltool: la declaración %1 del contribuyente %2, ejercicio %3,"
                                  " no se pudo cargar: otra sesión está grabando en la base de"
                                  " datos %4. No se grabó nada; intente nuevamente.")
                       .arg(s.FormNumber, options.ruc, options.year, s.DbFile));
        return 2;
    };
    if (!s.Db.isOpen() && !qav::openSharedDatabase(s.Db, s.DbFile, qav::workgroupFileIn(s.SysPath))) {
        if (s.Db.lastError().number == qav::ErrLocked)
            return busy();
        print(err, QStringLiteral("decltool: cannot open the database %1: %2 (%3)")
                       .arg(s.DbFile, s.Db.lastError().text)
                       .arg(s.Db.lastError().number));
        return 2;
    }
    auto failed = [&](const QString &what) {
        print(err, QStringLiteral("decltool: %1: %2 (%3)")
                       .arg(what, s.Db.lastError().text)
                       .arg(s.Db.lastError().number));
        return 2;
    };

    bool mine = false;
    if (!userHasTaxpayer(s.Db, s.SysUser, options.ruc, &mine))
        return failed(QStringLiteral("cannot read the taxpayers"));
    if (!mine) {
        print(err, QStringLiteral("decltool: the taxpayer %1 is not one of the taxpayers of %2")
                       .arg(options.ruc, s.SysUser));
        return 2;
    }

    DeclarationKey key{options.ruc, options.year, s.FormNumber, 0, QString()};
    DeclarationStore store(s.Db);
    WorkingTable table(s.Db);
    if (!table.create() || !table.clear())
        return failed(QStringLiteral("cannot prepare the working table"));
    // The declaration is held from reading its stored records to saving them, so that a
    // second load of it at the same time waits for this one (within the busy timeout) or is
    // refused: never two saves each of which leaves the other's file out.
    std::optional<qav::Transaction> hold;
    if (options.save) {
        hold.emplace(s.Db, key.holdName());
        if (!hold->isActive())
            return s.Db.lastError().number == qav::ErrLocked
                ? busy()
                : failed(QStringLiteral("cannot hold the declaration"));
    }
    if (store.headerExists(key.taxpayerId, key.period, key.formNumber)) {
        // An existing pending declaration, opened with its stored records.
        s.FormMode = 2;
        if (!table.fillFromStored(key, false))
            return failed(QStringLiteral("cannot read the stored records"));
    } else {
        s.FormMode = 1;
        if (exerciseRefusedByCheck(key.period, qav::today().year())) {
            qav::msgBox(QStringLiteral("¡El Ejercicio no es Válido!"), qav::MbOk | qav::MbCritical,
                        QStringLiteral("QAV Detalle de Operaciones "));
            return 2;
        }
    }
    s.TaxpayerId = key.taxpayerId;
    s.Period = key.period;

    QStringList codes;
    QString error;
    if (!ParamVoucherTypes(s.Db.handle()).codes(&codes, &error)) {
        print(err, QStringLiteral("decltool: cannot read the voucher types: ") + error);
        return 2;
    }
    const VoucherTypeSet types(codes);
    const HostServices host;
    WorkingTableTarget target(s.Db);
    TransferSetup setup{QFileInfo(file).path(), s.ReportDir, s.FormNumber, s.TaxpayerId,
                        s.Period, file};
    TransPerRet run({&host, &types, &s.Db, &target, &qav::messages()}, setup);
    const TransferOutcome outcome = run.run();
    if (outcome != TransferOutcome::Completed) {
        // The message is on standard error already; the declaration is left as stored.
        table.clear();
        return 2;
    }
    reportState().ErrorCount = int(qMin<qint64>(run.rejected(), INT_MAX));
    print(out, QStringLiteral("transferred: %1 rejected: %2").arg(run.transferred()).arg(run.rejected()));

    int estado = 0;
    if (options.save) {
        ValidationHooks hooks;
        hooks.caption = QStringLiteral("QAV Detalle de Operaciones ");
        hooks.sysPath = s.SysPath;
        hooks.inconsistencyText = &s.InconsistencyText;
        const bool consistent = ValidaTodo(s.Db, QStringLiteral("2"), hooks);
        if (!store.savePending(key, consistent, qav::today())) {
            print(err, QStringLiteral("decltool: the declaration was not saved: %1 (%2)")
                           .arg(store.lastError().text)
                           .arg(store.lastError().number));
            table.clear();
            return 2;
        }
        if (!hold->commit()) {
            print(err, QStringLiteral("decltool: the declaration was not saved: %1 (%2)")
                           .arg(s.Db.lastError().text)
                           .arg(s.Db.lastError().number));
            table.clear();
            return 2;
        }
        estado = consistent ? 0 : 9;
        print(out, QStringLiteral("estado: %1").arg(estado));
    }
    if (run.rejected() > 0) {
        // Registered and built as the window does when the question is answered No.
        const TransferAnnouncement a = announceTransfer(run, s.Db, s.SysUser,
                                                        transferErrorReportHooks(),
                                                        qav::messages(), false);
        print(out, run.paths().log);
        print(out, run.paths().errorList);
        if (a.built) {
            print(out, a.reportPath);
        } else {
            // Why is on standard error already (the build's or the spool's message).
            print(err, QStringLiteral("decltool: the error report was not written"));
            table.clear();
            return 3;
        }
    }
    table.clear();
    return run.rejected() > 0 || estado == 9 ? 1 : 0;
}

int load(const LoadOptions &options, std::FILE *out, std::FILE *err)
{
    const int status = loadInto(options, out, err);
    // The session outlives the application object: its database is closed here, once
    // every statement of the load is gone.
    declmod::session().Db.close();
    return status;
}

} // namespace decltool
