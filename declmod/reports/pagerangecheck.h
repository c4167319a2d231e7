#pragma once
// The checks of the page range dialog, in their order: the first page is given, at least 1
// and not beyond the total; the last page is given and not before the first. The last page
// is not checked against the total: pages beyond the end simply do not exist.

#include <QString>

#include <optional>

namespace declmod {

struct PageRangeProblem {
    int field = 0; // 0 the first page, 1 the last page
    QString message;
};

// No value when the range is acceptable. Texts are read as numbers the way typed text is
// read (the leading number, 0 when there is none).
std::optional<PageRangeProblem> checkPageRange(const QString &first, const QString &last,
                                               const QString &total);

} // namespace declmod
