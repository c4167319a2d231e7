#include "common/ui/messages.h"

#include <QTextStream>

#include <cstdio>

namespace qav {

int defaultAnswer(int style)
{
    const bool second = style & MbDefaultButton2;
    switch (style & 7) {
    case MbOkCancel:
        return second ? AnsCancel : AnsOk;
    case MbYesNo:
    case MbYesNoCancel:
        return second ? AnsNo : AnsYes;
    default:
        return AnsOk;
    }
}

int ConsoleMessageService::show(const Message &m)
{
    QTextStream err(stderr);
    if (m.title.isEmpty())
        err << m.text << '\n';
    else
        err << m.title << ": " << m.text << '\n';
    err.flush();
    return defaultAnswer(m.style);
}

int ScriptedMessageService::show(const Message &m)
{
    shown << m;
    if ((m.buttons() != MbOk) && !answers.isEmpty())
        return answers.takeFirst();
    return defaultAnswer(m.style);
}

namespace {
std::shared_ptr<MessageService> &current()
{
    static std::shared_ptr<MessageService> service = std::make_shared<ConsoleMessageService>();
    return service;
}
} // namespace

MessageService &messages()
{
    return *current();
}

void setMessageService(std::shared_ptr<MessageService> service)
{
    current() = service ? std::move(service) : std::make_shared<ConsoleMessageService>();
}

int msgBox(const QString &text, int style, const QString &title)
{
    return messages().show(Message{text, style, title});
}

bool displayAvailable()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.startsWith(QLatin1String("offscreen")) || platform.startsWith(QLatin1String("minimal")))
        return false;
    return !qEnvironmentVariable("DISPLAY").isEmpty()
           || !qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty();
}

} // namespace qav
