#pragma once
// How the declaration form opens the dialogs that write into its working table - the
// voucher dialog ("&Nuevo", "&Modificar", a double click on the grid) and the import
// ("&Importar") - without depending on their classes. The dialog's module installs its
// opener once (for example when the main window is built); an opener shows its dialog
// modally and returns when it is closed. Without an opener the form's button does nothing.
//
// The dialog reaches back into the form through DetailGridHost: the grid's current record
// (modify mode), and the two routines the dialog calls after writing (refrescargrid,
// SumaTotal).

#include "declmod/declaration/workingtable.h"

#include <functional>
#include <optional>

class QWidget;

namespace declmod {

class DetailGridHost
{
public:
    virtual ~DetailGridHost() = default;
    // Re-reads the grid from the working table.
    virtual void refrescargrid() = 0;
    // Recomputes the three totals under the grid.
    virtual void SumaTotal() = 0;
    // The record of the grid's current row (stored values), when a row is current.
    virtual std::optional<VoucherRecord> currentRecord() const = 0;
};

using RecordDialogOpener = std::function<void(QWidget *parent, DetailGridHost &host)>;

// frmDetalle: reads the session's DetailAddMode and SentMode.
void setDetailDialogOpener(RecordDialogOpener opener);
const RecordDialogOpener &detailDialogOpener();

// frmTranPer.
void setImportDialogOpener(RecordDialogOpener opener);
const RecordDialogOpener &importDialogOpener();

} // namespace declmod
