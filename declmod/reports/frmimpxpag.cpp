#include "declmod/reports/frmimpxpag.h"

#include "declmod/reports/muestrareporte.h"
#include "declmod/reports/pagerangecheck.h"
#include "declmod/reports/reportstate.h"

#include "common/db/database.h"
#include "common/ui/messages.h"

#include <algorithm>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace declmod {

frmImpxPag::frmImpxPag(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmImpxPag"));
    auto *warning1 = new QLabel(QStringLiteral("El reporte generado contiene"), this);
    m_total = new QLineEdit(this);
    m_total->setObjectName(QStringLiteral("txtTotPaginas"));
    m_total->setReadOnly(true);
    m_total->setFocusPolicy(Qt::NoFocus);
    m_total->setAlignment(Qt::AlignCenter);
    m_total->setMaximumWidth(70);
    m_total->setAccessibleName(QStringLiteral("Total de páginas"));
    auto *warning2 = new QLabel(QStringLiteral("páginas. Su consulta "), this);
    auto *warning3 = new QLabel(QStringLiteral("puede ocasionar la caida del programa debido a la saturación "
                                               "de la memoria de la computadora."),
                                this);
    warning3->setWordWrap(true);

    auto *frame = new QGroupBox(QStringLiteral("Imprimir"), this);
    m_from = new QLineEdit(QStringLiteral("1"), frame);
    m_from->setObjectName(QStringLiteral("txtPagDesde"));
    m_to = new QLineEdit(QStringLiteral("15"), frame);
    m_to->setObjectName(QStringLiteral("txtPagHasta"));
    auto *fromLabel = new QLabel(QStringLiteral("&Desde :"), frame);
    fromLabel->setBuddy(m_from);
    auto *toLabel = new QLabel(QStringLiteral("&Hasta :"), frame);
    toLabel->setBuddy(m_to);
    m_from->setAccessibleName(QStringLiteral("Desde"));
    m_to->setAccessibleName(QStringLiteral("Hasta"));
    for (QLineEdit *e : {m_from, m_to}) {
        e->setMaxLength(5);
        e->installEventFilter(this);
    }
    auto *fields = new QGridLayout(frame);
    fields->addWidget(fromLabel, 0, 0);
    fields->addWidget(m_from, 0, 1);
    fields->addWidget(toLabel, 0, 2);
    fields->addWidget(m_to, 0, 3);

    m_preview = new QPushButton(QStringLiteral("&Preliminar"), this);
    m_preview->setObjectName(QStringLiteral("cmdAccion0"));
    m_cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    m_cancel->setObjectName(QStringLiteral("cmdAccion1"));
    for (QPushButton *b : {m_preview, m_cancel})
        b->setAutoDefault(false);
    connect(m_preview, &QPushButton::clicked, this, [this] { preliminar(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(warning1);
    top->addWidget(m_total);
    top->addWidget(warning2);
    top->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_preview);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(warning3);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    setTabOrder(m_from, m_to);
    setTabOrder(m_to, m_preview);
    setTabOrder(m_preview, m_cancel);
    m_from->setFocus();
}

void frmImpxPag::setTotalPages(int pages)
{
    m_total->setText(QString::number(pages));
    m_to->setText(QString::number(pages));
}

bool frmImpxPag::preliminar()
{
    const auto problem = checkPageRange(m_from->text(), m_to->text(), m_total->text());
    if (problem) {
        qav::msgBox(problem->message, qav::MbOk | qav::MbCritical, windowTitle());
        QLineEdit *field = problem->field == 0 ? m_from : m_to;
        field->setFocus();
        field->selectAll();
        return false;
    }
    ReportState &state = reportState();
    // A last page beyond the document means its end; bounded before it becomes an int, so a
    // long number typed there cannot overflow.
    const double last = std::min(qav::valOf(m_to->text()), qav::valOf(m_total->text()));
    state.PageFromTo = {int(qav::valOf(m_from->text())), int(last)};
    MuestraReporte(m_fileName, QStringLiteral("Vprevia"));
    return true;
}

bool frmImpxPag::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_from || watched == m_to) && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            const QChar c = text.at(0);
            const bool allowed = (c >= u'0' && c <= u'9') || c == u'.' || c == u' ';
            return !allowed;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace declmod
