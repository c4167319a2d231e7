#include "declmod/declaration/frm745.h"

#include "declmod/declaration/checkdigits.h"
#include "declmod/declaration/declarationkey.h"
#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/detailgridmodel.h"
#include "declmod/declaration/detailtexts.h"
#include "declmod/declaration/ejecutasql.h"
#include "declmod/declaration/frmconsist.h"
#include "declmod/declaration/identrules.h"
#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/validation.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/ruledlineedit.h"
#include "declmod/session/session.h"
#include "declmod/session/valuelabel.h"

#include "common/time/clock.h"
#include "common/ui/messages.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace declmod {
namespace {

const QString kExerciseInvalid = QStringLiteral("¡El Ejercicio no es Válido!");

// Shows the busy pointer while a routine works.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

int critical(const QString &text)
{
    return qav::msgBox(text, qav::MbCritical | qav::MbOk, Frm745::caption());
}

bool isTextKey(const QKeyEvent *k)
{
    return !k->text().isEmpty() && k->text().at(0).unicode() >= 32
        && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

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

bool isEnter(const QKeyEvent *k)
{
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
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

void Frm745::BorraTemporal()
{
    WorkingTable wt(session().Db);
    if (!wt.clear())
        ShowSqlError(wt.lastError().number, wt.lastError().text);
}

void Frm745::CargaTemporal()
{
    Session &s = session();
    BusyPointer busy;
    WorkingTable wt(s.Db);
    if (!wt.fillFromStored(key(), s.SentMode))
        ShowSqlError(wt.lastError().number, wt.lastError().text);
    // Read after the records: a save by another session in between makes the two disagree,
    // so that the next save asks rather than missing it. Unknown, it never matches.
    if (!s.SentMode)
        m_storedVersion = DeclarationStore(s.Db)
                              .version(key(), DeclarationStore::Records::WorkingTable)
                              .value_or(QByteArray());
    m_model->setOrder(s.SentMode ? GridOrder::AsStored : GridOrder::ByTypeAndSeries);
    if (m_model->rowCount() > 0)
        grdGastos->setCurrentIndex(m_model->index(0, 0));
}

void Frm745::CargarTipDoc()
{
    m_model->loadTypeNames();
}

void Frm745::CargarMes()
{
    // The month names are the grid model's own translation (monthName).
}

void Frm745::TotReg()
{
    const auto t = WorkingTable(session().Db).totals();
    if (!t) {
        lbltotal->clear();
        lblTotGra->clear();
        lblregistros->setText(countText(0));
        return;
    }
    lblregistros->setText(countText(t->count));
    if (t->invalid) {
        // As the declaration report does, no total is given over an amount that is not a
        // number; the record is named once, and the labels say so while it stays.
        const InvalidAmount &bad = *t->invalid;
        const QString text = QStringLiteral("Importe no válido en la serie %1, mes %2: \"%3\"")
                                 .arg(bad.num_ser, bad.per_tri, bad.amount);
        for (QLabel *l : {lbltotal, lblTotGra}) {
            l->setText(QStringLiteral("Importe no válido"));
            l->setToolTip(text);
        }
        if (text != m_invalidAmountShown) {
            m_invalidAmountShown = text;
            qav::msgBox(text + u'\n'
                            + QStringLiteral("Los totales no se muestran hasta que el registro sea"
                                             " corregido o eliminado."),
                        qav::MbOk | qav::MbExclamation, caption());
        }
        return;
    }
    m_invalidAmountShown.clear();
    lblTotGra->setText(totalText(t->totGra));
    lbltotal->setText(totalText(t->totVen));
    for (QLabel *l : {lbltotal, lblTotGra})
        l->setToolTip(QString());
}

void Frm745::SumaTotal()
{
    TotReg();
}

void Frm745::refrescargrid()
{
    const int row = grdGastos->currentIndex().row();
    m_model->refresh();
    const int rows = m_model->rowCount();
    if (rows > 0)
        grdGastos->setCurrentIndex(m_model->index(qBound(0, row, rows - 1), 0));
}

std::optional<VoucherRecord> Frm745::currentRecord() const
{
    const QModelIndex current = grdGastos->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return m_model->record(current.row());
}

void Frm745::Eliminar(const QString &num_ser, const QString &tip_com, const QString &per_tri)
{
    WorkingTable wt(session().Db);
    if (!wt.remove(num_ser, tip_com, per_tri))
        ShowSqlError(wt.lastError().number, wt.lastError().text);
}

void Frm745::showHostMessage(const QString &text)
{
    static const HostServices fallback;
    const HostServices *host = session().hostServices ? session().hostServices : &fallback;
    host->message(text, caption(), 1, 1, 1);
}

void Frm745::cmdDetalle_Click(int index)
{
    Session &s = session();
    const int rows = m_model->rowCount();
    const QModelIndex current = grdGastos->currentIndex();
    switch (index) {
    case 0: {
        s.DetailAddMode = true;
        if (const auto &open = detailDialogOpener())
            open(this, *this);
        refrescargrid();
        break;
    }
    case 1: {
        s.DetailAddMode = false;
        if (s.SentMode) {
            if (rows == 0)
                return;
        } else if (rows == 0) {
            showHostMessage(QStringLiteral("No existen registros para modificar"));
            cmdDetalle[0]->setFocus();
            return;
        } else if (!current.isValid()) {
            showHostMessage(QStringLiteral("Tiene que seleccionar registro a modificar"));
            cmdDetalle[0]->setFocus();
            return;
        }
        const int remembered = current.isValid() ? current.row() : -1;
        if (const auto &open = detailDialogOpener())
            open(this, *this);
        m_model->refresh();
        const int now = m_model->rowCount();
        if (now > 0 && remembered >= 0)
            grdGastos->setCurrentIndex(m_model->index(qMin(remembered, now - 1), 0));
        break;
    }
    case 2: {
        if (rows == 0) {
            showHostMessage(QStringLiteral("No existen registros para eliminar"));
            cmdDetalle[0]->setFocus();
        } else if (!current.isValid()) {
            showHostMessage(QStringLiteral("Tiene que Seleccionar un registro"));
            return;
        } else {
            const int answer = qav::msgBox(
                QStringLiteral("¿Confirma que va eliminar el registro seleccionado?"),
                qav::MbYesNo | qav::MbExclamation | qav::MbDefaultButton2,
                QStringLiteral("Eliminar Formulario"));
            if (answer != qav::AnsYes) {
                grdGastos->setFocus();
                return;
            }
            const auto r = m_model->record(current.row());
            if (r)
                Eliminar(r->num_ser, r->tip_com, r->per_tri);
        }
        refrescargrid();
        SumaTotal();
        break;
    }
    case 3:
        if (const auto &open = importDialogOpener())
            open(this, *this);
        refrescargrid();
        SumaTotal();
        break;
    }
    reportRecoveryFailure();
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
