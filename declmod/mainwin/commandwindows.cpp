#include "declmod/mainwin/commandwindows.h"

#include "declmod/mainwin/frmacercade.h"
#include "declmod/mainwin/frmbancos.h"

#include <QDialog>

namespace declmod {

bool commandHasWindow(MainCommand command)
{
    switch (command) {
    case MainCommand::Profesiones:
    case MainCommand::Comprobantes:
    case MainCommand::Uit:
    case MainCommand::Acerca:
        return true;
    // Frm745 (Nueva), frmModFor (Modificar, Eliminar, EliminarEnviada), frmImprimir
    // (Imprimir, ImprimirEnviada) and frmAbrirEnv (VerEnviadas) are not part of the module
    // yet.
    case MainCommand::Nueva:
    case MainCommand::Modificar:
    case MainCommand::Eliminar:
    case MainCommand::Imprimir:
    case MainCommand::VerEnviadas:
    case MainCommand::EliminarEnviada:
    case MainCommand::ImprimirEnviada:
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
    default:
        return nullptr;
    }
}

} // namespace declmod
