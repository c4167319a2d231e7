#include "declmod/import/frmtranper.h"

#include "declmod/declaration/recorddialogs.h"
#include "declmod/import/vouchertypes.h"
#include "declmod/reports/errorreport.h"
#include "declmod/reports/muestrareporte.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"
#include "declmod/session/valuelabel.h"

#include "common/ui/messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <climits>

namespace declmod {
namespace {

QString &startFolderSetting()
{
    static QString folder;
    return folder;
}

ErrorReportHooks &reportHooks()
{
    static ErrorReportHooks hooks = frmTranPer::moduleErrorReportHooks();
    return hooks;
}

} // namespace

// The transfer-error report is built after the question whatever the answer, and shown
// whole on Yes.
ErrorReportHooks frmTranPer::moduleErrorReportHooks()
{
    ErrorReportHooks hooks = transferErrorReportHooks();
    hooks.show = [](const QString &spoolName) {
        reportState().PageRangeActive = false;
        MuestraReporte(spoolName, QStringLiteral("Vprevia"));
    };
    return hooks;
}

void frmTranPer::setErrorReportHooks(const ErrorReportHooks &hooks)
{
    reportHooks() = hooks;
}

void frmTranPer::setStartFolder(const QString &folder)
{
    startFolderSetting() = folder;
}

void frmTranPer::install()
{
    setImportDialogOpener([](QWidget *parent, DetailGridHost &host) {
        frmTranPer dialog(&host, parent);
        dialog.exec();
    });
}

frmTranPer::frmTranPer(DetailGridHost *host, QWidget *parent)
    : QDialog(parent)
    , m_host(host)
{
    setObjectName(QStringLiteral("frmTranPer"));
    setWindowTitle(QStringLiteral("Importar"));

    auto *instruction = new QLabel(QStringLiteral(
        "Seleccione el directorio donde se encuentra el archivo de datos a importar:"));
    instruction->setWordWrap(true);

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_folders->setRootPath(QDir::rootPath());
    DirDirectorio = new QTreeView;
    DirDirectorio->setObjectName(QStringLiteral("DirDirectorio"));
    DirDirectorio->setAccessibleName(QStringLiteral("Directorio"));
    DirDirectorio->setModel(m_folders);
    for (int c = 1; c < m_folders->columnCount(); ++c)
        DirDirectorio->hideColumn(c);
    DirDirectorio->header()->hide();
    instruction->setBuddy(DirDirectorio);
    // Only the operator's moves choose a folder: the model also moves the current index
    // while it reads the folders in the background, and the tree is placed on its start.
    connect(DirDirectorio->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && DirDirectorio->hasFocus() && !m_placingStart)
                    setFolder(m_folders->filePath(current));
            });
    // The tree starts at the program's own folder, opened down to it. The model reads the
    // folders in the background and adds their entries later, which moves the start out of
    // sight: the tree is placed on it again after each change of the model, until the
    // operator uses the tree.
    m_startFolder = QDir::cleanPath(startFolderSetting().isEmpty()
                                        ? QCoreApplication::applicationDirPath()
                                        : startFolderSetting());
    const auto placeLater = [this] {
        if (m_placePending || m_treeUsed)
            return;
        m_placePending = true;
        QTimer::singleShot(0, this, [this] {
            m_placePending = false;
            if (!m_treeUsed)
                showStartFolder();
        });
    };
    connect(m_folders, &QAbstractItemModel::rowsInserted, this, placeLater);
    connect(m_folders, &QAbstractItemModel::layoutChanged, this, placeLater);
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, placeLater);
    DirDirectorio->installEventFilter(this);
    DirDirectorio->viewport()->installEventFilter(this);
    showStartFolder();
    connect(DirDirectorio, &QTreeView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            setFolder(m_folders->filePath(index));
    });

    File1 = new QListWidget;
    File1->setObjectName(QStringLiteral("File1"));
    File1->setAccessibleName(QStringLiteral("Archivo a importar"));
    File1->setMaximumHeight(80);
    auto *fileLabel = new QLabel(QStringLiteral("Archi&vo:"));
    fileLabel->setBuddy(File1);

    auto *folderFrame = new QGroupBox(QStringLiteral("Directorio :"));
    auto *folderLayout = new QVBoxLayout(folderFrame);
    folderLayout->addWidget(DirDirectorio, 1);
    folderLayout->addWidget(fileLabel);
    folderLayout->addWidget(File1);

    lblTransferidos = new QLabel(QString::fromUtf16(kInitialTransferredText));
    lblTransferidos->setObjectName(QStringLiteral("lblTransferidos"));
    showsValue(lblTransferidos, QStringLiteral("Registros transferidos"));
    lblRechazados = new QLabel(QString::fromUtf16(kInitialRejectedText));
    lblRechazados->setObjectName(QStringLiteral("lblRechazados"));
    showsValue(lblRechazados, QStringLiteral("Registros rechazados"));
    prgAvance = new QProgressBar;
    prgAvance->setObjectName(QStringLiteral("prgAvance"));
    prgAvance->setAccessibleName(QStringLiteral("Avance de la importación"));
    prgAvance->setRange(0, 1000);
    prgAvance->setValue(0);
    prgAvance->setTextVisible(true);
    prgAvance->setFormat(QStringLiteral("%p%"));
    auto *resultsFrame = new QGroupBox(QStringLiteral("Resultados de la Importación"));
    auto *resultsLayout = new QVBoxLayout(resultsFrame);
    resultsLayout->addWidget(lblTransferidos);
    resultsLayout->addWidget(lblRechazados);
    resultsLayout->addWidget(prgAvance);

    cmdTransferir = new QPushButton(QStringLiteral("&Aceptar"));
    cmdTransferir->setObjectName(QStringLiteral("cmdTransferir"));
    cmdTransferir->setDefault(true);
    cmCancelar = new QPushButton(QStringLiteral("&Salir"));
    cmCancelar->setObjectName(QStringLiteral("cmCancelar"));
    connect(cmdTransferir, &QPushButton::clicked, this, &frmTranPer::cmdTransferir_Click);
    connect(cmCancelar, &QPushButton::clicked, this, &frmTranPer::cmCancelar_Click);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdTransferir);
    buttons->addWidget(cmCancelar);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(instruction);
    layout->addWidget(folderFrame, 1);
    layout->addWidget(resultsFrame);
    layout->addLayout(buttons);
    resize(520, 520);
    listFiles();
}

frmTranPer::~frmTranPer() = default;

bool frmTranPer::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        m_treeUsed = true;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void frmTranPer::showStartFolder()
{
    const QModelIndex start = m_folders->index(m_startFolder);
    if (!start.isValid())
        return;
    m_placingStart = true;
    DirDirectorio->setCurrentIndex(start);
    DirDirectorio->scrollTo(start, QAbstractItemView::PositionAtCenter);
    m_placingStart = false;
}

QString frmTranPer::fileName() const
{
    const Session &s = session();
    return s.FormNumber + s.TaxpayerId + s.Period + QStringLiteral(".TXT");
}

void frmTranPer::setFolder(const QString &folder)
{
    m_folder = folder;
    listFiles();
}

void frmTranPer::listFiles()
{
    File1->clear();
    if (m_folder.isEmpty())
        return;
    const QString wanted = fileName();
    const QStringList names = QDir(m_folder).entryList(QDir::Files);
    for (const QString &name : names)
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            File1->addItem(name);
}

QStringList frmTranPer::listedFiles() const
{
    QStringList names;
    for (int i = 0; i < File1->count(); ++i)
        names << File1->item(i)->text();
    return names;
}

void frmTranPer::showCounters(const TransPerRet &run)
{
    // The counters are shown from the first line read on: a run refused before its first
    // line leaves the texts as they were.
    if (run.transferred() + run.rejected() > 0) {
        lblTransferidos->setText(transferredText(run.transferred()));
        lblRechazados->setText(rejectedText(run.rejected()));
    }
    const qint64 size = run.fileSize();
    prgAvance->setValue(size > 0 ? int(run.bytesRead() * 1000 / size) : 0);
}

void frmTranPer::cmdTransferir_Click()
{
    if (running())
        return;
    Session &s = session();
    QStringList codes;
    QString error;
    if (!ParamVoucherTypes(s.Db.handle()).codes(&codes, &error)) {
        qav::msgBox(QStringLiteral("Error Tecnico: ") + QString::number(qav::ErrEngine) + u' '
                        + error,
                    qav::MbOk | qav::MbCritical, QStringLiteral("Error"));
        return;
    }
    const VoucherTypeSet types(codes);
    static const HostServices fallbackHost;
    const HostServices *host = s.hostServices ? s.hostServices : &fallbackHost;
    WorkingTableTarget target(s.Db);
    TransPerRet::Services services{host, &types, &s.Db, &target, &qav::messages()};
    TransferSetup setup{m_folder, s.ReportDir, s.FormNumber, s.TaxpayerId, s.Period, QString()};
    m_run = std::make_unique<TransPerRet>(services, setup);
    m_run->setProgress([this](const TransPerRet &run) {
        showCounters(run);
        // The dialog stays responsive: Salir, repainting.
        QCoreApplication::processEvents();
    });

    reportState().ErrorCount = 0;
    cmdTransferir->setEnabled(false);
    prgAvance->setValue(0);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const TransferOutcome outcome = m_run->run();
    QApplication::restoreOverrideCursor();

    switch (outcome) {
    case TransferOutcome::Refused:
        if (m_run->refusal() == ImportFileStatus::WrongFieldCount) {
            lblTransferidos->setText(QString::fromUtf16(kInitialTransferredText));
            lblRechazados->setText(QString::fromUtf16(kInitialRejectedText));
        }
        break;
    case TransferOutcome::LogFailed:
        lblTransferidos->setText(QStringLiteral("0 Importados"));
        lblRechazados->setText(QStringLiteral("0 Rechazados"));
        break;
    default:
        showCounters(*m_run);
        break;
    }
    if (outcome == TransferOutcome::Completed)
        reportState().ErrorCount = int(qMin<qint64>(m_run->rejected(), INT_MAX));
    cmdTransferir->setEnabled(true);
    if (m_host) {
        m_host->refrescargrid();
        m_host->SumaTotal();
    }
    if (outcome == TransferOutcome::Completed && !m_closeAfterRun)
        announceTransfer(*m_run, s.Db, s.SysUser, reportHooks(), qav::messages(), true);
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        QDialog::reject();
    }
}

void frmTranPer::cmCancelar_Click()
{
    if (running()) {
        // The run is still on the stack: it stops after its line, then the dialog closes.
        m_run->requestStop();
        m_closeAfterRun = true;
        return;
    }
    QDialog::reject();
}

void frmTranPer::reject()
{
    cmCancelar_Click();
}

void frmTranPer::closeEvent(QCloseEvent *event)
{
    if (running()) {
        event->ignore();
        cmCancelar_Click();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace declmod
