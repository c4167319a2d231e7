#include "declmod/mainwin/declarationwindow.h"

#include "declmod/declaration/frm745.h"
#include "declmod/voucher/frmdetalle.h"

namespace declmod {
namespace {

DeclarationWindowOpener &opener()
{
    static DeclarationWindowOpener o;
    return o;
}

} // namespace

void openDeclarationWindow(QWidget *parent)
{
    if (const DeclarationWindowOpener &o = opener()) {
        o(parent);
        return;
    }
    installDetailDialog();
    Frm745 window(parent);
    window.setWindowModality(Qt::ApplicationModal);
    window.exec();
}

void setDeclarationWindowOpener(DeclarationWindowOpener o)
{
    opener() = std::move(o);
}

} // namespace declmod
