#include "declmod/session/hostservices.h"

#include "common/text/textfile.h"
#include "common/ui/messages.h"

#include <QFileInfo>

namespace declmod {

bool HostServices::fileExists(const QString &path) const
{
    if (path.trimmed().isEmpty())
        return false;
    return QFileInfo(qav::resolveCaseInsensitive(path)).isFile();
}

QString HostServices::alignLeft(const QString &text, int width) const
{
    return fillToWidth(text, width, u' ');
}

QString HostServices::alignRight(const QString &text, int width) const
{
    if (width <= 0)
        return QString();
    return text.rightJustified(width, u' ', true);
}

bool HostServices::numericCharOk(int code, bool option1, bool option2, bool option3) const
{
    return DefaultHostCharChecks::numericCharOk(code, option1, option2, option3);
}

bool HostServices::alphanumericCharOk(int code, bool option1, bool option2) const
{
    return DefaultHostCharChecks::alphanumericCharOk(code, option1, option2);
}

bool HostServices::seriesTextOk(const QString &text, bool option1, bool option2,
                                bool option3) const
{
    return DefaultHostCharChecks::seriesTextOk(text, option1, option2, option3);
}

QString HostServices::fillToWidth(const QString &text, int width, QChar fill) const
{
    if (width <= 0)
        return QString();
    return text.leftJustified(width, fill, true);
}

QString HostServices::padLeft(const QString &text, int width, QChar fill) const
{
    return DefaultHostCharChecks::padLeft(text, width, fill);
}

bool HostServices::seriesCharOk(int code, bool option) const
{
    return DefaultHostCharChecks::seriesCharOk(code, option);
}

void HostServices::message(const QString &text, const QString &title, int kind, int, int) const
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

int HostServices::normalizeKey(int code) const
{
    return code;
}

} // namespace declmod
