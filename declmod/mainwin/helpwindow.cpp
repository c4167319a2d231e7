#include "declmod/mainwin/helpwindow.h"

#include "common/text/textfile.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

// The built-in copy lives in a static library, whose resources must be registered by name.
static void initHelpResource()
{
    Q_INIT_RESOURCE(mainwin);
}

namespace declmod {

HelpWindow::HelpWindow(const QString &helpFile, QWidget *parent) : QDialog(parent)
{
    initHelpResource();
    setObjectName(QStringLiteral("frmAyuda"));
    setWindowTitle(QStringLiteral("Ayuda - QAV  Detalle de Operaciones"));

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtAyuda"));
    m_browser->setOpenExternalLinks(false);
    m_browser->setOpenLinks(true);

    auto *box = new QDialogButtonBox(QDialogButtonBox::Close, this);
    box->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Cerrar"));
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(box);
    resize(720, 560);

    QUrl url = embeddedUrl();
    if (!helpFile.isEmpty()) {
        const QString resolved = qav::resolveCaseInsensitive(helpFile);
        if (QFileInfo(resolved).isFile())
            url = QUrl::fromLocalFile(resolved);
    }
    m_browser->setSource(url, QTextDocument::HtmlResource);
    m_browser->scrollToAnchor(contentsAnchor());
    m_browser->setFocus();
}

QUrl HelpWindow::source() const
{
    return m_browser->source();
}

} // namespace declmod
