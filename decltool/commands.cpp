#include "decltool/commands.h"

#include "common/db/account.h"
#include "decltool/load.h"

#include "decltool/reportcommands.h"

#include "declmod/declaration/checkdigits.h"
#include "declmod/import/filecheck.h"
#include "declmod/import/vouchertypes.h"
#include "declmod/session/hostservices.h"

#include "common/db/database.h"
#include "common/install/installation.h"
#include "common/text/textfile.h"

#include <QAtomicInt>
#include <QRegularExpression>

#include <charconv>
#include <cstring>

namespace decltool {
namespace {

void writeText(std::FILE *f, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
}

int usage(std::FILE *err)
{
    writeText(err, usageText());
    return ExitUsage;
}

// Output gathered in a large buffer and written in blocks.
class Output
{
public:
    explicit Output(std::FILE *f) : m_file(f) { m_buffer.reserve(kBlock + 256); }
    ~Output() { flush(); }

    void append(QByteArrayView bytes) { m_buffer.append(bytes.data(), bytes.size()); }
    void append(char c) { m_buffer.push_back(c); }
    void appendNumber(qint64 n)
    {
        char digits[24];
        const auto r = std::to_chars(digits, digits + sizeof digits, n);
        m_buffer.append(digits, size_t(r.ptr - digits));
    }
    // A field of the file's code page, written in UTF-8.
    void appendField(QByteArrayView cp1252)
    {
        bool ascii = true;
        for (char c : cp1252)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii)
            append(cp1252);
        else
            append(qav::decodeCp1252(cp1252).toUtf8());
        append('|');
    }
    void endLine()
    {
        append('\n');
        if (m_buffer.size() >= kBlock)
            flush();
    }
    void flush()
    {
        if (!m_buffer.empty())
            std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file);
        m_buffer.clear();
    }

private:
    static constexpr size_t kBlock = 1 << 16;
    std::FILE *m_file;
    std::string m_buffer;
};

bool isYear(const QString &text)
{
    if (text.size() != 4)
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool databaseCodes(const QString &file, QStringList *codes, QString *error)
{
    static QAtomicInt counter;
    qav::Database db(QStringLiteral("decltool-%1").arg(counter.fetchAndAddRelaxed(1)));
    if (!qav::openDatabaseForReading(db, file)) {
        *error = db.lastError().text;
        return false;
    }
    return declmod::ParamVoucherTypes(db.handle()).codes(codes, error);
}

} // namespace

QString usageText()
{
    return QStringLiteral("usage: decltool check-import FILE --year YYYY [--db DATABASE]\n"
                          "       decltool check-digits CONTROL ORDER\n"
                          "       decltool add-digit TEXT\n"
                          "       decltool server-role [DATABASE]\n"
                          "       decltool load FILE --ruc RUC --year YYYY [--no-save]\n")
           + reportUsageText();
}

int checkImport(const CheckImportOptions &options, std::FILE *out, std::FILE *err)
{
    QStringList codes;
    QString error;
    if (options.database.isEmpty()) {
        declmod::ReferenceVoucherTypes().codes(&codes, &error);
    } else if (!databaseCodes(options.database, &codes, &error)) {
        writeText(err, QStringLiteral("decltool: cannot read the voucher types of %1: %2\n")
                           .arg(options.database, error));
        return ExitFileFailed;
    }
    const declmod::VoucherTypeSet types(codes);
    const declmod::DefaultHostCharChecks checks;
    declmod::ImportFileCheck check(checks, types, options.year);

    Output output(out);
    const declmod::ImportFileProblem problem =
        check.run(options.file, [&output](const declmod::ImportLineResult &r) {
            output.appendNumber(r.number);
            if (r.accepted) {
                output.append("\tOK\t");
                output.appendField(r.record->tip_com.view());
                output.appendField(r.record->num_ser.view());
                output.appendField(r.record->per_tri.view());
                output.appendField(r.record->tot_ven.view());
                output.appendField(r.record->tot_gra.view());
            } else {
                output.append("\tREJECTED\t");
                output.append(r.code);
            }
            output.endLine();
        });
    if (problem.status != declmod::ImportFileStatus::Ok) {
        output.flush();
        std::fflush(out);
        writeText(err, problem.message + u'\n');
        return ExitFileFailed;
    }
    output.append("transferred: ");
    output.appendNumber(check.transferred());
    output.append(" rejected: ");
    output.appendNumber(check.rejected());
    output.endLine();
    output.flush();
    return check.rejected() == 0 ? ExitOk : ExitRejected;
}

int run(const QStringList &args, std::FILE *out, std::FILE *err)
{
    if (args.isEmpty())
        return usage(err);
    const QString command = args.first();
    if (command == u"check-digits") {
        if (args.size() != 3)
            return usage(err);
        writeText(out, declmod::CalculaDigitos(args[1], args[2]) + u'\n');
        return ExitOk;
    }
    if (command == u"add-digit") {
        if (args.size() != 2)
            return usage(err);
        writeText(out, declmod::AgregaDigito(args[1]) + u'\n');
        return ExitOk;
    }
    if (command == u"server-role") {
        // The statements that make the module's account a login role of a database server
        // (its password only as a verifier) and, when named, the database it owns: run by
        // the server's administrator.
        static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
        if (args.size() > 2 || (args.size() == 2 && !name.match(args[1]).hasMatch()))
            return usage(err);
        QString text = qav::moduleRoleSql() + QStringLiteral(";\n");
        if (args.size() == 2)
            text += QStringLiteral("CREATE DATABASE %1 OWNER %2 ENCODING 'UTF8' TEMPLATE template0;\n")
                        .arg(args[1], qav::moduleUser());
        writeText(out, text);
        return ExitOk;
    }
    if (command == u"load") {
        LoadOptions options;
        if (!parseLoad(args.mid(1), &options))
            return usage(err);
        return load(options, out, err);
    }
    if (command == u"report")
        return reportCommand(args.mid(1), out, err);
    if (command == u"error-report")
        return errorReportCommand(args.mid(1), out, err);
    if (command == u"render")
        return renderCommand(args.mid(1), out, err);
    if (command != u"check-import")
        return usage(err);

    CheckImportOptions options;
    bool haveFile = false, haveYear = false, haveDb = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == u"--year" || a == u"--db") {
            if (i + 1 >= args.size())
                return usage(err);
            bool &seen = a == u"--year" ? haveYear : haveDb;
            if (seen)
                return usage(err);
            seen = true;
            (a == u"--year" ? options.year : options.database) = args[++i];
        } else if (a.startsWith(u"--") || haveFile) {
            return usage(err);
        } else {
            options.file = a;
            haveFile = true;
        }
    }
    if (!haveFile || options.file.isEmpty() || !haveYear || !isYear(options.year)
        || (haveDb && options.database.isEmpty()))
        return usage(err);
    return checkImport(options, out, err);
}

} // namespace decltool
