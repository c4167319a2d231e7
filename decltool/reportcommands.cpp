#include "decltool/reportcommands.h"

#include "decltool/commands.h"

#include "declmod/import/transperret.h"
#include "declmod/reports/errorreport.h"
#include "declmod/reports/imprep.h"
#include "declmod/reports/pdfexport.h"
#include "declmod/reports/printselection.h"
#include "declmod/reports/reportpages.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"
#include "declmod/session/startup.h"

#include "common/db/database.h"
#include "common/install/installation.h"
#include "common/report/reportreader.h"
#include "common/ui/messages.h"

#include <QHash>
#include <QRegularExpression>

namespace decltool {
namespace {

enum { Ok = 0, Failed = 1, Usage = 64 };

void put(std::FILE *f, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
}

int usage(std::FILE *err)
{
    put(err, usageText());
    return Usage;
}

int fail(std::FILE *err, const QString &message)
{
    put(err, QStringLiteral("decltool: ") + message + u'\n');
    return Failed;
}

// "--name value" options; false on an unknown, repeated or valueless option.
bool readOptions(const QStringList &args, const QStringList &names, QHash<QString, QString> *values,
                 QStringList *positional)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a.startsWith(u"--")) {
            const QString name = a.mid(2);
            if (!names.contains(name) || values->contains(name) || i + 1 >= args.size())
                return false;
            values->insert(name, args[++i]);
        } else {
            positional->append(a);
        }
    }
    return true;
}

bool isDigits(const QString &text, int length)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return (length == 0 || text.size() == length) && digits.match(text).hasMatch();
}

// The installation named by the settings file, with its database open through the shared
// entry, as every program of the suite opens it.
struct Installation {
    QString sysPath, reportDir, sysUser;
    qav::Database db{QStringLiteral("decltool-report")};

    bool open(QString *error)
    {
        const qav::InstallationSettings settings = qav::readInstallationSettings();
        if (!readFolders(settings, &sysPath, error))
            return false;
        sysUser = settings.sysUser;
        reportDir = sysPath + QStringLiteral("RPT");
        const QString file = settings.dbPath + settings.dbName;
        if (!qav::openSharedDatabase(db, file, qav::workgroupFileIn(sysPath))) {
            *error = cannotOpen(file, db);
            return false;
        }
        return true;
    }

    // The host folder of the settings; false when they name none.
    static bool readFolders(const qav::InstallationSettings &settings, QString *sysPath,
                            QString *error)
    {
        *sysPath = settings.sysPath;
        if (sysPath->isEmpty()) {
            *error = QStringLiteral("no installation: %1 names no SysPath").arg(settings.settingsFile);
            return false;
        }
        return true;
    }

    static QString cannotOpen(const QString &file, const qav::Database &db)
    {
        return QStringLiteral("cannot open the database %1: %2").arg(file, db.lastError().text);
    }
};

const QString kForm = QStringLiteral("7093");

// The transfer-error report of the last import of `ruc`, built on the module's session as
// the import builds it.
int sessionErrorReport(const QString &ruc, const QString &year, std::FILE *out, std::FILE *err)
{
    using namespace declmod;
    Session &s = session();
    const qav::InstallationSettings settings = qav::readInstallationSettings();
    QString why, sysPath;
    if (!Installation::readFolders(settings, &sysPath, &why))
        return fail(err, why);
    ReadSessionSettings();
    s.FormNumber = kForm;
    if (!s.Db.isOpen() && !qav::openSharedDatabase(s.Db, s.DbFile, qav::workgroupFileIn(s.SysPath)))
        return fail(err, Installation::cannotOpen(s.DbFile, s.Db));
    QString name;
    if (!readTaxpayerName(s.Db, ruc, &name, &why))
        return fail(err, why.isEmpty() ? QStringLiteral("no taxpayer %1").arg(ruc) : why);
    s.TaxpayerId = ruc;
    s.TaxpayerName = name;
    s.Period = year;
    s.Semana = 0;
    const TransferAnnouncement report = registerErrorReport(
        s.Db, s.SysUser, ruc, s.ReportDir, transferErrorReportHooks(), qav::messages());
    // What failed is on standard error already.
    if (!report.built)
        return Failed;
    put(out, report.reportPath + u'\t' + QString::number(qav::LeeNumHojas(report.reportPath)) + u'\n');
    return Ok;
}

} // namespace

QString reportUsageText()
{
    return QStringLiteral("       decltool report --ruc RUC --year YYYY [--correl C] [--by month|series]\n"
                          "       decltool error-report --ruc RUC --year YYYY\n"
                          "       decltool render DOCUMENT --pdf OUT [--pages FROM-TO]\n");
}

bool commandNeedsGui(const QStringList &args)
{
    return !args.isEmpty() && args.first() == u"render";
}

int reportCommand(const QStringList &args, std::FILE *out, std::FILE *err)
{
    QHash<QString, QString> o;
    QStringList rest;
    if (!readOptions(args, {QStringLiteral("ruc"), QStringLiteral("year"), QStringLiteral("correl"),
                            QStringLiteral("by")},
                     &o, &rest)
        || !rest.isEmpty() || !isDigits(o.value(QStringLiteral("ruc")), 11)
        || !isDigits(o.value(QStringLiteral("year")), 4))
        return usage(err);
    const QString by = o.value(QStringLiteral("by"), QStringLiteral("month"));
    if (by != u"month" && by != u"series")
        return usage(err);
    const bool sent = o.contains(QStringLiteral("correl"));
    if (sent && o.value(QStringLiteral("correl")).trimmed().isEmpty())
        return usage(err);

    Installation inst;
    QString why;
    if (!inst.open(&why))
        return fail(err, why);
    QList<declmod::DeclarationRow> rows;
    if (!declmod::readPrintList(inst.db, sent, kForm, inst.sysUser, &rows, &why))
        return fail(err, why);
    const QString ruc = o.value(QStringLiteral("ruc")), year = o.value(QStringLiteral("year"));
    const declmod::DeclarationRow *chosen = nullptr;
    for (const declmod::DeclarationRow &r : std::as_const(rows)) {
        if (r.DOC_ID_D.trimmed() == ruc && r.Periodo.trimmed() == year
            && (!sent || r.Correl.trimmed() == o.value(QStringLiteral("correl")).trimmed())) {
            chosen = &r;
            break;
        }
    }
    if (!chosen)
        return fail(err, sent ? QStringLiteral("no sent declaration %1 %2 with correlative %3 for user %4")
                                    .arg(ruc, year, o.value(QStringLiteral("correl")), inst.sysUser)
                              : QStringLiteral("no pending declaration %1 %2 for user %3")
                                    .arg(ruc, year, inst.sysUser));
    const declmod::HostServices host;
    const declmod::PreparedReport report = declmod::prepareDeclarationReport(
        inst.db, host, declmod::reportDeclaration(*chosen), sent, by == u"month", kForm,
        inst.reportDir, inst.sysUser);
    if (!report.ok)
        return fail(err, report.message);
    put(out, report.path + u'\t' + QString::number(report.pages) + u'\n');
    return Ok;
}

int errorReportCommand(const QStringList &args, std::FILE *out, std::FILE *err)
{
    QHash<QString, QString> o;
    QStringList rest;
    if (!readOptions(args, {QStringLiteral("ruc"), QStringLiteral("year")}, &o, &rest)
        || !rest.isEmpty() || !isDigits(o.value(QStringLiteral("ruc")), 11)
        || !isDigits(o.value(QStringLiteral("year")), 4))
        return usage(err);
    const int status = sessionErrorReport(o.value(QStringLiteral("ruc")),
                                          o.value(QStringLiteral("year")), out, err);
    // The session outlives the application object: its database is closed here, once every
    // statement of the build is gone.
    declmod::session().Db.close();
    return status;
}

int renderCommand(const QStringList &args, std::FILE *out, std::FILE *err)
{
    QHash<QString, QString> o;
    QStringList rest;
    if (!readOptions(args, {QStringLiteral("pdf"), QStringLiteral("pages")}, &o, &rest)
        || rest.size() != 1 || o.value(QStringLiteral("pdf")).isEmpty())
        return usage(err);
    declmod::PageRange range;
    const bool ranged = o.contains(QStringLiteral("pages"));
    if (ranged) {
        static const QRegularExpression form(QStringLiteral("^([0-9]{1,5})-([0-9]{1,5})$"));
        const auto m = form.match(o.value(QStringLiteral("pages")));
        if (!m.hasMatch())
            return usage(err);
        range.first = m.captured(1).toInt();
        range.last = m.captured(2).toInt();
        if (range.first < 1 || range.last < range.first)
            return usage(err);
    }
    declmod::ReportPages pages;
    QString why;
    if (!pages.open(rest.first(), &why))
        return fail(err, QStringLiteral("cannot read %1: %2").arg(rest.first(), why));
    int written = 0;
    if (!declmod::renderToPdf(pages, ranged ? &range : nullptr, o.value(QStringLiteral("pdf")), &why,
                              &written))
        return fail(err, why);
    put(out, QString::number(written) + u'\n');
    return Ok;
}

} // namespace decltool
