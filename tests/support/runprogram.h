#pragma once
// A program of the suite run as scripts run it, without a screen (no display named at all), for the tests that
// check what it prints and how it ends.

#include <QString>
#include <QStringList>

namespace qavtest {

struct ProgramRun {
    int exitCode = -1; // -2 when it crashed; -1 when it did not start or end in 3 minutes
    QString out;
    QString err;
};

// Runs `program` (a path) with `args`; QAV_WINDIR names `windir` when it is given.
ProgramRun runProgram(const QString &program, const QStringList &args,
                      const QString &windir = QString());

} // namespace qavtest
