#pragma once
// The window each main-window command opens: the one place where a command is tied to its
// window. A command whose window is not part of the module yet has none; the main window
// keeps its menu item and tool-bar button disabled.
//
// To plug a window in: return true for its command in commandHasWindow() and create it in
// createCommandWindow().

#include "declmod/mainwin/commands.h"

#include <memory>

class QDialog;
class QWidget;

namespace declmod {

bool commandHasWindow(MainCommand command);

// A fresh, loaded instance of the command's window, or nullptr when it has none.
std::unique_ptr<QDialog> createCommandWindow(MainCommand command, QWidget *parent);

} // namespace declmod
