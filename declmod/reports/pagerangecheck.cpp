#include "declmod/reports/pagerangecheck.h"

#include "common/db/database.h"
#include "common/text/trim.h"

namespace declmod {

std::optional<PageRangeProblem> checkPageRange(const QString &first, const QString &last,
                                               const QString &total)
{
    if (qav::trimSpaces(first).isEmpty())
        return PageRangeProblem{0, QStringLiteral("Ingrese página de inicio")};
    const double from = qav::valOf(first);
    if (from <= 0)
        return PageRangeProblem{0, QStringLiteral("Página inicial debe ser a partir de 1")};
    if (from > qav::valOf(total))
        return PageRangeProblem{
            0, QStringLiteral("Página inicial no debe ser mayor a total de páginas del reporte")};
    if (qav::trimSpaces(last).isEmpty())
        return PageRangeProblem{1, QStringLiteral("Ingrese página de Fin")};
    if (qav::valOf(last) < from)
        return PageRangeProblem{1, QStringLiteral("Página de Inicio debe ser mayor a página de Fin")};
    return std::nullopt;
}

} // namespace declmod
