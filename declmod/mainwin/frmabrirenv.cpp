#include "declmod/mainwin/frmabrirenv.h"

#include "declmod/mainwin/declarationlists.h"
#include "declmod/mainwin/declarationwindow.h"
#include "declmod/mainwin/selectionmodel.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace declmod {

frmAbrirEnv::frmAbrirEnv(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbrirEnv"));
    setWindowTitle(QStringLiteral("Ver declaración enviada"));

    fraEnviadas = new QGroupBox(QStringLiteral("Declaraciones Enviadas"), this);
    fraEnviadas->setObjectName(QStringLiteral("fraEnviadas"));
    grdContrib = new QTableView(fraEnviadas);
    grdContrib->setObjectName(QStringLiteral("grdContrib"));
    grdContrib->setAccessibleName(QStringLiteral("Declaraciones Enviadas"));
    grdContrib->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdContrib->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdContrib->setSelectionMode(QAbstractItemView::SingleSelection);
    grdContrib->verticalHeader()->setDefaultSectionSize(grdContrib->fontMetrics().height() + 6);

    m_model = new SelectionModel(this);
    m_model->setObjectName(QStringLiteral("DtaNew"));
    const Session &s = session();
    m_model->setList(sentDeclarationsList(s.FormNumber, s.SysUser));
    grdContrib->setModel(m_model);
    connect(grdContrib->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { rowChanged(); });
    connect(grdContrib, &QTableView::doubleClicked, this, [this] { CmdOpciones_Click(0); });

    CmdOpciones[0] = new QPushButton(QStringLiteral("&Ver"), this);
    CmdOpciones[1] = new QPushButton(QStringLiteral("&Salir"), this);
    for (int i = 0; i < 2; ++i) {
        CmdOpciones[i]->setObjectName(QStringLiteral("CmdOpciones%1").arg(i));
        CmdOpciones[i]->setAutoDefault(false);
        connect(CmdOpciones[i], &QPushButton::clicked, this, [this, i] { CmdOpciones_Click(i); });
    }
    CmdOpciones[0]->setAccessibleName(QStringLiteral("Ver"));
    CmdOpciones[1]->setAccessibleName(QStringLiteral("Salir"));

    auto *inner = new QVBoxLayout(fraEnviadas);
    inner->addWidget(grdContrib);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOpciones[0]);
    buttons->addWidget(CmdOpciones[1]);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fraEnviadas);
    layout->addLayout(buttons);
    resize(qRound(9000 * logicalDpiX() / 1440.0), qRound(4200 * logicalDpiY() / 1440.0));

    requery();
    fitSelectionGrid(grdContrib, this, qRound(3000 * logicalDpiX() / 1440.0));
}

frmAbrirEnv::~frmAbrirEnv()
{
    LimpiaEstado();
}

void frmAbrirEnv::requery()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int row = grdContrib->currentIndex().row();
    if (!m_model->requery(session().Db))
        qav::msgBox(m_model->lastError().text, qav::MbOk | qav::MbCritical, windowTitle());
    if (m_model->rowCount() == 0) {
        grdContrib->setEnabled(false);
    } else {
        grdContrib->setEnabled(true);
        selectRow(row < 0 ? 0 : qMin(row, m_model->rowCount() - 1));
    }
    QApplication::restoreOverrideCursor();
}

void frmAbrirEnv::selectRow(int row)
{
    grdContrib->setCurrentIndex(m_model->index(row, 0));
    grdContrib->selectRow(row);
}

void frmAbrirEnv::rowChanged()
{
    const int row = grdContrib->currentIndex().row();
    if (!isVisible() || row < 0)
        return;
    if (QAVStatBar *bar = session().StatusBar) {
        bar->setNumdoc(m_model->cell(row, 0));
        bar->setRazonsocial(m_model->cell(row, 1));
        bar->setFormulario(session().FormNumber);
        bar->setPeriodo_ejercicio(m_model->cell(row, 2));
    }
}

void frmAbrirEnv::copyCurrentRow()
{
    const int row = grdContrib->currentIndex().row();
    Session &s = session();
    s.OrderNumberChanged = false;
    if (row < 0)
        return;
    s.TaxpayerId = m_model->cell(row, 0).trimmed();
    s.Period = m_model->cell(row, 2);
    s.TaxpayerName = m_model->cell(row, 1).trimmed();
    s.SentCorrel = m_model->cell(row, 7);
    s.SentControl = m_model->cell(row, 6);
    s.SentOrderNumber = m_model->cell(row, 4);
}

void frmAbrirEnv::CmdOpciones_Click(int index)
{
    copyCurrentRow();
    if (index == 1) {
        session().SentMode = false;
        LimpiaEstado(); // the list's last row is no longer the declaration at hand
        accept();
        return;
    }
    if (m_model->rowCount() == 0 || grdContrib->currentIndex().row() < 0)
        return;
    const int remembered = grdContrib->currentIndex().row();
    session().SentMode = true;
    openDeclarationWindow(this);
    QApplication::processEvents();
    if (remembered >= 0 && remembered < m_model->rowCount())
        selectRow(remembered);
}

void frmAbrirEnv::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        requery();
}

void frmAbrirEnv::reject()
{
    CmdOpciones_Click(1);
}

} // namespace declmod
