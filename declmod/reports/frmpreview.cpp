#include "declmod/reports/frmpreview.h"

#include "declmod/reports/pagerenderer.h"
#include "declmod/reports/paintertarget.h"
#include "declmod/reports/pdfexport.h"
#include "declmod/reports/printers.h"
#include "declmod/reports/printprogress.h"
#include "declmod/reports/reportstate.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <new>

namespace declmod {
namespace {

constexpr int ErrOutOfMemory = 7;
constexpr int ErrDocumentRead = 9107;

const QString kPresPrevia = QStringLiteral("PresPrevia");
const QString kImprimir = QStringLiteral("IMPRIMIR");

frmPreview::PdfFileChooser &pdfChooser()
{
    static frmPreview::PdfFileChooser chooser;
    return chooser;
}

} // namespace

QColor reportColor(const QString &value)
{
    QString v = value.trimmed();
    if (!v.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        return QColor();
    v = v.mid(2);
    if (v.endsWith(u'&'))
        v.chop(1);
    bool ok = false;
    const quint32 n = v.toUInt(&ok, 16);
    if (!ok)
        return QColor();
    if (n & 0x80000000u)
        return (n & 0xFF) == 5 ? QApplication::palette().color(QPalette::Base) : QColor();
    return QColor(int(n & 0xFF), int((n >> 8) & 0xFF), int((n >> 16) & 0xFF));
}

PageSurface::PageSurface(QWidget *parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Página del reporte"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_background = palette().color(QPalette::Base);
    // The paper the report prints on.
    const QSizeF inches = reportPaperSize().size(QPageSize::Inch);
    resize(qRound(inches.width() * logicalDpiX()), qRound(inches.height() * logicalDpiY()));
}

void PageSurface::setElements(const QList<qav::ReportElement> &elements)
{
    m_elements = elements;
    update();
}

void PageSurface::setBackground(const QColor &color)
{
    m_background = color;
    update();
}

void PageSurface::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_background);
    p.setRenderHint(QPainter::TextAntialiasing);
    PainterTarget target(&p, logicalDpiX(), logicalDpiY());
    drawElements(m_elements, target);
}

frmPreview::frmPreview(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Presentación Preliminar"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("tlbPrevia"));
    m_toolbar->setAccessibleName(QStringLiteral("Barra de la presentación preliminar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this](const QString &text, const QKeySequence &key, auto slot) {
        QAction *a = m_toolbar->addAction(text);
        a->setShortcut(key);
        a->setToolTip(text + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + u')');
        connect(a, &QAction::triggered, this, slot);
        m_buttons << a;
        return a;
    };
    add(QStringLiteral("Pag Anterior"), QKeySequence(Qt::Key_PageUp), [this] { pMostrar(-2); });
    add(QStringLiteral("Pag Sgt"), QKeySequence(Qt::Key_PageDown), [this] { pMostrar(-1); });
    add(QStringLiteral("Imprimir"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { imprimir(); });
    add(QStringLiteral("Salir"), QKeySequence(Qt::ALT | Qt::Key_S), [this] { accept(); });
    QAction *pdf = new QAction(QStringLiteral("Guardar PDF"), this);
    pdf->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(pdf, &QAction::triggered, this, [this] { guardarPdf(); });
    m_toolbar->insertAction(m_buttons[3], pdf);
    m_buttons << pdf;
    for (QAction *a : std::as_const(m_buttons))
        addAction(a);

    m_fondo = new QWidget(this);
    m_fondo->setObjectName(QStringLiteral("picFondo"));
    m_fondo->setAccessibleName(QStringLiteral("Vista de la página"));
    m_fondo->setAutoFillBackground(true);
    QPalette dark = m_fondo->palette();
    dark.setColor(QPalette::Window, QColor(128, 128, 128));
    m_fondo->setPalette(dark);
    m_surface = new PageSurface(m_fondo);
    m_surface->setObjectName(QStringLiteral("picPrevia"));

    for (int i = 0; i < 2; ++i) {
        m_vsb[i] = new QScrollBar(Qt::Vertical, this);
        m_vsb[i]->setObjectName(QStringLiteral("vsbPic%1").arg(i));
        m_vsb[i]->setAccessibleName(QStringLiteral("Desplazamiento vertical"));
        connect(m_vsb[i], &QScrollBar::valueChanged, this, &frmPreview::verticalChanged);
    }
    m_hsb = new QScrollBar(Qt::Horizontal, this);
    m_hsb->setObjectName(QStringLiteral("HScroll1"));
    m_hsb->setAccessibleName(QStringLiteral("Desplazamiento horizontal"));
    connect(m_hsb, &QScrollBar::valueChanged, this, &frmPreview::horizontalChanged);

    auto *grid = new QGridLayout;
    grid->setSpacing(0);
    grid->addWidget(m_vsb[0], 0, 0);
    grid->addWidget(m_fondo, 0, 1);
    grid->addWidget(m_vsb[1], 0, 2);
    grid->addWidget(m_hsb, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addLayout(grid, 1);
    resize(m_surface->width() + 40, 700);
}

frmPreview::~frmPreview() = default;

QAction *frmPreview::button(int index) const
{
    // Buttons 2 to 5 as the tool bar numbers them; 6 is "Guardar PDF".
    return m_buttons.value(index - 2);
}

void frmPreview::setPdfFileChooser(PdfFileChooser chooser)
{
    pdfChooser() = std::move(chooser);
}

QWidget *frmPreview::dialogParent()
{
    // Printing straight to the printer never shows the preview: the window over the job
    // then belongs to the caller's window.
    return isVisible() ? this : parentWidget();
}

QString frmPreview::documentPath(const QString &fileName) const
{
    return session().ReportDir + u'/' + fileName;
}

void frmPreview::load()
{
    PreviewMode = kPresPrevia;
    if (pDesencripta(m_fileName, kPresPrevia))
        pMostrar(0);
}

void frmPreview::failAndClose(const QString &text, const QString &title)
{
    qav::msgBox(text, qav::MbOk | qav::MbCritical, title);
    m_closedOnError = true;
    m_surfaces.clear();
    m_surface->setElements({});
    reject();
}

bool frmPreview::pDesencripta(const QString &fileName, const QString &mode)
{
    const bool preview = mode == kPresPrevia;
    if (!preview)
        PreviewMode = kImprimir;
    const QString path = documentPath(fileName);
    static const HostServices fallback;
    const HostServices &host = session().hostServices ? *session().hostServices : fallback;
    if (!host.fileExists(path)) {
        qav::msgBox(QStringLiteral("Archivo Físico del Reporte no Existe"), qav::MbOk | qav::MbCritical,
                    QStringLiteral("Error al Imprimir"));
        return false;
    }
    const ReportState &state = reportState();
    const PageRange *range = state.PageRangeActive ? &state.PageFromTo : nullptr;
    if (preview) {
        QString why;
        if (!m_pages.open(path, &why)) {
            failAndClose(QStringLiteral("Error Técnico : (%1) No se pudo leer el reporte %2: %3")
                             .arg(ErrDocumentRead).arg(path, why),
                         QStringLiteral("Error al Imprimir"));
            return false;
        }
        m_current = 0;
        m_surfaces = m_pages.pagesToRender(range);
        const QColor color = reportColor(m_pages.header().color);
        if (color.isValid() && color != m_surface->background())
            m_surface->setBackground(color);
        return true;
    }

    // Printing reads the document again, as it stands now, page by page.
    ReportPages document;
    QString why;
    if (!document.open(path, &why)) {
        qav::msgBox(QStringLiteral("Error Técnico : (%1) No se pudo leer el reporte %2: %3")
                        .arg(ErrDocumentRead).arg(path, why),
                    qav::MbOk | qav::MbCritical, QStringLiteral("Impresión"));
        return false;
    }
    std::unique_ptr<PrintTarget> printer = openPrinter();
    if (!printer) {
        showNoPrinter();
        return false;
    }
    // A long job shows its progress and can be cancelled after any page.
    PrintProgressWindow progress(int(document.pagesToRender(range).size()), dialogParent());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PrintOutcome out = printReport(document, range, *printer, progress.callback());
    QApplication::restoreOverrideCursor();
    progress.close();
    printer.reset();
    if (!out.ok()) {
        qav::msgBox(out.message(), qav::MbOk | qav::MbCritical, QStringLiteral("Impresión"));
        return false;
    }
    return true;
}

void frmPreview::showSurface(int surface)
{
    m_current = surface;
    try {
        m_surface->setElements(m_pages.page(m_surfaces.value(surface, -1)));
        ++m_pagesRead;
    } catch (const std::bad_alloc &) {
        failAndClose(QStringLiteral("Memoria insuficiente\nIngrese un rango de hojas menos \nvoluminoso"),
                     QString::number(ErrOutOfMemory) + QStringLiteral(" Aviso:"));
        return;
    }
    m_surface->move(m_surface->x(), 0);
    m_surface->show();
}

void frmPreview::pMostrar(int request)
{
    if (m_surfaces.isEmpty())
        return;
    if (request == 0)
        showSurface(0);
    else if (request == -2 && m_current > 0)
        showSurface(m_current - 1);
    else if (request == -1 && m_current != PageCount() - 1)
        showSurface(m_current + 1);
    for (QScrollBar *bar : m_vsb)
        bar->setValue(0);
}

void frmPreview::verticalChanged(int value)
{
    if (m_syncing)
        return;
    m_syncing = true;
    for (QScrollBar *bar : m_vsb)
        bar->setValue(value);
    m_syncing = false;
    m_surface->move(m_surface->x(), -value);
}

void frmPreview::horizontalChanged(int value)
{
    m_surface->move(-value, m_surface->y());
}

void frmPreview::updateScrollRanges()
{
    const int v = qMax(0, m_surface->height() - m_fondo->height());
    const int h = qMax(0, m_surface->width() - m_fondo->width());
    for (QScrollBar *bar : m_vsb) {
        bar->setRange(0, v);
        bar->setPageStep(qMax(1, m_fondo->height()));
        bar->setSingleStep(20);
    }
    m_hsb->setRange(0, h);
    m_hsb->setPageStep(qMax(1, m_fondo->width()));
    m_hsb->setSingleStep(20);
}

void frmPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    updateScrollRanges();
}

void frmPreview::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Down:
        m_vsb[0]->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
    case Qt::Key_Up:
        m_vsb[0]->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
    case Qt::Key_Right:
        m_hsb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
    case Qt::Key_Left:
        m_hsb->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void frmPreview::imprimir()
{
    PreviewMode = kImprimir;
    pDesencripta(m_fileName, kImprimir);
    PreviewMode = kPresPrevia;
}

void frmPreview::guardarPdf()
{
    if (!m_pages.isOpen())
        return;
    QString file;
    if (pdfChooser()) {
        file = pdfChooser()(this);
    } else {
        QString suggested = m_fileName;
        suggested.replace(QStringLiteral(".PRN"), QStringLiteral(".pdf"), Qt::CaseInsensitive);
        file = QFileDialog::getSaveFileName(this, QStringLiteral("Guardar PDF"), suggested,
                                            QStringLiteral("Documentos PDF (*.pdf)"));
    }
    if (file.isEmpty())
        return;
    if (!file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        file += QStringLiteral(".pdf");
    const ReportState &state = reportState();
    const PageRange *range = state.PageRangeActive ? &state.PageFromTo : nullptr;
    QString why;
    bool cancelled = false;
    PrintProgressWindow progress(int(m_pages.pagesToRender(range).size()), dialogParent(),
                                 QStringLiteral("Guardando"));
    progress.setWindowTitle(QStringLiteral("Guardar PDF"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = renderToPdf(m_pages, range, file, &why, nullptr, progress.callback(), &cancelled,
                                reportPaperSize());
    QApplication::restoreOverrideCursor();
    progress.close();
    if (!ok && !cancelled)
        qav::msgBox(why, qav::MbOk | qav::MbCritical, QStringLiteral("Guardar PDF"));
}

} // namespace declmod
