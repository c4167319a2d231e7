#pragma once
// The commands of the main window and the session flags each one sets before opening its
// window. The opened window reads the flags to know what to list or how to behave.
//
// setCommandFlags() touches only the flags its command names; every other field of the
// session keeps its value.

namespace declmod {

struct Session;

enum class MainCommand {
    Nueva,           // new declaration
    Modificar,       // open a pending declaration
    Eliminar,        // delete a pending declaration
    Imprimir,        // print a pending declaration
    Salir,           // end the session
    VerEnviadas,     // open a sent declaration
    EliminarEnviada, // delete a sent declaration
    ImprimirEnviada, // print a sent declaration
    Profesiones,     // consultation of professions
    Comprobantes,    // consultation of voucher types
    Uit,             // consultation of UIT values
    Ayuda,           // help contents
    Acerca,          // about window
};

// Sets the flags of `command` in `s`.
void setCommandFlags(MainCommand command, Session &s);

// True when the command shows the busy pointer while its window loads.
bool commandShowsBusy(MainCommand command);

// True when the command first closes every child window still open: Modificar (menu and
// tool bar), the sent-declarations Eliminar and the three consultations always do;
// Eliminar of a pending declaration only from the tool bar.
bool commandClosesChildren(MainCommand command, bool fromToolbar);

} // namespace declmod
