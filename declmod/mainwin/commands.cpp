#include "declmod/mainwin/commands.h"

#include "declmod/session/session.h"

namespace declmod {

void setCommandFlags(MainCommand command, Session &s)
{
    switch (command) {
    case MainCommand::Nueva:
        s.FormMode = 1;
        s.SentMode = false;
        break;
    case MainCommand::Modificar:
        s.HistoryList = false;
        s.SentMode = false;
        s.OrderNumberChanged = false;
        s.FormMode = 2;
        break;
    case MainCommand::Eliminar:
        s.SentMode = false;
        s.OrderNumberChanged = false;
        s.HistoryList = false;
        s.FormMode = 3;
        break;
    case MainCommand::Imprimir:
        s.SentMode = false;
        s.HistoryList = false;
        break;
    case MainCommand::VerEnviadas:
        s.SentMode = true;
        s.FormMode = 2;
        s.OrderNumberChanged = false;
        break;
    case MainCommand::EliminarEnviada:
        s.FormMode = 3;
        s.SentMode = false;
        s.HistoryList = true;
        break;
    case MainCommand::ImprimirEnviada:
        s.SentMode = true;
        s.HistoryList = true;
        break;
    case MainCommand::Profesiones:
        s.QueryKind = 1;
        break;
    case MainCommand::Comprobantes:
        s.QueryKind = 2;
        break;
    case MainCommand::Uit:
        s.QueryKind = 3;
        break;
    case MainCommand::Salir:
    case MainCommand::Ayuda:
    case MainCommand::Acerca:
        break;
    }
}

bool commandShowsBusy(MainCommand command)
{
    switch (command) {
    case MainCommand::Nueva:
    case MainCommand::Imprimir:
    case MainCommand::VerEnviadas:
    case MainCommand::ImprimirEnviada:
    case MainCommand::Profesiones:
    case MainCommand::Comprobantes:
    case MainCommand::Uit:
        return true;
    default:
        return false;
    }
}

bool commandClosesChildren(MainCommand command, bool fromToolbar)
{
    switch (command) {
    case MainCommand::Modificar:
    case MainCommand::EliminarEnviada:
    case MainCommand::Profesiones:
    case MainCommand::Comprobantes:
    case MainCommand::Uit:
        return true;
    case MainCommand::Eliminar:
        return fromToolbar;
    default:
        return false;
    }
}

} // namespace declmod
