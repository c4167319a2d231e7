#pragma once
// The message service of the programs that have a window: each message is a modal
// QMessageBox on the active window, with the icon, buttons and default button its style
// asks for. The answer is the platform's number of the button chosen; Escape or the close
// box answers Cancel where there is a Cancel button, else the last button. The buttons
// read "Aceptar", "Cancelar", "Sí" and "No" whatever translation Qt has loaded.
//
// This is the only part of the shared code that needs Qt Widgets; it lives in the small
// library qav_gui so that qav_common stays free of them.

#include "common/ui/messages.h"

namespace qav {

// The caption of the button that gives `answer` (AnsOk, AnsCancel, AnsYes, AnsNo).
QString spanishButtonText(int answer);

class GuiMessageService : public MessageService
{
public:
    int show(const Message &message) override;
};

} // namespace qav
