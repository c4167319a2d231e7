#include "declmod/mainwin/helpwindow.h"

#include "common/text/textfile.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

// The built-in copy lives in a static library, whose resources must be registered by name.
static void initHelpResource()
{
    Q_INIT_RESOURCE(mainwin);
}

namespace declmod {

HelpWindow::HelpWindow(const QString &helpFile, QWidget *parent)
    : HelpWindow(helpFile, contentsAnchor(), parent)
{
}

QString HelpWindow::anchorForTopic(int topic)
{
    switch (topic) {
    case 1013:
        return QStringLiteral("preparar");
    case 1012:
        return QStringLiteral("detalle");
    default:
        return contentsAnchor();
    }
}

HelpWindow::HelpWindow(const QString &helpFile, const QString &anchor, QWidget *parent)
    : QDialog(parent), m_anchor(anchor)
{
    initHelpResource();
    setObjectName(QStringLiteral("frmAyuda"));
    setWindowTitle(QStringLiteral("Ayuda - QAV  Detalle de Operaciones"));

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtAyuda"));
    m_browser->setAccessibleName(QStringLiteral("Ayuda"));
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
    m_browser->scrollToAnchor(m_anchor);
    m_browser->setFocus();
}

void HelpWindow::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    // The browser only knows its height once shown; place the section at the top again
    // (the contents are the top of the file).
    if (m_anchor == contentsAnchor())
        m_browser->verticalScrollBar()->setValue(0);
    else
        m_browser->scrollToAnchor(m_anchor);
}

QUrl HelpWindow::source() const
{
    return m_browser->source();
}

} // namespace declmod
