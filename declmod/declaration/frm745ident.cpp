// The identification tab of the declaration window: how the taxpayer, exercise and
// telephone are laid out, checked while typed and by ValIdent, and the keys of its fields
// (the taxpayer list, the exercise, the telephone and the order number).

#include "declmod/declaration/frm745.h"

#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/frm745support.h"
#include "declmod/declaration/identrules.h"
#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/validation.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/ruledlineedit.h"
#include "declmod/session/session.h"

#include "common/time/clock.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace declmod {

using namespace frm745support;
namespace {

const QString kExerciseInvalid = QStringLiteral("¡El Ejercicio no es Válido!");

bool isTextKey(const QKeyEvent *k)
{
    return !k->text().isEmpty() && k->text().at(0).unicode() >= 32
        && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

bool isEnter(const QKeyEvent *k)
{
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
}

} // namespace

void Frm745::CargaIdent()
{
    Session &s = session();
    if (s.FormMode == 1) {
        TxtNumRuc->setEnabled(false);
        TxtNumRuc->setVisible(false);
        CmbRuc->setEnabled(true);
        CmbRuc->setVisible(true);
        TxtRazon->setEnabled(false);
    } else if (s.FormMode == 2) {
        // After the first save of a new declaration the name comes from the chosen item;
        // an existing declaration opened by a selection window brings its own.
        if (!CmbRuc->isHidden() && CmbRuc->currentIndex() >= 0)
            s.TaxpayerName = itemPart(CmbRuc->currentText(), 14, 33);
        CmbRuc->setEnabled(false);
        CmbRuc->setVisible(false);
        TxtNumRuc->setEnabled(false);
        TxtRazon->setEnabled(false);
        TxtNumRuc->setText(s.TaxpayerId);
        TxtRazon->setText(s.TaxpayerName);
        TxtNumRuc->setVisible(true);
        MkePeriodo->setEnabled(false);
        MkePeriodo->setText(s.Period);
    }
}

void Frm745::destodo()
{
    for (QPushButton *b : cmdDetalle)
        b->setEnabled(false);
    Cmdgeneral[0]->setEnabled(false);
    Cmdgeneral[1]->setEnabled(false);
    fraRectifica->setEnabled(false);
}

void Frm745::CargarCab()
{
    const Session &s = session();
    if (!s.SentMode)
        return;
    if (const auto norden = DeclarationStore(session().Db).storedOrderNumber(key()))
        txtOrden->setText(*norden);
}

void Frm745::onTaxpayerChosen(int index)
{
    if (index < 0)
        return;
    Session &s = session();
    const QString item = CmbRuc->itemText(index);
    TxtRazon->setText(itemPart(item, 14, 63));
    FijaAnchoLista(this, CmbRuc, 45);
    const QString ruc = rucOfItem(item);
    if (DeclarationStore(s.Db).headerExists(ruc, s.Period, s.FormNumber)) {
        critical(QStringLiteral("La declaración que desea registrar ya existe, elija la opción"
                                " modificar declaración o elija otro contribuyente."));
        CmbRuc->setFocus();
        return;
    }
    MuestraEstado(ruc, TxtRazon->text().trimmed(), s.Period, s.FormNumber);
    m_modified = true;
    MkePeriodo->setFocus();
}

void Frm745::exerciseCheck()
{
    if (m_inExerciseCheck)
        return;
    if (MkePeriodo->displayText().contains(u'_')) {
        m_modified = true;
        return;
    }
    m_inExerciseCheck = true;
    Session &s = session();
    const QString e = exerciseTyped();
    const int year = qav::today().year();
    auto done = [this] { m_inExerciseCheck = false; };
    if (s.FormMode != 2 && exerciseRefusedWhileTyping(e, year)) {
        tab0745->setCurrentIndex(0);
        critical(kExerciseInvalid);
        return done();
    }
    if (s.FormMode == 1) {
        const QString ruc = rucChosen();
        if (ruc.isEmpty()) {
            tab0745->setCurrentIndex(0);
            critical(QStringLiteral("¡Debe Seleccionar un Contribuyente!"));
            CmbRuc->setFocus();
            return done();
        }
        if (DeclarationStore(s.Db).headerExists(ruc, e, s.FormNumber)) {
            tab0745->setCurrentIndex(0);
            if (s.StatusBar)
                s.StatusBar->setPeriodo_ejercicio(e);
            critical(QStringLiteral("¡El formulario que desea ingresar ya existe, elija la opción"
                                    " Modificar formularios o corrija el ejercicio!"));
            MkePeriodo->setFocus();
            return done();
        }
        s.Period = e.left(4);
        s.TaxpayerId = ruc;
        if (s.StatusBar)
            s.StatusBar->setPeriodo_ejercicio(e);
        keepRecovery();
    }
    m_modified = true;
    done();
}

bool Frm745::ValIdent(const QString &mode, ConsistencyFile *file)
{
    Session &s = session();
    bool result = true;
    if (s.FormMode == 1) {
        const QString e = exerciseTyped();
        if (exerciseRefusedByCheck(e, qav::today().year())) {
            tab0745->setCurrentIndex(0);
            critical(kExerciseInvalid);
            return false;
        }
        const QString ruc = rucChosen();
        if (DeclarationStore(s.Db).headerExists(ruc, e, s.FormNumber)) {
            tab0745->setCurrentIndex(0);
            if (s.StatusBar)
                s.StatusBar->setPeriodo_ejercicio(s.Period);
            critical(QStringLiteral("El formulario que desea ingresar ya existe, elija la opción"
                                    " Modificar formularios o elija otro RUC"));
            return false;
        }
        s.Period = e;
        s.TaxpayerId = ruc;
        if (s.StatusBar)
            s.StatusBar->setPeriodo_ejercicio(s.Period);
        keepRecovery();
    }
    if (s.FormMode == 1 && rucChosen().isEmpty()) {
        tab0745->setCurrentIndex(0);
        result = false;
        const QString text = QStringLiteral("Debe seleccionar un declarante");
        s.InconsistencyText = text;
        if (mode == u"0" && file) {
            file->writeLine(text);
        } else {
            critical(text);
            CmbRuc->setFocus();
            return false;
        }
    }
    if (!telephoneAccepted(TxtTelefono->text())) {
        result = false;
        const QString text = QStringLiteral("Ingrese correctamente el teléfono");
        s.InconsistencyText = text;
        if (mode == u"0" && file) {
            file->writeLine(text);
        } else {
            tab0745->setCurrentIndex(0);
            critical(text);
            TxtTelefono->setFocus();
        }
    }
    return result;
}

void Frm745::onTabChanged(int index)
{
    // Alt+I belongs to "&Importar" on the detail tab: the identification tab offers its
    // access key only while it is the tab shown.
    tab0745->setTabText(0, index == 0 ? QStringLiteral("&Identificación")
                                      : QStringLiteral("Identificación"));
    const int left = m_lastTab;
    m_lastTab = index;
    if (session().SentMode)
        return;
    if (left == 0 && index != 0 && !ValIdent(QStringLiteral("1")))
        return; // the failing check has put tab 0 back
    setHelpTopic(tab0745->currentIndex() == 0 ? 1013 : 1012);
}

void Frm745::goToInconsistency(const QString &line)
{
    const QString text = line.trimmed();
    if (text == u"Ingrese correctamente el teléfono") {
        tab0745->setCurrentIndex(0);
        TxtTelefono->setFocus();
    } else if (text == u"Debe seleccionar un declarante") {
        tab0745->setCurrentIndex(0);
        CmbRuc->setFocus();
    } else if (text == u"Debe ingresar por lo menos un registro") {
        tab0745->setCurrentIndex(1);
        cmdDetalle[0]->setFocus();
    }
}

bool Frm745::taxpayerListKey(const QKeyEvent *k)
{
    // The list is only chosen from: typed text never enters it, while the keys that choose
    // from a list work. F4, Alt+Down and Alt+Up open it; an arrow, Home, End or a page key
    // opens it on the item it moves to, and Enter or a click there chooses; Enter on the
    // closed list chooses the item shown again (or opens the list when none is shown).
    // Escape, Tab and F1 do what they do in every field. Answers true for a discarded key.
    const int key = k->key();
    const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
    switch (key) {
    case Qt::Key_F1:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return false;
    case Qt::Key_F4:
        CmbRuc->showPopup();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (CmbRuc->currentIndex() >= 0)
            onTaxpayerChosen(CmbRuc->currentIndex());
        else
            CmbRuc->showPopup();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        break;
    default:
        return true;
    }
    if (mods & Qt::ControlModifier)
        return true;
    if (mods & Qt::AltModifier) {
        if (key == Qt::Key_Down || key == Qt::Key_Up)
            CmbRuc->showPopup();
        return true;
    }
    const int count = CmbRuc->count();
    if (count == 0)
        return true;
    const int current = CmbRuc->currentIndex();
    const int page = qMax(1, CmbRuc->maxVisibleItems() - 1);
    int row = 0;
    switch (key) {
    case Qt::Key_Up: row = current < 0 ? 0 : current - 1; break;
    case Qt::Key_Down: row = current < 0 ? 0 : current + 1; break;
    case Qt::Key_PageUp: row = current - page; break;
    case Qt::Key_PageDown: row = current < 0 ? page - 1 : current + page; break;
    case Qt::Key_Home: row = 0; break;
    case Qt::Key_End: row = count - 1; break;
    }
    row = qBound(0, row, count - 1);
    CmbRuc->showPopup();
    CmbRuc->view()->setCurrentIndex(CmbRuc->model()->index(row, CmbRuc->modelColumn()));
    return true;
}

void Frm745::placeExerciseCaret()
{
    // A click past the typed digits (into the "_" still free) puts the caret on the first
    // free position, where typing goes on.
    if (MkePeriodo->hasSelectedText())
        return;
    const QString shown = MkePeriodo->displayText();
    const int free = shown.indexOf(u'_');
    const int at = MkePeriodo->cursorPosition();
    if (free < 0 || at <= free)
        return;
    for (int i = free; i < at && i < shown.size(); ++i)
        if (shown.at(i) != u'_')
            return;
    MkePeriodo->setCursorPosition(free);
}

bool Frm745::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::MouseButtonRelease && watched == MkePeriodo) {
        placeExerciseCaret();
        return false;
    }
    if (e->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(e)->button() == Qt::RightButton
        && (watched == TxtTelefono || watched == txtOrden || watched == txtVerifica)) {
        QApplication::clipboard()->clear();
        return true;
    }
    if (e->type() == QEvent::FocusOut && watched == MkePeriodo) {
        const auto reason = static_cast<QFocusEvent *>(e)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
            && MkePeriodo->isEnabled())
            exerciseCheck();
        return false;
    }
    if (e->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, e);
    auto *k = static_cast<QKeyEvent *>(e);
    if (watched == CmbRuc)
        return taxpayerListKey(k);
    if (watched == CmbRuc->view())
        return isTextKey(k); // the open list is chosen from, never typed into
    if (watched == MkePeriodo) {
        m_modified = true;
        if (isEnter(k)) {
            EnterTab(this, QStringLiteral("TAB"));
            return true;
        }
        return false;
    }
    if (watched == TxtTelefono) {
        if (k->matches(QKeySequence::Paste)
            || (k->key() == Qt::Key_Insert && (k->modifiers() & Qt::ShiftModifier))) {
            QApplication::clipboard()->clear();
            return true;
        }
        if (isEnter(k)) {
            EnterTab(this, QStringLiteral("TAB"));
            return true;
        }
        if (!isTextKey(k))
            return false; // Backspace, arrows and the other editing keys
        static const HostServices fallback;
        const HostServices *host = session().hostServices ? session().hostServices : &fallback;
        return !host->numericCharOk(k->text().at(0).unicode(), false, false, false);
    }
    if (watched == txtOrden || watched == txtVerifica) {
        if (watched == txtOrden)
            session().OrderNumberChanged = true;
        if (watched == txtOrden && isEnter(k)) {
            txtVerifica->setFocus();
            return true;
        }
        if (k->key() == Qt::Key_Backspace)
            return false;
        if (k->matches(QKeySequence::Paste))
            return true;
        if (!isTextKey(k))
            return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        const QChar c = k->text().at(0);
        return !(c >= u'0' && c <= u'9');
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace declmod
