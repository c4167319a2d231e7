#pragma once
// The transfer run's part of bench_import: 100,000 lines (one in ten rejected) transferred
// into the working table, next to the sqlite3 shell's .import of the same file into a table
// with the same unique key, timed in the same run; and decltool load of 1,000,000 lines
// into a sandbox installation, load and save, end to end.

#include <QString>

int benchTransfer(int runs, const QString &folder);

// The most memory this process has held so far, in KiB.
long peakRssKiB();
