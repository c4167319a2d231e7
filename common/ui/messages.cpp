#include "common/ui/messages.h"

#include <QApplication>
#include <QMessageBox>
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

int GuiMessageService::show(const Message &m)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(m.title);
    box.setText(m.text);
    switch (m.icon()) {
    case MbCritical: box.setIcon(QMessageBox::Critical); break;
    case MbQuestion: box.setIcon(QMessageBox::Question); break;
    case MbExclamation: box.setIcon(QMessageBox::Warning); break;
    case MbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    QList<QPair<QMessageBox::StandardButton, int>> buttons;
    switch (m.buttons()) {
    case MbOkCancel:
        buttons = {{QMessageBox::Ok, AnsOk}, {QMessageBox::Cancel, AnsCancel}};
        break;
    case MbYesNoCancel:
        buttons = {{QMessageBox::Yes, AnsYes}, {QMessageBox::No, AnsNo},
                   {QMessageBox::Cancel, AnsCancel}};
        break;
    case MbYesNo:
        buttons = {{QMessageBox::Yes, AnsYes}, {QMessageBox::No, AnsNo}};
        break;
    default:
        buttons = {{QMessageBox::Ok, AnsOk}};
        break;
    }
    QMessageBox::StandardButtons set;
    for (const auto &b : buttons)
        set |= b.first;
    box.setStandardButtons(set);
    const int defIndex = (m.style & MbDefaultButton2) && buttons.size() > 1 ? 1 : 0;
    box.setDefaultButton(buttons[defIndex].first);
    const int clicked = box.exec();
    for (const auto &b : buttons)
        if (b.first == clicked)
            return b.second;
    // Escape or the close box: Cancel where there is one, else the last button.
    for (const auto &b : buttons)
        if (b.second == AnsCancel)
            return AnsCancel;
    return buttons.last().second;
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
