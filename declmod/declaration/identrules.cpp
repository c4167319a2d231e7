#include "declmod/declaration/identrules.h"

#include "common/text/trim.h"

namespace declmod {
namespace {

bool aboveLastYear(const QString &exercise, int currentYear)
{
    bool ok = false;
    const int year = exercise.trimmed().toInt(&ok);
    return ok && year > currentYear - 1;
}

} // namespace

bool exerciseRefusedWhileTyping(const QString &exercise, int currentYear)
{
    return exercise < QStringLiteral("2004") || aboveLastYear(exercise, currentYear);
}

bool exerciseRefusedByCheck(const QString &exercise, int currentYear)
{
    bool numeric = false;
    exercise.trimmed().toInt(&numeric);
    if (!numeric)
        return true;
    return exercise < QStringLiteral("2000") || aboveLastYear(exercise, currentYear);
}

bool telephoneAccepted(const QString &telephone)
{
    return telephone.isEmpty() || telephone.size() >= 6;
}

QString rucOfItem(const QString &item)
{
    return qav::trimSpaces(QStringView(item).left(11)).toString();
}

QString itemPart(const QString &item, int from, int to)
{
    if (from < 1 || to < from)
        return QString();
    return item.mid(from - 1, to - from + 1);
}

} // namespace declmod
