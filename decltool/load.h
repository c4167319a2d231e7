#pragma once
// decltool load: imports an import file into a declaration of the installation, as the
// import dialog of the declaration window does, and saves it as "&Grabar" does.
//
//   load FILE --ruc RUC --year YYYY [--no-save]
//
// The installation is the one named by the settings file (QAV_WINDIR), the user its
// SysUser. The RUC must be one of the user's taxpayers. An existing pending declaration of
// the RUC and exercise is opened with its stored records; otherwise a new one is started,
// the exercise checked as for a new declaration. The file is transferred by the same run as
// the dialog's (log, error list and counters alike); unless --no-save the declaration is
// then saved (records with their control values, header, DET rows cleared, estado 0 or 9)
// in one transaction, and with rejections the transfer-error report (DE0003) is registered
// in the spool and built into the report folder, as the dialog does when its question is
// answered No.
//
// Output: "transferred: T rejected: R", then "estado: E" when saved, then, with
// rejections, the paths of the log, the error list and the report, one per line (the
// report's only when it was built; a failed build is said on standard error).
// Exit status: 0 nothing rejected and estado 0 (or not saved); 1 lines rejected or estado
// 9; 2 the file or the declaration refused as a whole, or the installation unusable (the
// message on standard error; nothing saved); 64 misuse.

#include <QString>

#include <cstdio>

namespace decltool {

struct LoadOptions {
    QString file;
    QString ruc;
    QString year;
    bool save = true;
};

int load(const LoadOptions &options, std::FILE *out, std::FILE *err);

// Parses the arguments after "load"; false on misuse.
bool parseLoad(const QStringList &args, LoadOptions *options);

} // namespace decltool
