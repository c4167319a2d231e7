#include "declmod/reports/printers.h"

#include "declmod/declaration/frmconsist.h"
#include "declmod/reports/paintertarget.h"
#include "declmod/reports/printprogress.h"
#include "declmod/reports/repinconsist.h"

#include "common/ui/messages.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>

namespace declmod {
namespace {

// The default printer and the painter target drawing on it.
class DefaultPrinterTarget : public PrintTarget
{
public:
    explicit DefaultPrinterTarget(const QPrinterInfo &info)
        : m_printer(info, QPrinter::HighResolution), m_target(&m_printer)
    {
        m_printer.setDocName(QStringLiteral("declmod"));
        m_printer.setPageSize(reportPaperSize());
    }
    void setOrientation(PageOrientation o) override { m_target.setOrientation(o); }
    bool startPage() override { return m_target.startPage(); }
    void text(int x, int y, const QString &t, const QString &f, int s, bool b) override
    {
        m_target.text(x, y, t, f, s, b);
    }
    void line(int x1, int y1, int x2, int y2) override { m_target.line(x1, y1, x2, y2); }
    bool endJob() override { return m_target.endJob(); }
    // Asks the printer to drop the job. A printer engine that cannot (Qt's PDF-based engines
    // answer false) still hands over the pages drawn so far when the painting ends: the job
    // then stops at the page where it was cancelled.
    void abortJob() override
    {
        if (m_printer.printerState() == QPrinter::Active)
            m_printer.abort();
        m_target.abortJob();
    }
    QString errorString() const override { return m_target.errorString(); }

private:
    QPrinter m_printer;
    PagedDeviceTarget m_target;
};

PrinterFactory &factory()
{
    static PrinterFactory f;
    return f;
}

PaperSizeSource &paperSource()
{
    static PaperSizeSource s;
    return s;
}

DialogRunner &dialogRunner()
{
    static DialogRunner r;
    return r;
}

} // namespace

std::unique_ptr<PrintTarget> openPrinter()
{
    if (factory())
        return factory()();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<DefaultPrinterTarget>(info);
}

void setPrinterFactory(PrinterFactory f)
{
    factory() = std::move(f);
}

QPageSize reportPaperSize()
{
    if (paperSource())
        return paperSource()();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull() && info.defaultPageSize().isValid())
        return info.defaultPageSize();
    return QPageSize(QPageSize::A4);
}

void setPaperSizeSource(PaperSizeSource source)
{
    paperSource() = std::move(source);
}

void showNoPrinter()
{
    qav::msgBox(QStringLiteral("No existe una impresora seleccionada.Verifique."),
                qav::MbOk | qav::MbCritical, QStringLiteral("Impresión"));
}

void installConsistencyPrinter()
{
    FrmConsist::setPrinter([](const QString &reportPath, QWidget *window) {
        std::unique_ptr<PrintTarget> printer = openPrinter();
        if (!printer) {
            showNoPrinter();
            return;
        }
        PrintProgressWindow progress(1, window);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const PrintOutcome out = printInconsistencies(reportPath, *printer, progress.callback());
        QApplication::restoreOverrideCursor();
        progress.close();
        printer.reset();
        if (!out.ok())
            qav::msgBox(out.status == PrintOutcome::JobFailed
                            ? QStringLiteral("Error Técnico : (%1) %2").arg(ErrInconsistencyFile).arg(out.detail)
                            : out.message(),
                        qav::MbOk | qav::MbCritical, QStringLiteral("Impresión"));
    });
}

int runDialog(QDialog &dialog)
{
    return dialogRunner() ? dialogRunner()(dialog) : dialog.exec();
}

void setDialogRunner(DialogRunner runner)
{
    dialogRunner() = std::move(runner);
}

} // namespace declmod
