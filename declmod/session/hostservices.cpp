#include "declmod/session/hostservices.h"

#include "common/text/textfile.h"
#include "common/ui/messages.h"

#include <QFileInfo>

namespace declmod {

bool DefaultHostCharChecks::seriesTextOk(const QString &text, bool, bool, bool) const
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    for (QChar c : trimmed)
        if (!seriesCharOk(c.unicode(), true))
            return false;
    return true;
}

QString DefaultHostCharChecks::fillToWidth(const QString &text, int width, QChar fill) const
{
    if (width <= 0)
        return QString();
    return text.leftJustified(width, fill, true);
}

QString DefaultHostCharChecks::alignLeft(const QString &text, int width) const
{
    return fillToWidth(text, width, u' ');
}

void DefaultHostCharChecks::message(const QString &text, const QString &title, int kind, int,
                                    int) const
{
    int icon = 0;
    switch (kind) {
    case 1: icon = qav::MbCritical; break;
    case 2: icon = qav::MbExclamation; break;
    case 4: icon = qav::MbInformation; break;
    default: break;
    }
    qav::msgBox(text, qav::MbOk | icon, title);
}

bool HostServices::fileExists(const QString &path) const
{
    if (path.trimmed().isEmpty())
        return false;
    return QFileInfo(qav::resolveCaseInsensitive(path)).isFile();
}

QString HostServices::alignRight(const QString &text, int width) const
{
    // A longer text keeps every character: it is the caller's to let it reach further left.
    return text.rightJustified(width, u' ', false);
}

int HostServices::normalizeKey(int code) const
{
    return code;
}

} // namespace declmod
