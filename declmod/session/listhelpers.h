#pragma once
// Input and list helpers shared by the windows: the taxpayer list, drop-down widths,
// selecting a list item by its leading text, Enter as Tab, window placement in twips and
// the status-bar routine.
//
// Errors: LlenaContribuyentes shows a failing query's database error and leaves the list
// as it was; the other helpers cannot fail.

#include <QString>

class QComboBox;
class QWidget;

namespace declmod {

// Appends to `list` the taxpayers the session user may see (readTaxpayers with the
// session's database, form number and user), in the query's order, each as
// taxpayerListItem writes it. False when the query failed.
bool LlenaContribuyentes(QComboBox *list);

// Average width, in pixels, of a character of the system's variable-pitch font on
// `window`: the width of the 52 letters A-Z a-z divided by 52, truncated.
int AnchoPromedio(QWidget *window);

// Widens the drop-down part of `list` for its longest item: (L - 2) * AnchoPromedio.
void AjustaLista(QWidget *window, QComboBox *list);
// Widens the drop-down part of `list` for items of `n` characters: (n - 2) * AnchoPromedio.
// A width of 0 or less leaves the drop-down as wide as the list itself.
void FijaAnchoLista(QWidget *window, QComboBox *list, int n);

// Selects item 0, then each item in turn until the trimmed first `n` characters of its text
// equal the trimmed `value`; without a match the last item stays selected. Every change of
// selection raises the list's selection signal (currentIndexChanged), as a choice by the
// user would. An empty list is left with nothing selected.
void BuscaEnLista(QComboBox *list, const QString &value, int n);

// When `action` is "TAB", moves the focus on from the focused field of `window`'s window,
// exactly as the Tab key would (the key is sent to that field).
void EnterTab(QWidget *window, const QString &action);

// Puts `window` in normal state and sets its outer position and size, given in twips
// (1/1440 inch, converted with the screen's logical resolution).
void UbicaForm(QWidget *window, int left, int top, int height, int width);

// Empties the status bar's number, name, exercise and form: a selection window that closes
// leaves no declaration at hand. Without a status bar nothing happens.
void LimpiaEstado();

// Publishes the declaration at hand on the session's status bar (Session::StatusBar):
// esruc 1, then the number, the name, the exercise and the form. Without a status bar
// nothing happens.
void MuestraEstado(const QString &ruc, const QString &name, const QString &period,
                   const QString &form);

} // namespace declmod
