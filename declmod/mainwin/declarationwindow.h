#pragma once
// How the selection windows open the declaration window Frm745 for the declaration the
// session names: a fresh instance, shown modally; the call returns when it is closed. The
// voucher dialog is installed as the one the window opens for its records.
//
// Tests replace the opener to see what the window would be opened on without showing it;
// an empty opener restores the real one.

#include <functional>

class QWidget;

namespace declmod {

using DeclarationWindowOpener = std::function<void(QWidget *parent)>;

void openDeclarationWindow(QWidget *parent);
void setDeclarationWindowOpener(DeclarationWindowOpener opener);

} // namespace declmod
