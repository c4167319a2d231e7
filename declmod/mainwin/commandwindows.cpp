#include "declmod/mainwin/commandwindows.h"

#include "declmod/declaration/frm745.h"
#include "declmod/mainwin/frmabrirenv.h"
#include "declmod/mainwin/frmacercade.h"
#include "declmod/mainwin/frmbancos.h"
#include "declmod/mainwin/frmmodfor.h"
#include "declmod/reports/frmimprimir.h"
#include "declmod/voucher/frmdetalle.h"

#include <QDialog>

namespace declmod {

bool commandHasWindow(MainCommand command)
{
    switch (command) {
    case MainCommand::Profesiones:
    case MainCommand::Comprobantes:
    case MainCommand::Uit:
    case MainCommand::Acerca:
    case MainCommand::Nueva:
    case MainCommand::Modificar:
    case MainCommand::Eliminar:
    case MainCommand::VerEnviadas:
    case MainCommand::EliminarEnviada:
    case MainCommand::Imprimir:
    case MainCommand::ImprimirEnviada:
        return true;
    // Salir and Ayuda are not windows of their own.
    case MainCommand::Salir:
    case MainCommand::Ayuda:
        return false;
    }
    return false;
}

std::unique_ptr<QDialog> createCommandWindow(MainCommand command, QWidget *parent)
{
    switch (command) {
    case MainCommand::Profesiones:
    case MainCommand::Comprobantes:
    case MainCommand::Uit:
        return std::make_unique<frmBancos>(parent);
    case MainCommand::Acerca:
        return std::make_unique<frmAcercade>(parent);
    case MainCommand::Nueva:
        installDetailDialog();
        return std::make_unique<Frm745>(parent);
    case MainCommand::Modificar:
    case MainCommand::Eliminar:
    case MainCommand::EliminarEnviada:
        return std::make_unique<frmModFor>(parent);
    case MainCommand::VerEnviadas:
        return std::make_unique<frmAbrirEnv>(parent);
    case MainCommand::Imprimir:
    case MainCommand::ImprimirEnviada: {
        auto window = std::make_unique<frmImprimir>(parent);
        window->load();
        return window;
    }
    default:
        return nullptr;
    }
}

} // namespace declmod
