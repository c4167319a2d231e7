#include "declmod/reports/errorlist.h"

#include "common/text/textfile.h"

namespace declmod {

QString errorListPath(const QString &reportDir, const QString &taxpayerId)
{
    return qav::resolveCaseInsensitive(reportDir + taxpayerId + QStringLiteral(".err"));
}

} // namespace declmod
