#include "declmod/session/qavstatbar.h"

#include "declmod/session/session.h"

#include <QLabel>

namespace declmod {
namespace {

QLabel *panel(QStatusBar *bar, const char *name, int stretch)
{
    auto *label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setMargin(1);
    bar->addPermanentWidget(label, stretch);
    return label;
}

} // namespace

QAVStatBar::QAVStatBar(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("QAVStatBar"));
    setSizeGripEnabled(false);
    m_lblNumdoc = panel(this, "lblNumdoc", 0);
    m_lblRazon = panel(this, "lblRazonsocial", 1);
    m_lblPeriodo = panel(this, "lblPeriodo", 0);
    m_lblFormulario = panel(this, "lblFormulario", 0);
    refresh();
    // The latest status bar is the one the status-bar routine writes to.
    session().StatusBar = this;
}

void QAVStatBar::setEsruc(int value)
{
    m_esruc = value;
    refresh();
}

void QAVStatBar::setNumdoc(const QString &value)
{
    m_numdoc = value;
    refresh();
}

void QAVStatBar::setRazonsocial(const QString &value)
{
    m_razonsocial = value;
    refresh();
}

void QAVStatBar::setPeriodo_ejercicio(const QString &value)
{
    m_periodo = value;
    refresh();
}

void QAVStatBar::setFormulario(const QString &value)
{
    m_formulario = value;
    refresh();
}

QString QAVStatBar::numdocText() const
{
    return m_lblNumdoc->text();
}

QString QAVStatBar::razonsocialText() const
{
    return m_lblRazon->text();
}

QString QAVStatBar::periodoText() const
{
    return m_lblPeriodo->text();
}

QString QAVStatBar::formularioText() const
{
    return m_lblFormulario->text();
}

void QAVStatBar::refresh()
{
    const QString docCaption = m_esruc == 1 ? QStringLiteral("RUC: ") : QStringLiteral("Doc.: ");
    m_lblNumdoc->setText(docCaption + m_numdoc);
    m_lblRazon->setText(QStringLiteral("Razón Social: ") + m_razonsocial);
    m_lblPeriodo->setText(QStringLiteral("Ejercicio: ") + m_periodo);
    m_lblFormulario->setText(QStringLiteral("Formulario: ") + m_formulario);
}

} // namespace declmod
