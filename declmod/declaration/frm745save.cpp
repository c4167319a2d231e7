// Validation, saving and leaving the declaration window: the consistency run, Grabar
// (the pending declaration, or a sent one's order number) and the exit questions.

#include "declmod/declaration/frm745.h"

#include "declmod/declaration/checkdigits.h"
#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/frm745support.h"
#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/validation.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/session/ruledlineedit.h"
#include "declmod/session/session.h"

#include "common/time/clock.h"
#include "common/ui/messages.h"

#include <QLineEdit>

namespace declmod {

using namespace frm745support;

int Frm745::ValidaMeses()
{
    return declmod::ValidaMeses(session().Db);
}

bool Frm745::ValidaTodo(const QString &mode)
{
    Session &s = session();
    ValidationHooks hooks;
    hooks.caption = caption();
    hooks.sysPath = s.SysPath;
    hooks.inconsistencyText = &s.InconsistencyText;
    hooks.valIdent = [this](const QString &m, ConsistencyFile *file) { return ValIdent(m, file); };
    hooks.showConsistency = showConsistency;
    return declmod::ValidaTodo(s.Db, mode, hooks);
}

void Frm745::GrabarGrilla()
{
    // The records themselves are written by GrabarForm, in the same transaction as the
    // header, once the identification has been accepted; here the grid follows the table.
    refrescargrid();
}

bool Frm745::GrabarForm()
{
    Session &s = session();
    if (s.SentMode)
        return saveOrderNumber();
    if (!ValIdent(QStringLiteral("1")))
        return false;
    {
        BusyPointer busy;
        s.TaxpayerId = s.FormMode == 1 ? rucChosen() : TxtNumRuc->text();
        const bool ok = ValidaTodo(QStringLiteral("2"));
        DeclarationStore store(s.Db);
        using Result = DeclarationStore::SaveResult;
        Result saved = store.savePending(key(), ok, qav::today(),
                                         DeclarationStore::SaveCheck::IfUnchanged, &m_storedVersion);
        if (saved == Result::Changed) {
            if (!replaceChangedDeclaration())
                return false;
            saved = store.savePending(key(), ok, qav::today(), DeclarationStore::SaveCheck::Replace,
                                      &m_storedVersion);
        }
        if (saved != Result::Saved) {
            critical(QStringLiteral("No se pudo grabar el formulario. La información grabada"
                                    " anteriormente no ha cambiado.")
                     + u'\n' + QStringLiteral("Error Número : ")
                     + QString::number(store.lastError().number) + u'\n'
                     + store.lastError().text);
            return false;
        }
        if (m_recovery)
            m_recovery->saved(m_storedVersion);
        GrabarGrilla();
        if (ok)
            qav::msgBox(QStringLiteral("Toda la información del formulario fue grabada"
                                       " satisfactoriamente."),
                        qav::MbExclamation, caption());
        else
            qav::msgBox(QStringLiteral("La información del formulario fue grabada con"
                                       " inconsistencias.")
                            + u'\n'
                            + QStringLiteral("En estas condiciones no podrá ser enviado a ORTAX."),
                        qav::MbExclamation, caption());
    }
    m_modified = false;
    afterSave();
    return true;
}

bool Frm745::replaceChangedDeclaration()
{
    return qav::msgBox(QStringLiteral("La declaración fue grabada o eliminada en otra sesión después"
                                      " de que esta ventana la cargó.")
                           + u'\n'
                           + QStringLiteral("¿Desea reemplazarla con los registros de esta ventana?")
                           + u'\n' + u'\n'
                           + QStringLiteral("Sí: se graban los registros de esta ventana en lugar de"
                                            " los grabados en la otra sesión.")
                           + u'\n'
                           + QStringLiteral("No: no se graba nada y la ventana queda abierta."),
                       qav::MbYesNo | qav::MbExclamation | qav::MbDefaultButton2, caption())
        == qav::AnsYes;
}

void Frm745::afterSave()
{
    Session &s = session();
    if (m_closeAfterSave) {
        s.Period.clear();
        finish();
        return;
    }
    s.FormMode = 2;
    CargaIdent();
    m_modified = false;
}

bool Frm745::saveOrderNumber()
{
    Session &s = session();
    if (txtOrden->text().size() != 8) {
        critical(QStringLiteral("     El número de orden no es válido"));
        txtVerifica->setFocus();
        return false;
    }
    if (!ValidaDigitos(s.SentControl, txtOrden->text(), txtVerifica->text())) {
        critical(QStringLiteral("     El digito Verificador es incorrecto"));
        txtVerifica->setFocus();
        return false;
    }
    DeclarationStore store(s.Db);
    switch (store.recordOrderNumber(key(), txtOrden->text())) {
    case DeclarationStore::OrderResult::Saved:
        break;
    case DeclarationStore::OrderResult::Missing:
        critical(QStringLiteral("La declaración enviada ya no existe. El número de orden no fue"
                                " grabado."));
        return false;
    case DeclarationStore::OrderResult::Failed:
        critical(QStringLiteral("No se pudo grabar el número de orden.") + u'\n'
                 + QStringLiteral("Error Número : ") + QString::number(store.lastError().number)
                 + u'\n' + store.lastError().text);
        return false;
    }
    s.SentOrderNumber = txtOrden->text();
    s.OrderNumberChanged = false;
    qav::msgBox(QStringLiteral("El número de orden fue grabado satisfactoriamente."),
                qav::MbExclamation, caption());
    afterSave();
    return true;
}

bool Frm745::workingTableChanged()
{
    const auto differs = WorkingTable(session().Db).differsFromStored(key());
    return !differs || *differs; // when it cannot be told, ask
}

void Frm745::exitPending()
{
    if (!m_modified && !workingTableChanged()) {
        finish();
        return;
    }
    const int answer = qav::msgBox(
        QStringLiteral("¿El formulario ha sido modificado, desea guardar los cambios?"),
        qav::MbYesNoCancel | qav::MbQuestion, caption());
    if (answer == qav::AnsCancel)
        return;
    if (answer == qav::AnsNo) {
        finish();
        return;
    }
    m_closeAfterSave = true;
    GrabarGrilla();
    GrabarForm();
}

void Frm745::exitSent()
{
    const Session &s = session();
    if (!s.OrderNumberChanged) {
        finish();
        return;
    }
    const int answer = qav::msgBox(
        QStringLiteral(" El número de orden ha cambiado. ¿Desea guardar los cambios?"),
        qav::MbYesNo | qav::MbQuestion, caption());
    if (answer != qav::AnsYes) {
        finish();
        return;
    }
    if (txtOrden->text().size() != 8) {
        critical(QStringLiteral("El número de orden es incorrecto"));
        return;
    }
    if (!ValidaDigitos(s.SentControl, txtOrden->text(), txtVerifica->text())) {
        critical(QStringLiteral("Digito verificador incorrecto"));
        return;
    }
    m_closeAfterSave = true;
    if (!saveOrderNumber())
        finish(); // the sending is gone or cannot be written: there is nothing left to keep
}

void Frm745::Cmdgeneral_Click(int index)
{
    switch (index) {
    case 0:
        ValidaTodo(QStringLiteral("0"));
        break;
    case 1:
        GrabarGrilla();
        GrabarForm();
        break;
    case 2:
        if (session().SentMode)
            exitSent();
        else
            exitPending();
        break;
    }
}

} // namespace declmod
