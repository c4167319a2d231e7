#pragma once
// ImportFileCheck: checks a whole import file exactly as the import would, without a
// database: the whole-file checks first, then every line in order, where a line that
// repeats the type, series and month of an earlier accepted line of the same file is
// rejected with "0228". Used by decltool and the benchmark.
//
// The file is read once in large blocks, by the whole-file checks, which keep a copy of
// the lines they checked for the line checks (CheckedImportFile); memory does not grow with
// the file's length beyond the set of accepted keys.
//
// Errors: run() returns the whole-file problem (then no line was passed on), or a read
// failure met during the second pass (lines up to that point were passed on).

#include "declmod/import/importfile.h"
#include "declmod/import/importline.h"

#include <functional>

namespace declmod {

struct ImportLineResult {
    qint64 number = 0;       // 1-based line number
    bool accepted = false;
    QByteArrayView code;     // the rejection code when not accepted
    const ImportRecord *record = nullptr; // the values written when accepted
};

class ImportFileCheck
{
public:
    using Sink = std::function<void(const ImportLineResult &)>;

    ImportFileCheck(const HostCharChecks &checks, const VoucherTypeSet &types,
                    const QString &period);
    ~ImportFileCheck();

    ImportFileProblem run(const QString &path, const Sink &sink);

    qint64 transferred() const { return m_transferred; }
    qint64 rejected() const { return m_rejected; }

private:
    class KeySet;
    ImportLineChecker m_checker;
    qint64 m_transferred = 0;
    qint64 m_rejected = 0;
};

} // namespace declmod
