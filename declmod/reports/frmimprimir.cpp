#include "declmod/reports/frmimprimir.h"

#include "declmod/reports/frmimpxpag.h"
#include "declmod/reports/muestrareporte.h"
#include "declmod/reports/printers.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace declmod {
namespace {

enum Column {
    ColRuc, ColNombre, ColPeriodo, ColEjercicio, ColFormulario, ColNorden, ColFecEnv, ColControl,
    ColCorrel, ColEstado, ColRectifica, ColSemana, ColumnCount
};

void showFailure(const QString &text)
{
    qav::msgBox(text, qav::MbOk | qav::MbCritical, QStringLiteral("Impresión"));
}

} // namespace

QStringList frmImprimir::columnCaptions()
{
    return {QStringLiteral("RUC"),        QStringLiteral("Razón Social"), QStringLiteral("Periodo"),
            QStringLiteral("Ejercicio"),  QStringLiteral("Formulario"),   QStringLiteral("N.Orden"),
            QStringLiteral("Fecha Envio"), QStringLiteral("Control"),     QStringLiteral("Correlativo"),
            QStringLiteral("Estado"),     QStringLiteral("Rectifica"),    QStringLiteral("Semana")};
}

frmImprimir::frmImprimir(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmImprimir"));
    setWindowTitle(QStringLiteral("Imprimir declaraciones enviadas"));

    auto *order = new QGroupBox(QStringLiteral("Ordenado"), this);
    m_options[0] = new QRadioButton(QStringLiteral("Por mes"), order);
    m_options[1] = new QRadioButton(QStringLiteral("Por serie"), order);
    m_options[0]->setObjectName(QStringLiteral("optReporte0"));
    m_options[1]->setObjectName(QStringLiteral("optReporte1"));
    m_options[0]->setChecked(true);
    auto *orderLayout = new QHBoxLayout(order);
    orderLayout->addWidget(m_options[0]);
    orderLayout->addWidget(m_options[1]);

    m_frame = new QGroupBox(QStringLiteral("Declaraciones registradas"), this);
    m_frame->setObjectName(QStringLiteral("Frame2"));
    m_grid = new QTableView(m_frame);
    m_grid->setObjectName(QStringLiteral("grdContrib"));
    m_grid->setAccessibleName(QStringLiteral("Declaraciones"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->hide();
    m_grid->installEventFilter(this);
    m_model = new QStandardItemModel(0, ColumnCount, this);
    m_model->setHorizontalHeaderLabels(columnCaptions());
    m_grid->setModel(m_model);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { rowChanged(); });
    connect(m_grid, &QTableView::doubleClicked, this, [this] { preliminar(); });
    auto *frameLayout = new QVBoxLayout(m_frame);
    frameLayout->addWidget(m_grid);

    const char *captions[] = {"&Preliminar", "&Imprimir", "&Salir"};
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (int i = 0; i < 3; ++i) {
        m_buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        m_buttons[i]->setObjectName(QStringLiteral("CmdImprimir%1").arg(i));
        m_buttons[i]->setAutoDefault(false);
        buttons->addWidget(m_buttons[i]);
    }
    connect(m_buttons[0], &QPushButton::clicked, this, [this] { preliminar(); });
    connect(m_buttons[1], &QPushButton::clicked, this, [this] { imprimir(); });
    connect(m_buttons[2], &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(order);
    layout->addWidget(m_frame, 1);
    layout->addLayout(buttons);
    resize(720, 420);
}

frmImprimir::~frmImprimir() = default;

bool frmImprimir::readList(QString *error)
{
    const Session &s = session();
    return readPrintList(const_cast<qav::Database &>(s.Db), s.HistoryList, s.FormNumber, s.SysUser,
                         &m_rows, error);
}

void frmImprimir::fillModel()
{
    m_model->removeRows(0, m_model->rowCount());
    for (const DeclarationRow &r : std::as_const(m_rows)) {
        const QString values[ColumnCount] = {
            r.DOC_ID_D, r.Nombre, r.Periodo, r.Periodof, r.Formulario, r.Norden,
            r.FecEnv.isValid() ? r.FecEnv.toString(QStringLiteral("dd/MM/yyyy")) : QString(),
            r.Control, r.Correl, r.Estado, r.Rectifica, QString::number(r.Semana)};
        QList<QStandardItem *> items;
        for (const QString &v : values)
            items << new QStandardItem(v);
        m_model->appendRow(items);
    }
}

void frmImprimir::load()
{
    const bool history = session().HistoryList;
    setWindowTitle(history ? QStringLiteral("Imprimir Formularios enviados") : QStringLiteral("Imprimir "));
    if (history)
        m_frame->setTitle(QStringLiteral("Declaraciones Enviadas"));
    QString why;
    if (!readList(&why))
        showFailure(QStringLiteral("Error Técnico : (%1) %2").arg(session().Db.lastError().number).arg(why));
    fillModel();

    const qreal twips = logicalDpiX() / 1440.0;
    const bool hidden[ColumnCount] = {false, false, true, false, false, !history, !history,
                                      !history, !history, true, false, false};
    for (int c = 0; c < ColumnCount; ++c)
        m_grid->setColumnHidden(c, hidden[c]);
    m_grid->setColumnWidth(ColNombre, int((history ? 3300 : 4000) * twips));
    if (!history)
        m_grid->setColumnWidth(ColEjercicio, int(1000 * twips));
    if (!m_rows.isEmpty())
        m_grid->setCurrentIndex(m_model->index(0, 0));
}

bool frmImprimir::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate && !m_rows.isEmpty()) {
        const int row = m_grid->currentIndex().row();
        QString why;
        if (readList(&why)) {
            fillModel();
            if (!m_rows.isEmpty())
                m_grid->setCurrentIndex(m_model->index(qBound(0, row, int(m_rows.size()) - 1), 0));
        }
        m_grid->setFocus();
        rowChanged();
    }
    return QDialog::event(e);
}

bool frmImprimir::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_grid && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            preliminar();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void frmImprimir::rowChanged()
{
    const int row = m_grid->currentIndex().row();
    if (row < 0 || row >= m_rows.size())
        return;
    Session &s = session();
    const DeclarationRow &r = m_rows[row];
    s.TaxpayerId = r.DOC_ID_D;
    s.Period = r.Periodo;
    s.TaxpayerName = r.Nombre;
    s.Semana = r.Semana;
    MuestraEstado(r.DOC_ID_D, r.Nombre, r.Periodof, r.Formulario);
}

bool frmImprimir::readSelectedRow()
{
    const int row = m_grid->currentIndex().row();
    if (row < 0 || row >= m_rows.size())
        return false;
    const ReportDeclaration d = reportDeclaration(m_rows[row]);
    Session &s = session();
    s.TaxpayerId = d.TaxpayerId;
    s.Period = d.Period;
    s.TaxpayerName = d.TaxpayerName;
    s.SentCorrel = d.SentCorrel;
    s.SentOrderNumber = d.SentOrderNumber;
    s.SentControl = d.SentControl;
    s.Semana = d.Semana;
    return true;
}

bool frmImprimir::buildReport(PreparedReport *report)
{
    if (!readSelectedRow())
        return false;
    Session &s = session();
    ReportState &state = reportState();
    state.ReportKind = DeclarationReport;
    state.byMonth = m_options[0]->isChecked();
    static const HostServices fallback;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ReportDeclaration d;
    d.TaxpayerId = s.TaxpayerId;
    d.TaxpayerName = s.TaxpayerName;
    d.Period = s.Period;
    d.Semana = s.Semana;
    d.SentCorrel = s.SentCorrel;
    d.SentOrderNumber = s.SentOrderNumber;
    d.SentControl = s.SentControl;
    *report = prepareDeclarationReport(s.Db, s.hostServices ? *s.hostServices : fallback, d,
                                       s.SentMode, state.byMonth, s.FormNumber, s.ReportDir, s.SysUser);
    QApplication::restoreOverrideCursor();
    if (!report->ok) {
        showFailure(report->message);
        return false;
    }
    return true;
}

void frmImprimir::preliminar()
{
    if (m_rows.isEmpty())
        return;
    const int remembered = m_grid->currentIndex().row();
    PreparedReport report;
    if (!buildReport(&report))
        return;
    ReportState &state = reportState();
    if (report.pages <= 1) {
        state.PageRangeActive = false;
        MuestraReporte(report.name, QStringLiteral("Vprevia"));
    } else {
        state.PageRangeActive = true;
        frmImpxPag range(this);
        range.setWindowTitle(QStringLiteral("Impresión de %1 páginas").arg(report.pages));
        range.setTotalPages(report.pages);
        range.setReportFileName(report.name);
        range.setWindowModality(Qt::ApplicationModal);
        runDialog(range);
    }
    if (remembered >= 0) {
        QApplication::processEvents();
        if (remembered < m_model->rowCount())
            m_grid->setCurrentIndex(m_model->index(remembered, 0));
    }
}

void frmImprimir::imprimir()
{
    if (m_rows.isEmpty())
        return;
    PreparedReport report;
    if (!buildReport(&report))
        return;
    reportState().PageRangeActive = false;
    MuestraReporte(report.name, QStringLiteral("xx"));
}

} // namespace declmod
