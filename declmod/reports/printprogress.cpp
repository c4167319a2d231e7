#include "declmod/reports/printprogress.h"

#include "declmod/session/valuelabel.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace declmod {

PrintProgressWindow::PrintProgressWindow(int total, QWidget *parent, const QString &verb)
    : QProgressDialog(parent), m_total(qMax(1, total)), m_verb(verb)
{
    setObjectName(QStringLiteral("frmProgresoImpresion"));
    setWindowTitle(QStringLiteral("Impresión"));
    setAccessibleName(QStringLiteral("Progreso de la impresión"));
    setWindowModality(Qt::ApplicationModal);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblPagina"));
    showsValue(m_label, QStringLiteral("Página en curso"));
    m_label->setAlignment(Qt::AlignCenter);
    setLabel(m_label);
    auto *bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("prgPaginas"));
    bar->setAccessibleName(QStringLiteral("Páginas terminadas"));
    bar->setFormat(QStringLiteral("%v de %m"));
    setBar(bar);
    m_cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancelar"));
    m_cancel->setAccessibleName(QStringLiteral("Cancelar la impresión"));
    setCancelButton(m_cancel);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumDuration(kShowDelay);
    setMinimumWidth(360);
    setRange(0, m_total);
    showPage(0);
    setValue(0);
}

void PrintProgressWindow::showPage(int done)
{
    m_label->setText(QStringLiteral("%1 la página %2 de %3")
                         .arg(m_verb)
                         .arg(qMin(done + 1, m_total))
                         .arg(m_total));
}

void PrintProgressWindow::reject()
{
    cancel();
}

void PrintProgressWindow::showEvent(QShowEvent *event)
{
    QProgressDialog::showEvent(event);
    if (!m_arrow && QApplication::overrideCursor()) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        m_arrow = true;
    }
}

void PrintProgressWindow::hideEvent(QHideEvent *event)
{
    if (m_arrow) {
        QApplication::restoreOverrideCursor();
        m_arrow = false;
    }
    QProgressDialog::hideEvent(event);
}

PrintProgress PrintProgressWindow::callback()
{
    return [this](int done, int total) {
        if (wasCanceled())
            return false;
        if (total > 0 && total != m_total) {
            m_total = total;
            setMaximum(total);
        }
        showPage(done);
        setValue(done);
        return !wasCanceled();
    };
}

} // namespace declmod
