// The declaration window itself: its controls, its load in the three situations it is
// opened in, its activation and its closing. The identification tab, the detail tab and
// the validation and saving are in frm745ident.cpp, frm745detail.cpp and frm745save.cpp.

#include "declmod/declaration/frm745.h"

#include "declmod/declaration/checkdigits.h"
#include "declmod/declaration/declarationkey.h"
#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/detailgridmodel.h"
#include "declmod/declaration/frmconsist.h"
#include "declmod/declaration/identrules.h"
#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/ruledlineedit.h"
#include "declmod/session/session.h"
#include "declmod/session/valuelabel.h"

#include "common/ui/messages.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace declmod {
namespace {

// A field that takes only digits, however the text comes in (typed, pasted, dropped).
QLineEdit *digitsField(const std::function<bool(int)> &accepts)
{
    auto *field = new RuledLineEdit;
    field->setRule(RuledLineEdit::eachCharacter(accepts));
    return field;
}

bool isDigit(int code)
{
    return code >= '0' && code <= '9';
}

} // namespace

Frm745::Frm745(QWidget *parent) : QDialog(parent)
{
    buildUi();
    load();
}

Frm745::~Frm745() = default;

void Frm745::buildUi()
{
    setWindowTitle(caption());
    setObjectName(QStringLiteral("Frm745"));

    tab0745 = new QTabWidget(this);
    tab0745->setObjectName(QStringLiteral("tab0745"));
    tab0745->setAccessibleName(QStringLiteral("Pestañas de la declaración"));

    // Tab 0: identification.
    auto *ident = new QWidget;
    Frame11 = new QGroupBox(QStringLiteral("Datos básicos del Declarante"), ident);
    CmbRuc = new QComboBox;
    CmbRuc->setObjectName(QStringLiteral("CmbRuc"));
    TxtNumRuc = new QLineEdit;
    TxtNumRuc->setObjectName(QStringLiteral("TxtNumRuc"));
    TxtNumRuc->setMaxLength(11);
    TxtNumRuc->setEnabled(false);
    TxtRazon = new QLineEdit;
    TxtRazon->setObjectName(QStringLiteral("TxtRazon"));
    TxtRazon->setMaxLength(40);
    TxtRazon->setEnabled(false);
    MkePeriodo = new QLineEdit;
    MkePeriodo->setObjectName(QStringLiteral("MkePeriodo"));
    MkePeriodo->setInputMask(QStringLiteral("0000;_"));
    TxtTelefono = digitsField([](int code) {
        static const HostServices fallback;
        const HostServices *host = session().hostServices ? session().hostServices : &fallback;
        return host->numericCharOk(code, false, false, false);
    });
    TxtTelefono->setObjectName(QStringLiteral("TxtTelefono"));
    TxtTelefono->setMaxLength(7);
    TxtTelefono->setContextMenuPolicy(Qt::NoContextMenu);

    auto *lblRuc = new QLabel(QStringLiteral("RUC :"));
    lblRuc->setBuddy(CmbRuc);
    TxtNumRuc->setAccessibleName(QStringLiteral("RUC"));
    auto *lblRazon = new QLabel(QStringLiteral("Razón Social :"));
    lblRazon->setBuddy(TxtRazon);
    auto *lblPeriodo = new QLabel(QStringLiteral("Ejercicio :"));
    lblPeriodo->setBuddy(MkePeriodo);
    auto *lblTelefono = new QLabel(QStringLiteral("Teléfono :"));
    lblTelefono->setBuddy(TxtTelefono);
    CmbRuc->setAccessibleName(QStringLiteral("RUC"));
    CmbRuc->view()->setAccessibleName(QStringLiteral("Contribuyentes"));
    TxtRazon->setAccessibleName(QStringLiteral("Razón Social"));
    MkePeriodo->setAccessibleName(QStringLiteral("Ejercicio"));
    TxtTelefono->setAccessibleName(QStringLiteral("Teléfono"));

    auto *rucBox = new QHBoxLayout;
    rucBox->addWidget(CmbRuc, 1);
    rucBox->addWidget(TxtNumRuc, 1);
    auto *fg = new QGridLayout(Frame11);
    fg->addWidget(lblRuc, 0, 0);
    fg->addLayout(rucBox, 0, 1);
    fg->addWidget(lblRazon, 1, 0);
    fg->addWidget(TxtRazon, 1, 1);
    fg->addWidget(lblPeriodo, 2, 0);
    fg->addWidget(MkePeriodo, 2, 1, Qt::AlignLeft);
    fg->addWidget(lblTelefono, 3, 0);
    fg->addWidget(TxtTelefono, 3, 1, Qt::AlignLeft);
    MkePeriodo->setFixedWidth(MkePeriodo->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    TxtTelefono->setFixedWidth(TxtTelefono->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));

    fraRectifica = new QGroupBox(QStringLiteral("Rectificatoria"), ident);
    fraRectifica->setObjectName(QStringLiteral("fraRectifica"));
    // "Si" gives way to "&Salir": Alt+S always leaves the window (the options are shown only).
    OptRectifica[0] = new QRadioButton(QStringLiteral("Si"));
    OptRectifica[1] = new QRadioButton(QStringLiteral("&No"));
    OptRectifica[1]->setChecked(true);
    auto *rg = new QHBoxLayout(fraRectifica);
    rg->addWidget(new QLabel(QStringLiteral("¿La presente declaración rectifica o sustituye a otra?")));
    rg->addWidget(OptRectifica[0]);
    rg->addWidget(OptRectifica[1]);
    rg->addStretch();

    frmOrden = new QGroupBox(QStringLiteral("Número de Orden"), ident);
    frmOrden->setObjectName(QStringLiteral("frmOrden"));
    txtOrden = digitsField(isDigit);
    txtOrden->setObjectName(QStringLiteral("txtOrden"));
    txtOrden->setMaxLength(8);
    txtOrden->setAccessibleName(QStringLiteral("Número de Orden"));
    txtOrden->setContextMenuPolicy(Qt::NoContextMenu);
    lblGuion = new QLabel(QStringLiteral("--"));
    txtVerifica = digitsField(isDigit);
    txtVerifica->setObjectName(QStringLiteral("txtVerifica"));
    txtVerifica->setMaxLength(2);
    txtVerifica->setAccessibleName(QStringLiteral("Dígitos verificadores"));
    txtVerifica->setContextMenuPolicy(Qt::NoContextMenu);
    txtOrden->setFixedWidth(txtOrden->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    txtVerifica->setFixedWidth(txtVerifica->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
    auto *og = new QHBoxLayout(frmOrden);
    og->addWidget(txtOrden);
    og->addWidget(lblGuion);
    og->addWidget(txtVerifica);
    og->addStretch();
    txtOrden->setVisible(false);
    txtVerifica->setVisible(false);

    auto *identLayout = new QVBoxLayout(ident);
    identLayout->addWidget(Frame11);
    identLayout->addWidget(fraRectifica);
    identLayout->addWidget(frmOrden);
    identLayout->addStretch();
    tab0745->addTab(ident, QStringLiteral("&Identificación"));

    // Tab 1: the records.
    auto *detail = new QWidget;
    grdGastos = new QTableView;
    grdGastos->setObjectName(QStringLiteral("grdGastos"));
    grdGastos->setAccessibleName(QStringLiteral("Detalle de comprobantes"));
    m_model = new DetailGridModel(session().Db, this);
    grdGastos->setModel(m_model);
    grdGastos->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdGastos->setSelectionMode(QAbstractItemView::SingleSelection);
    grdGastos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdGastos->setWordWrap(false);
    // Every row has the same height and every column a set width, so the view never
    // measures the rows it does not show.
    grdGastos->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdGastos->verticalHeader()->setDefaultSectionSize(grdGastos->fontMetrics().height() + 6);
    grdGastos->verticalHeader()->hide();
    grdGastos->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Each column as wide as its caption or its widest usual content; the amounts as wide
    // as the largest amount a record may hold (12 integer digits), negative.
    const int cw = grdGastos->fontMetrics().averageCharWidth();
    const QString widest[] = {QStringLiteral("NOTA DE CREDITO"), QStringLiteral("0000"),
                              QStringLiteral("Noviembre"), QStringLiteral("(999,999,999,999.99)"),
                              QStringLiteral("(999,999,999,999.99)")};
    QFont headerFont = grdGastos->horizontalHeader()->font();
    headerFont.setBold(true); // as most styles draw the captions
    const QFontMetrics header(headerFont);
    for (int c = 0; c < 5; ++c) {
        const QString caption = m_model->headerData(c, Qt::Horizontal).toString();
        grdGastos->setColumnWidth(c, std::max(header.horizontalAdvance(caption),
                                              grdGastos->fontMetrics().horizontalAdvance(widest[c]))
                                         + 2 * cw);
    }
    // The voucher type's column takes what the other four leave, so the five always fit the
    // grid, with or without its vertical bar (a long list adds the bar and takes its width
    // from that column, whose long names are elided anyway).
    grdGastos->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    connect(grdGastos, &QTableView::doubleClicked, this, [this] { cmdDetalle_Click(1); });

    lbltotal = new QLabel;
    lbltotal->setObjectName(QStringLiteral("lbltotal"));
    lblTotGra = new QLabel;
    lblTotGra->setObjectName(QStringLiteral("lblTotGra"));
    lblregistros = new QLabel;
    lblregistros->setObjectName(QStringLiteral("lblregistros"));
    showsValue(lbltotal, QStringLiteral("Total de ventas totales"));
    showsValue(lblTotGra, QStringLiteral("Total de ventas gravadas"));
    showsValue(lblregistros, QStringLiteral("Número de registros"));
    for (QLabel *l : {lbltotal, lblTotGra})
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *totals = new QHBoxLayout;
    totals->addWidget(lblregistros);
    totals->addStretch();
    totals->addWidget(new QLabel(QStringLiteral("Totales :")));
    totals->addWidget(lbltotal);
    totals->addSpacing(cw * 2);
    totals->addWidget(lblTotGra);
    lbltotal->setMinimumWidth(16 * cw);
    lblTotGra->setMinimumWidth(16 * cw);

    const QString detCaptions[] = {QStringLiteral("&Nuevo"), QStringLiteral("&Modificar"),
                                   QStringLiteral("&Eliminar"), QStringLiteral("&Importar")};
    auto *recordButtons = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        cmdDetalle[i] = new QPushButton(detCaptions[i]);
        cmdDetalle[i]->setObjectName(QStringLiteral("cmdDetalle%1").arg(i));
        cmdDetalle[i]->setAutoDefault(false);
        connect(cmdDetalle[i], &QPushButton::clicked, this, [this, i] { cmdDetalle_Click(i); });
        recordButtons->addWidget(cmdDetalle[i]);
    }
    recordButtons->addStretch();
    auto *detailLayout = new QVBoxLayout(detail);
    detailLayout->addWidget(grdGastos, 1);
    detailLayout->addLayout(totals);
    detailLayout->addLayout(recordButtons);
    tab0745->addTab(detail, QStringLiteral("&Detalle "));

    const QString genCaptions[] = {QStringLiteral("V&alidar"), QStringLiteral("&Grabar"),
                                   QStringLiteral("&Salir")};
    auto *general = new QHBoxLayout;
    general->addStretch();
    for (int i = 0; i < 3; ++i) {
        Cmdgeneral[i] = new QPushButton(genCaptions[i]);
        Cmdgeneral[i]->setObjectName(QStringLiteral("Cmdgeneral%1").arg(i));
        Cmdgeneral[i]->setAutoDefault(false);
        connect(Cmdgeneral[i], &QPushButton::clicked, this, [this, i] { Cmdgeneral_Click(i); });
        general->addWidget(Cmdgeneral[i]);
    }
    auto *top = new QVBoxLayout(this);
    top->addWidget(tab0745, 1);
    top->addLayout(general);

    for (QObject *o : std::initializer_list<QObject *>{CmbRuc, MkePeriodo, TxtTelefono, txtOrden,
                                                       txtVerifica})
        o->installEventFilter(this);
    CmbRuc->view()->installEventFilter(this);
    connect(CmbRuc, &QComboBox::activated, this, &Frm745::onTaxpayerChosen);
    connect(MkePeriodo, &QLineEdit::textEdited, this, [this] { exerciseCheck(); });
    // An order number the operator dropped or pasted is a change as much as a typed one.
    connect(txtOrden, &QLineEdit::textEdited, this, [] { session().OrderNumberChanged = true; });
    connect(tab0745, &QTabWidget::currentChanged, this, &Frm745::onTabChanged);

    showConsistency = [this](const QString &path) {
        FrmConsist dlg(path, this);
        connect(&dlg, &FrmConsist::lineChosen, this, &Frm745::goToInconsistency);
        dlg.exec();
    };
}

DeclarationKey Frm745::key() const
{
    return DeclarationKey::fromSession(session());
}

QString Frm745::exerciseTyped() const
{
    return MkePeriodo->text().trimmed();
}

QString Frm745::rucChosen() const
{
    return rucOfItem(CmbRuc->currentText());
}

void Frm745::setHelpTopic(int topic)
{
    setProperty("helpTopic", topic);
}

void Frm745::load()
{
    Session &s = session();
    m_closeAfterSave = false;
    s.Semana = 0;
    if (s.FormMode == 1) {
        s.Period.clear();
        s.TaxpayerId.clear();
    }
    tab0745->setCurrentIndex(0);
    m_lastTab = 0;
    if (s.StatusBar)
        s.StatusBar->setPeriodo_ejercicio(s.Period);

    CargarMes();
    CargarTipDoc();
    WorkingTable(s.Db).create();
    if (!s.SentMode)
        m_recovery = std::make_unique<RecoveryFile>(s.Db, recoveryFolder(),
                                                    installationTag(s.SysPath, s.DbFile));
    BorraTemporal();
    UbicaForm(this, 0, 0, 6825, 9615);
    if (s.FormMode != 1)
        CargarCab();
    CargaIdent();
    m_storedVersion = DeclarationStore::absentVersion();
    if (s.FormMode != 1)
        CargaTemporal();
    else
        refrescargrid();
    TotReg();
    if (s.FormMode != 1)
        keepRecovery();
    if (s.FormMode == 1) {
        LlenaContribuyentes(CmbRuc);
        CmbRuc->setCurrentIndex(-1);
        FijaAnchoLista(this, CmbRuc, 37);
        MuestraEstado(QString(), QString(), QString(), s.FormNumber);
    }
    if (s.SentMode) {
        destodo();
        txtOrden->setVisible(true);
        txtVerifica->setVisible(true);
        if (s.SentOrderNumber.trimmed().size() == 8)
            txtVerifica->setText(CalculaDigitos(s.SentControl, s.SentOrderNumber));
    }
    setHelpTopic(1013);
    m_modified = false;
}

void Frm745::keepRecovery()
{
    const DeclarationKey k = key();
    if (!m_recovery || !k.isComplete() || m_recovery->keeps(k))
        return;
    m_recovery->setBaseVersion(m_storedVersion);
    const bool recovered = m_recovery->open(k, [] {
        return qav::msgBox(QStringLiteral("Existen registros de esta declaración que no fueron"
                                          " grabados cuando el módulo se cerró de forma"
                                          " inesperada. ¿Desea recuperarlos?"),
                           qav::MbQuestion | qav::MbYesNo, caption())
            == qav::AnsYes;
    });
    if (recovered) {
        // The records taken over were based on what the ended session loaded: a save must
        // still notice a declaration stored by another session since then.
        m_storedVersion = m_recovery->baseVersion();
        refrescargrid();
        TotReg();
    }
    reportRecoveryFailure();
}

void Frm745::reportRecoveryFailure()
{
    const QString failure = m_recovery ? m_recovery->takeFailure() : QString();
    if (!failure.isEmpty())
        qav::msgBox(failure, qav::MbExclamation, caption());
}

void Frm745::finish()
{
    if (m_recovery)
        m_recovery->close();
    m_closed = true;
    QDialog::done(QDialog::Accepted);
}

void Frm745::reject()
{
    Cmdgeneral_Click(2);
}

void Frm745::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    event->ignore();
    Cmdgeneral_Click(2);
}

bool Frm745::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate) {
        // A new declaration starts on the taxpayer list when the window is first shown.
        // Later activations (after a message box or a dialog of this window) leave the focus
        // where the routine that showed it put it.
        if (!m_activatedOnce && !m_modified && session().FormMode == 1)
            CmbRuc->setFocus();
        m_activatedOnce = true;
        m_modified = false;
    }
    return QDialog::event(e);
}

} // namespace declmod
