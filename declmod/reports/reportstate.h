#pragma once
// The report values of the session, one set per process: which report the next build
// writes, the order option of the print selection, the error count of the last import and
// the page range that the preview and the printer honour.

#include "declmod/reports/imprep.h"

namespace declmod {

struct PageRange {
    int first = 1; // 1-based, inclusive
    int last = 1;
    bool contains(int page0) const { return first <= page0 + 1 && page0 + 1 <= last; }
};

struct ReportState {
    declmod::ReportKind ReportKind = DeclarationReport;
    bool byMonth = true; // "Por mes" chosen in the print selection
    int ErrorCount = 0;  // records rejected by the last import run
    bool PageRangeActive = false;
    PageRange PageFromTo;
};

ReportState &reportState();

} // namespace declmod
