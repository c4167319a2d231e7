#pragma once
// The module's printer: the system's default printer through Qt's printing support, as a
// PrintTarget. Tests and other callers may install their own factory (a recording target,
// a PDF file).
//
// Errors: openPrinter() returns nullptr when there is no printer to print on; callers show
// "No existe una impresora seleccionada.Verifique." under "Impresión" (showNoPrinter()).

#include "declmod/reports/printtarget.h"

#include <QDialog>
#include <QPageSize>

#include <functional>
#include <memory>

namespace declmod {

using PrinterFactory = std::function<std::unique_ptr<PrintTarget>()>;

// The default printer, or nullptr when none is installed.
std::unique_ptr<PrintTarget> openPrinter();
// An empty factory restores the default printer.
void setPrinterFactory(PrinterFactory factory);

void showNoPrinter();

// The paper every report is laid out on, whether it is previewed, printed or written to a
// PDF file from the preview: the default printer's paper, A4 when there is no printer (or
// it names none). A test may install its own answer; an empty source restores this one.
QPageSize reportPaperSize();
using PaperSizeSource = std::function<QPageSize()>;
void setPaperSizeSource(PaperSizeSource source);

// Installs the consistency print as the "&Imprimir" of FrmConsist: RepInconsist on the
// default printer, or the no-printer message.
void installConsistencyPrinter();

// How the report windows show their modal dialogs (the preview, the page range dialog):
// exec() unless a test has installed its own runner.
using DialogRunner = std::function<int(QDialog &)>;
int runDialog(QDialog &dialog);
void setDialogRunner(DialogRunner runner);

} // namespace declmod
