#include "declmod/mainwin/frmmodfor.h"

#include "declmod/declaration/declarationkey.h"
#include "declmod/declaration/declarationstore.h"
#include "declmod/mainwin/declarationlists.h"
#include "declmod/mainwin/declarationwindow.h"
#include "declmod/mainwin/selectionmodel.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/lookups.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace declmod {
namespace {

const QString kDeleteTitle = QStringLiteral("Eliminar Formulario");

// Twips to pixels at the window's logical resolution.
int twips(const QWidget *w, int value)
{
    return qRound(value * w->logicalDpiX() / 1440.0);
}

} // namespace

frmModFor::frmModFor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmModFor"));
    setWindowTitle(QStringLiteral("Modificar Formulario"));

    fradecreg = new QGroupBox(QStringLiteral("Declaraciones Registradas"), this);
    fradecreg->setObjectName(QStringLiteral("fradecreg"));
    lblSeleccione = new QLabel(QStringLiteral("Seleccione la Declaración  que desea modificar :"),
                               fradecreg);
    lblSeleccione->setObjectName(QStringLiteral("lblSeleccione"));
    GrdContrib = new QTableView(fradecreg);
    GrdContrib->setObjectName(QStringLiteral("GrdContrib"));
    GrdContrib->setAccessibleName(QStringLiteral("Declaraciones"));
    GrdContrib->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrdContrib->setSelectionBehavior(QAbstractItemView::SelectRows);
    GrdContrib->setSelectionMode(QAbstractItemView::SingleSelection);
    GrdContrib->verticalHeader()->setDefaultSectionSize(GrdContrib->fontMetrics().height() + 6);
    GrdContrib->installEventFilter(this);
    lblSeleccione->setBuddy(GrdContrib);

    m_model = new SelectionModel(this);
    m_model->setObjectName(QStringLiteral("Dta1"));

    cmdOpciones[0] = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdOpciones[1] = new QPushButton(QStringLiteral("&Salir"), this);
    for (int i = 0; i < 2; ++i) {
        cmdOpciones[i]->setObjectName(QStringLiteral("cmdOpciones%1").arg(i));
        cmdOpciones[i]->setAutoDefault(false);
        connect(cmdOpciones[i], &QPushButton::clicked, this, [this, i] { cmdOpciones_Click(i); });
    }
    cmdOpciones[1]->setAccessibleName(QStringLiteral("Salir"));

    auto *inner = new QVBoxLayout(fradecreg);
    inner->addWidget(lblSeleccione);
    inner->addWidget(GrdContrib);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOpciones[0]);
    buttons->addWidget(cmdOpciones[1]);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fradecreg);
    layout->addLayout(buttons);

    connect(GrdContrib, &QTableView::doubleClicked, this, [this] { cmdOpciones_Click(0); });
    load();
}

frmModFor::~frmModFor()
{
    LimpiaEstado();
}

void frmModFor::load()
{
    const Session &s = session();
    if (s.FormMode == 3) {
        setWindowTitle(QStringLiteral("Eliminar Formularios"));
        lblSeleccione->setText(QStringLiteral("Seleccione la Declaración que desea eliminar :"));
        cmdOpciones[0]->setText(QStringLiteral("&Eliminar"));
    } else if (s.FormMode == 2) {
        cmdOpciones[0]->setText(QStringLiteral("&Modificar"));
    }
    cmdOpciones[0]->setAccessibleName(cmdOpciones[0]->text().remove(u'&'));

    const bool history = s.HistoryList;
    if (history)
        fradecreg->setTitle(QStringLiteral("Declaraciones Enviadas"));
    m_model->setList(selectionList(history, GetUserType(session().Db, s.SysUser) == QLatin1String("0"), s.FormNumber,
                                   s.SysUser));
    GrdContrib->setModel(m_model);
    connect(GrdContrib->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { publishCurrentRow(); });
    if (!history) {
        GrdContrib->setMinimumWidth(twips(this, 7695));
        for (int c = 5; c <= 10; ++c)
            GrdContrib->setColumnHidden(c, true);
    } else {
        // The sending's columns are shown; its estado (always 1 here) and the repeated
        // order number are not.
        GrdContrib->setColumnHidden(4, true);
        GrdContrib->setColumnHidden(10, true);
    }
    requery();
    resize(qMax(width(), twips(this, 8400)), qMax(height(), twips(this, 4200)));
    fitSelectionGrid(GrdContrib, this, twips(this, 3300));
}

void frmModFor::requery()
{
    const int row = GrdContrib->currentIndex().row();
    if (!m_model->requery(session().Db))
        qav::msgBox(m_model->lastError().text, qav::MbOk | qav::MbCritical, windowTitle());
    if (m_model->rowCount() == 0) {
        GrdContrib->setEnabled(false);
        return;
    }
    GrdContrib->setEnabled(true);
    selectRow(row < 0 ? 0 : qMin(row, m_model->rowCount() - 1));
    publishCurrentRow();
}

void frmModFor::selectRow(int row)
{
    GrdContrib->setCurrentIndex(m_model->index(row, 0));
    GrdContrib->selectRow(row);
}

void frmModFor::copyCurrentRow()
{
    const int row = GrdContrib->currentIndex().row();
    if (row < 0)
        return;
    Session &s = session();
    s.TaxpayerId = m_model->cell(row, 0).trimmed();
    s.Period = m_model->cell(row, 2);
    s.TaxpayerName = m_model->cell(row, 1).trimmed();
    s.SentCorrel = m_model->cell(row, 8).trimmed();
    const QString semana = m_model->cell(row, 11).trimmed();
    s.Semana = semana.isEmpty() ? 0 : semana.toInt();
}

void frmModFor::publishCurrentRow()
{
    const int row = GrdContrib->currentIndex().row();
    if (row < 0)
        return;
    copyCurrentRow();
    if (QAVStatBar *bar = session().StatusBar) {
        bar->setNumdoc(m_model->cell(row, 0));
        bar->setRazonsocial(m_model->cell(row, 1));
        bar->setPeriodo_ejercicio(session().Period);
        bar->setFormulario(m_model->cell(row, 3));
    }
}

void frmModFor::cmdOpciones_Click(int index)
{
    if (index == 1) {
        accept();
        return;
    }
    copyCurrentRow();
    if (m_model->rowCount() == 0 || GrdContrib->currentIndex().row() < 0)
        return;
    if (session().FormMode == 3)
        deleteCurrent();
    else if (session().FormMode == 2)
        modifyCurrent();
}

void frmModFor::deleteCurrent()
{
    if (qav::msgBox(QStringLiteral("Se eliminarán todos los registros de la declaración "),
                    qav::MbOkCancel | qav::MbExclamation | qav::MbDefaultButton2, kDeleteTitle)
        != qav::AnsOk)
        return;
    if (qav::msgBox(QStringLiteral("¿Confirma que va a eliminar la declaración?"),
                    qav::MbYesNo | qav::MbQuestion | qav::MbDefaultButton2, kDeleteTitle)
        != qav::AnsYes)
        return;

    const Session &s = session();
    const int row = GrdContrib->currentIndex().row();
    DeclarationKey key;
    key.taxpayerId = m_model->cell(row, 0);
    key.period = s.Period;
    key.formNumber = m_model->cell(row, 3);
    key.semana = s.Semana;
    key.correl = s.HistoryList ? s.SentCorrel : QString();
    DeclarationStore store(session().Db);
    const bool deleted = s.HistoryList ? store.deleteSent(key) : store.deletePending(key);
    if (!deleted) {
        qav::msgBox(QStringLiteral("No se pudo eliminar la declaración; no se eliminó ningún "
                                   "registro.\n")
                        + store.lastError().text,
                    qav::MbOk | qav::MbCritical, kDeleteTitle);
        return;
    }
    requery();
}

void frmModFor::modifyCurrent()
{
    const int remembered = GrdContrib->currentIndex().row();
    session().FormMode = 2;
    // Hiding ends the window's modal showing; the declaration window follows on its own.
    hide();
    openDeclarationWindow(parentWidget());
    QApplication::processEvents();
    requery();
    if (remembered >= 0 && remembered < m_model->rowCount())
        selectRow(remembered);
}

void frmModFor::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        requery();
}

bool frmModFor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == GrdContrib && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmdOpciones_Click(0);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace declmod
