// The detail tab of the declaration window: the working table, the grid over it, the
// totals and the four record buttons.

#include "declmod/declaration/frm745.h"

#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/detailgridmodel.h"
#include "declmod/declaration/detailtexts.h"
#include "declmod/declaration/ejecutasql.h"
#include "declmod/declaration/frm745support.h"
#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/ruledlineedit.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace declmod {

using namespace frm745support;

void Frm745::BorraTemporal()
{
    WorkingTable wt(session().Db);
    if (!wt.clear())
        ShowSqlError(wt.lastError().number, wt.lastError().text);
}

void Frm745::CargaTemporal()
{
    Session &s = session();
    BusyPointer busy;
    WorkingTable wt(s.Db);
    if (!wt.fillFromStored(key(), s.SentMode))
        ShowSqlError(wt.lastError().number, wt.lastError().text);
    // Read after the records: a save by another session in between makes the two disagree,
    // so that the next save asks rather than missing it. Unknown, it never matches.
    if (!s.SentMode)
        m_storedVersion = DeclarationStore(s.Db)
                              .version(key(), DeclarationStore::Records::WorkingTable)
                              .value_or(QByteArray());
    m_model->setOrder(s.SentMode ? GridOrder::AsStored : GridOrder::ByTypeAndSeries);
    if (m_model->rowCount() > 0)
        grdGastos->setCurrentIndex(m_model->index(0, 0));
}

void Frm745::CargarTipDoc()
{
    m_model->loadTypeNames();
}

void Frm745::CargarMes()
{
    // The month names are the grid model's own translation (monthName).
}

void Frm745::TotReg()
{
    const auto t = WorkingTable(session().Db).totals();
    if (!t) {
        lbltotal->clear();
        lblTotGra->clear();
        lblregistros->setText(countText(0));
        return;
    }
    lblregistros->setText(countText(t->count));
    if (t->invalid) {
        // As the declaration report does, no total is given over an amount that is not a
        // number; the record is named once, and the labels say so while it stays.
        const InvalidAmount &bad = *t->invalid;
        const QString text = QStringLiteral("Importe no válido en la serie %1, mes %2: \"%3\"")
                                 .arg(bad.num_ser, bad.per_tri, bad.amount);
        for (QLabel *l : {lbltotal, lblTotGra}) {
            l->setText(QStringLiteral("Importe no válido"));
            l->setToolTip(text);
        }
        if (text != m_invalidAmountShown) {
            m_invalidAmountShown = text;
            qav::msgBox(text + u'\n'
                            + QStringLiteral("Los totales no se muestran hasta que el registro sea"
                                             " corregido o eliminado."),
                        qav::MbOk | qav::MbExclamation, caption());
        }
        return;
    }
    m_invalidAmountShown.clear();
    lblTotGra->setText(totalText(t->totGra));
    lbltotal->setText(totalText(t->totVen));
    for (QLabel *l : {lbltotal, lblTotGra})
        l->setToolTip(QString());
}

void Frm745::SumaTotal()
{
    TotReg();
}

void Frm745::refrescargrid()
{
    const int row = grdGastos->currentIndex().row();
    m_model->refresh();
    const int rows = m_model->rowCount();
    if (rows > 0)
        grdGastos->setCurrentIndex(m_model->index(qBound(0, row, rows - 1), 0));
}

std::optional<VoucherRecord> Frm745::currentRecord() const
{
    const QModelIndex current = grdGastos->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return m_model->record(current.row());
}

void Frm745::Eliminar(const QString &num_ser, const QString &tip_com, const QString &per_tri)
{
    WorkingTable wt(session().Db);
    if (!wt.remove(num_ser, tip_com, per_tri))
        ShowSqlError(wt.lastError().number, wt.lastError().text);
}

void Frm745::showHostMessage(const QString &text)
{
    static const HostServices fallback;
    const HostServices *host = session().hostServices ? session().hostServices : &fallback;
    host->message(text, caption(), 1, 1, 1);
}

void Frm745::cmdDetalle_Click(int index)
{
    Session &s = session();
    const int rows = m_model->rowCount();
    const QModelIndex current = grdGastos->currentIndex();
    switch (index) {
    case 0: {
        s.DetailAddMode = true;
        if (const auto &open = detailDialogOpener())
            open(this, *this);
        refrescargrid();
        break;
    }
    case 1: {
        s.DetailAddMode = false;
        if (s.SentMode) {
            if (rows == 0)
                return;
        } else if (rows == 0) {
            showHostMessage(QStringLiteral("No existen registros para modificar"));
            cmdDetalle[0]->setFocus();
            return;
        } else if (!current.isValid()) {
            showHostMessage(QStringLiteral("Tiene que seleccionar registro a modificar"));
            cmdDetalle[0]->setFocus();
            return;
        }
        const int remembered = current.isValid() ? current.row() : -1;
        if (const auto &open = detailDialogOpener())
            open(this, *this);
        m_model->refresh();
        const int now = m_model->rowCount();
        if (now > 0 && remembered >= 0)
            grdGastos->setCurrentIndex(m_model->index(qMin(remembered, now - 1), 0));
        break;
    }
    case 2: {
        if (rows == 0) {
            showHostMessage(QStringLiteral("No existen registros para eliminar"));
            cmdDetalle[0]->setFocus();
        } else if (!current.isValid()) {
            showHostMessage(QStringLiteral("Tiene que Seleccionar un registro"));
            return;
        } else {
            const int answer = qav::msgBox(
                QStringLiteral("¿Confirma que va eliminar el registro seleccionado?"),
                qav::MbYesNo | qav::MbExclamation | qav::MbDefaultButton2,
                QStringLiteral("Eliminar Formulario"));
            if (answer != qav::AnsYes) {
                grdGastos->setFocus();
                return;
            }
            const auto r = m_model->record(current.row());
            if (r)
                Eliminar(r->num_ser, r->tip_com, r->per_tri);
        }
        refrescargrid();
        SumaTotal();
        break;
    }
    case 3:
        if (const auto &open = importDialogOpener())
            open(this, *this);
        refrescargrid();
        SumaTotal();
        break;
    }
    reportRecoveryFailure();
}

} // namespace declmod
