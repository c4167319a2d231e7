#include "declmod/mainwin/frmbancos.h"

#include "declmod/session/lookups.h"
#include "declmod/session/session.h"

#include "common/amount/picture.h"
#include "common/ui/messages.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QVBoxLayout>

namespace declmod {
namespace {

// The data source: the rows of the consultation, with a display picture per column.
class ConsultaModel : public QSqlQueryModel
{
public:
    using QSqlQueryModel::QSqlQueryModel;

    QStringList pictures;
    int rightAlignedColumn = -1; // amounts line up on the right

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::TextAlignmentRole && index.column() == rightAlignedColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        const QVariant value = QSqlQueryModel::data(index, role);
        if (role != Qt::DisplayRole || index.column() >= pictures.size()
            || pictures.at(index.column()).isEmpty())
            return value;
        return qav::formatPicture(value.toString(), pictures.at(index.column()));
    }
};

} // namespace

frmBancos::frmBancos(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBancos"));
    setWindowTitle(QStringLiteral("Consultas"));

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("grdBancos"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setStretchLastSection(true);

    m_model = new ConsultaModel(this);
    m_model->setObjectName(QStringLiteral("Dta1"));

    m_cmdSalir = new QPushButton(QStringLiteral("&Salir"), this);
    m_cmdSalir->setObjectName(QStringLiteral("CmdSalir"));
    m_cmdSalir->setAutoDefault(false);
    connect(m_cmdSalir, &QPushButton::clicked, this, &frmBancos::cmdSalirClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdSalir);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    resize(520, 360);

    load();
}

frmBancos::~frmBancos() = default;

QString frmBancos::captionText(int queryKind)
{
    switch (queryKind) {
    case 1:
        return QStringLiteral("Consulta de Profesiones");
    case 2:
        return QStringLiteral("Consulta de Comprobantes a Informar");
    case 3:
        return QStringLiteral("Consulta de UIT");
    default:
        return QString();
    }
}

void frmBancos::load()
{
    const Session &s = session();
    const int kind = s.QueryKind;
    const QString caption = captionText(kind);
    if (!caption.isEmpty())
        setWindowTitle(caption);
    m_grid->setAccessibleName(windowTitle());

    auto *model = static_cast<ConsultaModel *>(m_model);
    model->clear();
    model->pictures.clear();
    model->rightAlignedColumn = -1;
    m_grid->setModel(nullptr);

    const QString sql = consultationQuery(kind);
    if (!sql.isEmpty() && s.Db.isOpen()) {
        model->setQuery(QSqlQuery(sql, s.Db.handle()));
        // Every row is read now, so that the grid shows them all and the result is closed.
        while (model->canFetchMore())
            model->fetchMore();
        if (model->lastError().isValid()) {
            qav::msgBox(model->lastError().text(), qav::MbOk | qav::MbExclamation, caption);
            model->clear();
        }
    }

    if (model->columnCount() >= 2) {
        if (kind == 3) {
            model->setHeaderData(0, Qt::Horizontal, QStringLiteral("Fecha"));
            model->setHeaderData(1, Qt::Horizontal, QStringLiteral("Valor"));
            model->pictures = {QStringLiteral("0#/0#/####"), QStringLiteral("###,###")};
            model->rightAlignedColumn = 1;
        } else {
            model->setHeaderData(0, Qt::Horizontal, QStringLiteral("Código"));
            model->setHeaderData(1, Qt::Horizontal, QStringLiteral("Descripción"));
        }
    }
    m_grid->setModel(model);
    if (model->columnCount() >= 2)
        m_grid->setColumnWidth(0, kind == 3 ? 100 : 70);

    if (model->rowCount() > 0) {
        m_grid->setEnabled(true);
        m_grid->setCurrentIndex(model->index(0, 0));
        m_grid->setFocus();
    } else {
        m_grid->setEnabled(false);
        m_cmdSalir->setFocus();
    }
}

void frmBancos::rebind()
{
    if (!m_grid->isEnabled())
        return;
    const int row = m_grid->currentIndex().row();
    const int column = m_grid->currentIndex().column();
    QWidget *focus = focusWidget();
    load();
    if (m_grid->isEnabled() && row > 0) {
        const int last = m_model->rowCount() - 1;
        m_grid->setCurrentIndex(m_model->index(qMin(row, last), qMax(column, 0)));
    }
    if (focus && focus->isEnabled() && isAncestorOf(focus))
        focus->setFocus();
}

void frmBancos::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // Coming back to the window shows the list as it stands now, on the same row.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        rebind();
}

void frmBancos::cmdSalirClick()
{
    m_model->clear();
    accept();
}

} // namespace declmod
