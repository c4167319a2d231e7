#pragma once
// The commands of decltool, for operators who prepare import files in their accounting
// system and for scripts. Output is plain text, one line per item:
//
//   check-import FILE --year YYYY [--db DATABASE]
//       The whole-file checks (on failure: the system's message on standard error, exit
//       status 2, nothing else), then every line as the import checks it, a line repeating
//       the type, series and month of an earlier accepted line being rejected with 0228:
//         N<TAB>OK<TAB>tip_com|num_ser|per_tri|tot_ven|tot_gra|
//         N<TAB>REJECTED<TAB>CODE
//       then "transferred: T rejected: R". Exit status 0 when nothing was rejected, else 1.
//       The voucher types come from PARAM in DATABASE (SQLite, opened read-only), or from
//       the reference rows without --db. A database that cannot be read: exit status 2.
//   check-digits CONTROL ORDER      the two check digits of an order number
//   add-digit TEXT                  the text followed by its check digit (empty when empty)
//   load FILE --ruc RUC --year YYYY [--no-save]   imports into a declaration (load.h)
//   report, error-report, render    the report commands (reportcommands.h)
//
// Misuse prints the usage on standard error, exit status 64. Text is written in UTF-8.

#include <QString>
#include <QStringList>

#include <cstdio>

namespace decltool {

enum ExitStatus { ExitOk = 0, ExitRejected = 1, ExitFileFailed = 2, ExitUsage = 64 };

struct CheckImportOptions {
    QString file;
    QString year;
    QString database; // empty: the reference voucher types
};

// Runs a whole command line (without the program name).
int run(const QStringList &args, std::FILE *out, std::FILE *err);

int checkImport(const CheckImportOptions &options, std::FILE *out, std::FILE *err);

QString usageText();

} // namespace decltool
