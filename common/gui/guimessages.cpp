#include "common/gui/guimessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace qav {

QString spanishButtonText(int answer)
{
    switch (answer) {
    case AnsOk: return QStringLiteral("Aceptar");
    case AnsCancel: return QStringLiteral("Cancelar");
    case AnsYes: return QStringLiteral("Sí");
    case AnsNo: return QStringLiteral("No");
    default: return QString();
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
    // The operator reads Spanish whether or not Qt's translation is on the system.
    for (const auto &b : buttons)
        box.button(b.first)->setText(spanishButtonText(b.second));
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

} // namespace qav
