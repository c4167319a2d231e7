#pragma once
// Every message box of the programs goes through one service, so that windows show
// QMessageBox (GuiMessageService, in the small GUI library common/gui), programs without a
// display write to standard error, and tests script the answers and read back what was
// shown. This part needs no widgets.
//
// A message has a text, a style (buttons + icon + default button, as the platform's
// numbers: buttons 0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No; icon 16 critical,
// 32 question, 48 exclamation, 64 information; 256 makes the second button the default)
// and a title. The answer is 1 OK, 2 Cancel, 6 Yes, 7 No.

#include <QList>
#include <QString>

#include <memory>

namespace qav {

enum MsgStyle : int {
    MbOk = 0,
    MbOkCancel = 1,
    MbYesNoCancel = 3,
    MbYesNo = 4,
    MbCritical = 16,
    MbQuestion = 32,
    MbExclamation = 48,
    MbInformation = 64,
    MbDefaultButton2 = 256,
};

enum MsgAnswer : int { AnsOk = 1, AnsCancel = 2, AnsYes = 6, AnsNo = 7 };

struct Message {
    QString text;
    int style = 0;
    QString title;
    int buttons() const { return style & 7; }
    int icon() const { return style & 0x70; }
};

class MessageService
{
public:
    virtual ~MessageService() = default;
    virtual int show(const Message &message) = 0;
};

// The answer a box gives when nobody can be asked: the default button (the second one
// with 256, else the first).
int defaultAnswer(int style);

// Standard error: "title: text"; questions take their default answer.
class ConsoleMessageService : public MessageService
{
public:
    int show(const Message &message) override;
};

// For tests: records every message; answers questions from a queue (default answer
// when the queue is empty).
class ScriptedMessageService : public MessageService
{
public:
    int show(const Message &message) override;
    QList<Message> shown;
    QList<int> answers;
};

// The process-wide service (a ConsoleMessageService until one is installed).
MessageService &messages();
void setMessageService(std::shared_ptr<MessageService> service);

// Shows a message through the process-wide service.
int msgBox(const QString &text, int style = MbOk, const QString &title = QString());

// True when a window system can be reached: a display is named and the platform is not
// the offscreen one.
bool displayAvailable();

} // namespace qav
