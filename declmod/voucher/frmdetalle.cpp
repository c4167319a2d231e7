#include "declmod/voucher/frmdetalle.h"

#include "declmod/declaration/detailtexts.h"
#include "declmod/declaration/recorddialogs.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/listhelpers.h"
#include "declmod/session/lookups.h"
#include "declmod/session/ruledlineedit.h"
#include "declmod/session/session.h"
#include "declmod/session/valuelabel.h"
#include "declmod/voucher/detailrules.h"
#include "declmod/voucher/seriesrules.h"

#include "common/amount/picture.h"
#include "common/db/database.h"
#include "common/ui/messages.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace declmod {
namespace {

const QString kQuestion =
    QStringLiteral("¿La información ha sido modificada, desea guardar los cambios?");
const QString kSaved = QStringLiteral("La información fue grabada satisfactoriamente. ");

const HostServices &host()
{
    static const HostServices fallback;
    const HostServices *h = session().hostServices;
    return h ? *h : fallback;
}

// The key code of a typed key: Backspace 8, Enter 13, else its character's code; 0 for a
// key that types nothing (arrows, function keys), which the fields handle as usual.
int keyCode(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Backspace:
        return kKeyBackspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kKeyEnter;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
        return 0;
    default:
        break;
    }
    const QString text = event->text();
    if (text.isEmpty())
        return 0;
    return text.at(0).unicode();
}

} // namespace

frmDetalle::frmDetalle(DetailGridHost &host, QWidget *parent) : QDialog(parent), m_host(host)
{
    buildUi();
    load();
}

frmDetalle::~frmDetalle() = default;

void frmDetalle::buildUi()
{
    setObjectName(QStringLiteral("frmDetalle"));
    setWindowTitle(caption());

    CmbRetencion = new QComboBox(this);
    CmbRetencion->setObjectName(QStringLiteral("CmbRetencion"));
    CmbRetencion->view()->setAccessibleName(QStringLiteral("Tipos de comprobante"));
    lbltip = new QLabel(this);
    lbltip->setObjectName(QStringLiteral("lbltip"));
    lbltip->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    // Whatever way a text comes into these fields, it stays only when the key rules could
    // have typed it.
    auto *series = new RuledLineEdit(this);
    series->setRule([this](const QString &, const QString &after) {
        return seriesTextAllowed(host(), typeCode(), after);
    });
    txtNumOri = series;
    txtNumOri->setObjectName(QStringLiteral("txtNumOri"));
    txtNumOri->setMaxLength(4);
    auto *month = new RuledLineEdit(this);
    month->setRule([](const QString &, const QString &after) {
        return monthTextAllowed(host(), after);
    });
    txtmes = month;
    txtmes->setObjectName(QStringLiteral("txtmes"));
    txtmes->setMaxLength(2);
    lblMes = new QLabel(this);
    lblMes->setObjectName(QStringLiteral("lblMes"));
    for (int i = 0; i < 2; ++i) {
        // The amounts' limits are on what is typed (amountEditAllowed), not on the field:
        // a value already there, grouped or entered under another type, is never cut.
        auto *amount = new RuledLineEdit(this);
        amount->setRule([this](const QString &before, const QString &after) {
            return amountEditAllowed(before, after, isCreditNote(typeCode()));
        });
        txtImporte[i] = amount;
        txtImporte[i]->setObjectName(QStringLiteral("txtImporte%1").arg(i));
        txtImporte[i]->setAlignment(Qt::AlignRight);
    }
    cmdaceptar[0] = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdaceptar[1] = new QPushButton(QStringLiteral("&Salir"), this);
    for (int i = 0; i < 2; ++i) {
        cmdaceptar[i]->setObjectName(QStringLiteral("cmdaceptar%1").arg(i));
        cmdaceptar[i]->setAutoDefault(false);
    }
    connect(cmdaceptar[0], &QPushButton::clicked, this, &frmDetalle::aceptar);
    connect(cmdaceptar[1], &QPushButton::clicked, this, &frmDetalle::salir);

    // The closed list shows the code only; the drop-down shows the whole entries.
    const int charWidth = fontMetrics().averageCharWidth();
    CmbRetencion->setFixedWidth(charWidth * 4 + 30);
    txtNumOri->setFixedWidth(charWidth * 17);
    txtmes->setFixedWidth(charWidth * 4);
    for (QLineEdit *amount : txtImporte)
        amount->setFixedWidth(charWidth * 20);

    auto *grid = new QGridLayout;
    auto addRow = [&](int row, const QString &text, QWidget *field, QWidget *beside,
                      const QString &accessible) {
        auto *label = new QLabel(text, this);
        label->setBuddy(field);
        field->setAccessibleName(accessible);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1, Qt::AlignLeft);
        if (beside)
            grid->addWidget(beside, row, 2);
    };
    addRow(0, QStringLiteral("&Tipo de comprobante :"), CmbRetencion, lbltip,
           QStringLiteral("Tipo de comprobante"));
    addRow(1, QStringLiteral("&Nro. de serie:"), txtNumOri, nullptr, QStringLiteral("Nro. de serie"));
    addRow(2, QStringLiteral("&Mes :"), txtmes, lblMes, QStringLiteral("Mes"));
    addRow(3, QStringLiteral("&Ventas Totales:"), txtImporte[0], nullptr,
           QStringLiteral("Ventas Totales"));
    addRow(4, QStringLiteral("Ventas &Gravadas:"), txtImporte[1], nullptr,
           QStringLiteral("Ventas Gravadas"));
    showsValue(lbltip, QStringLiteral("Descripción del tipo de comprobante"));
    showsValue(lblMes, QStringLiteral("Nombre del mes"));
    cmdaceptar[0]->setAccessibleName(QStringLiteral("Aceptar"));
    cmdaceptar[1]->setAccessibleName(QStringLiteral("Salir"));
    grid->setColumnStretch(2, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdaceptar[0]);
    buttons->addWidget(cmdaceptar[1]);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(CmbRetencion, txtNumOri);
    setTabOrder(txtNumOri, txtmes);
    setTabOrder(txtmes, txtImporte[0]);
    setTabOrder(txtImporte[0], txtImporte[1]);
    setTabOrder(txtImporte[1], cmdaceptar[0]);
    setTabOrder(cmdaceptar[0], cmdaceptar[1]);

    for (QLineEdit *field : {txtNumOri, txtmes, txtImporte[0], txtImporte[1]}) {
        field->installEventFilter(this);
        // A right-button click offers no menu, so nothing can be pasted that way.
        field->setContextMenuPolicy(Qt::NoContextMenu);
    }
    connect(CmbRetencion, &QComboBox::currentIndexChanged, this, &frmDetalle::onTypeChosen);
}

void frmDetalle::load()
{
    const Session &s = session();
    m_addMode = s.DetailAddMode;
    if (s.SentMode) {
        cmdaceptar[0]->setEnabled(false);
        for (QLineEdit *field : {txtmes, txtImporte[0], txtImporte[1]}) {
            field->setEnabled(false);
            grey(field);
        }
    }
    m_modified = false;
    FijaAnchoLista(this, CmbRetencion, 50);
    CargaCombo233Per(CmbRetencion, QStringLiteral("233"), 40, 1, false);
    if (m_addMode)
        return;

    const std::optional<VoucherRecord> record = m_host.currentRecord();
    m_record = record;
    txtNumOri->setMaxLength(15);
    if (record) {
        BuscaEnLista(CmbRetencion, qav::formatPicture(record->tip_com, u"0#"), 2);
        txtNumOri->setText(record->num_ser);
        txtmes->setText(record->per_tri);
        lblMes->setText(monthName(record->per_tri));
        txtImporte[0]->setText(editableAmount(record->tot_ven));
        txtImporte[1]->setText(editableAmount(record->tot_gra));
    }
    CmbRetencion->setEnabled(false);
    txtmes->setEnabled(false);
    txtNumOri->setEnabled(false);
    grey(txtNumOri);
}

void frmDetalle::grey(QLineEdit *field)
{
    QPalette p = field->palette();
    p.setColor(QPalette::Disabled, QPalette::Base, QColor(192, 192, 192));
    p.setColor(QPalette::Active, QPalette::Base, QColor(192, 192, 192));
    p.setColor(QPalette::Inactive, QPalette::Base, QColor(192, 192, 192));
    // The value stays readable on the grey.
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(48, 48, 48));
    field->setPalette(p);
}

void frmDetalle::CargaCombo233Per(QComboBox *list, const QString &number, int length, int start,
                                  bool addBlank)
{
    // Filling the list is not a choice of the operator's.
    const QSignalBlocker blocker(list);
    list->clear();
    if (addBlank)
        list->addItem(QString(75, u' '));
    QList<ParamListEntry> entries;
    if (!readModuleParamList(session().Db.handle(), number, start, length, &entries, nullptr))
        return;
    for (const ParamListEntry &entry : entries)
        list->addItem(typeListEntry(host(), entry.code, entry.text));
    list->setCurrentIndex(-1);
}

QString frmDetalle::typeCode() const
{
    return typeCodeOf(CmbRetencion->currentText());
}

void frmDetalle::onTypeChosen(int index)
{
    m_modified = true;
    const QString entry = index >= 0 ? CmbRetencion->itemText(index) : QString();
    const QString description = typeDescriptionOf(entry);
    lbltip->setText(description);
    if (!m_addMode || index < 0)
        return;
    if (description.trimmed().isEmpty()) {
        CmbRetencion->setFocus();
        return;
    }
    const QString type = typeCodeOf(entry);
    txtNumOri->setMaxLength(type == u"12" || type == u"99" ? 15 : 4);
    txtNumOri->clear();
    // The amounts stay as they are (the new type limits what is typed from now on), except
    // that a credit note cannot hold a total of 15 characters or more once stored.
    if (isCreditNote(type) && storedAmount(txtImporte[0]->text(), false).size() >= 15) {
        txtImporte[0]->clear();
        txtImporte[1]->clear();
    }
}

bool frmDetalle::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (!field)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        return handleKey(field, static_cast<QKeyEvent *>(event));
    case QEvent::FocusIn: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            fieldEntered(field);
        break;
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            fieldLeft(field);
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

bool frmDetalle::handleKey(QLineEdit *field, QKeyEvent *event)
{
    if (event->key() == Qt::Key_Insert && (event->modifiers() & Qt::ShiftModifier)) {
        m_modified = true;
        if (QClipboard *clipboard = QApplication::clipboard())
            clipboard->clear();
        return true;
    }
    const int code = keyCode(event);
    if (code == 0)
        return false;
    m_modified = true;

    KeyOutcome outcome;
    if (field == txtNumOri)
        outcome = seriesKey(host(), typeCode(), field->text(), code);
    else if (field == txtmes)
        outcome = monthKey(host(), code);
    else
        outcome = amountKey(host(), isCreditNote(typeCode()), field->text(), code);

    if (outcome.moveNext)
        EnterTab(field, QStringLiteral("TAB"));
    if (outcome.dropped())
        return true;
    if (outcome.key == code && code != kKeyEnter)
        return false; // the field takes the key as typed
    if (outcome.key == kKeyEnter)
        return true;
    // The key as it became: it enters only where the typed key could have.
    const QString key(QChar(outcome.key));
    QString proposed = field->text();
    if (field->hasSelectedText())
        proposed.replace(field->selectionStart(), field->selectedText().size(), key);
    else
        proposed.insert(field->cursorPosition(), key);
    const auto *ruled = qobject_cast<RuledLineEdit *>(field);
    if (proposed.size() <= field->maxLength()
        && (!ruled || !ruled->rule() || ruled->rule()(field->text(), proposed)))
        field->insert(key);
    return true;
}

void frmDetalle::fieldEntered(QLineEdit *field)
{
    if (field != txtImporte[0] && field != txtImporte[1])
        return;
    field->setText(Sincoma(field->text()));
    // Selected once the click or key that brought the focus here has been handled.
    QTimer::singleShot(0, field, [field] {
        if (field->hasFocus())
            field->selectAll();
    });
}

void frmDetalle::fieldLeft(QLineEdit *field)
{
    if (field == txtImporte[0] || field == txtImporte[1]) {
        field->setText(groupedAmount(field->text()));
    } else if (field == txtmes) {
        const double value = qav::valOf(field->text());
        if (value >= 1 && value <= 12)
            lblMes->setText(monthNames().at(static_cast<int>(value) - 1));
        if (!field->text().trimmed().isEmpty())
            field->setText(host().padLeft(field->text(), 2, u'0'));
    } else if (field == txtNumOri && !field->text().isEmpty()) {
        const QString type = typeCode();
        if (type == u"12" || type == u"99")
            field->setMaxLength(15);
        else if (isDigitsOnly(field->text()))
            field->setText(host().padLeft(field->text(), 4, u'0'));
    }
}

QLineEdit *frmDetalle::fieldFor(int detailField) const
{
    switch (static_cast<DetailField>(detailField)) {
    case DetailField::Series:
        return txtNumOri;
    case DetailField::Month:
        return txtmes;
    case DetailField::TotalSales:
        return txtImporte[0];
    case DetailField::TaxedSales:
        return txtImporte[1];
    default:
        return nullptr;
    }
}

bool frmDetalle::ValidaDetalle(bool isNew)
{
    DetailEntry entry;
    entry.addMode = isNew;
    entry.typeText = CmbRetencion->currentText();
    entry.series = txtNumOri->text();
    entry.month = txtmes->text();
    entry.totalSales = txtImporte[0]->text();
    entry.taxedSales = txtImporte[1]->text();
    entry.seriesEnabled = txtNumOri->isEnabled();
    WorkingTable table(session().Db);
    const DetailVerdict verdict = validateDetail(host(), entry, session().Period, [&] {
        return table.find(typeCode(), txtNumOri->text(), txtmes->text().trimmed()).has_value();
    });
    if (verdict.ok)
        return true;
    if (verdict.shownBy == DetailVerdict::Shown::Box)
        qav::msgBox(verdict.text, qav::MbOk | qav::MbCritical, caption());
    else
        host().message(verdict.text, caption(), 1, 1, 1);
    if (verdict.focus == DetailField::Type)
        CmbRetencion->setFocus();
    else if (QLineEdit *field = fieldFor(static_cast<int>(verdict.focus)))
        field->setFocus();
    return false;
}

bool frmDetalle::GrabarDet(bool isNew)
{
    VoucherRecord record;
    record.tip_com = typeCode();
    record.num_ser = txtNumOri->text();
    record.per_tri = txtmes->text().trimmed();
    // A modified record keeps its key as stored, whatever the list could show for it.
    if (!isNew && m_record) {
        record.tip_com = m_record->tip_com;
        record.num_ser = m_record->num_ser;
        record.per_tri = m_record->per_tri;
    }
    const bool credit = isCreditNote(record.tip_com);
    record.tot_ven = storedAmount(txtImporte[0]->text(), credit);
    record.tot_gra = storedAmount(txtImporte[1]->text(), credit);
    WorkingTable table(session().Db);
    const bool written = isNew ? table.insert(record) : table.update(record);
    if (!written) {
        const qav::DbError &error = table.lastError();
        qav::msgBox(QStringLiteral("No se pudo grabar el comprobante.\nError Número : %1\n%2")
                        .arg(static_cast<int>(error.number))
                        .arg(error.text),
                    qav::MbOk | qav::MbCritical, caption());
        return false;
    }
    host().message(kSaved, caption(), 4, 1, 1);
    return true;
}

void frmDetalle::refrescargrid()
{
    m_host.refrescargrid();
}

void frmDetalle::SumaTotal()
{
    m_host.SumaTotal();
}

QString frmDetalle::Sincoma(const QString &text)
{
    return withoutCommas(text);
}

void frmDetalle::LimpiaTextos()
{
    CmbRetencion->setCurrentIndex(-1);
    txtNumOri->clear();
    txtmes->clear();
    txtImporte[0]->clear();
    txtImporte[1]->clear();
    lblMes->clear();
}

void frmDetalle::aceptar()
{
    if (!cmdaceptar[0]->isEnabled())
        return;
    // Leaving the field being edited pads or formats it, as a click on the button does.
    if (QWidget *focus = focusWidget(); focus && focus != cmdaceptar[0])
        cmdaceptar[0]->setFocus(Qt::OtherFocusReason);
    if (!ValidaDetalle(m_addMode))
        return;
    if (!GrabarDet(m_addMode))
        return;
    refrescargrid();
    SumaTotal();
    if (m_addMode) {
        LimpiaTextos();
        m_modified = false;
        CmbRetencion->setFocus();
    } else {
        m_modified = false;
        finish();
    }
}

void frmDetalle::salir()
{
    // A sent declaration's record is only viewed: there is nothing to save.
    if (m_modified && !session().SentMode) {
        const int answer =
            qav::msgBox(kQuestion, qav::MbYesNoCancel | qav::MbQuestion, caption());
        if (answer == qav::AnsCancel)
            return;
        if (answer == qav::AnsYes) {
            aceptar();
            return;
        }
    }
    m_modified = false;
    finish();
}

void frmDetalle::finish()
{
    m_closed = true;
    QDialog::accept();
}

void frmDetalle::reject()
{
    salir();
}

void frmDetalle::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    salir();
    if (m_closed)
        event->accept();
    else
        event->ignore();
}

void installDetailDialog()
{
    setDetailDialogOpener([](QWidget *parent, DetailGridHost &host) {
        frmDetalle dialog(host, parent);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.exec();
    });
}

} // namespace declmod
