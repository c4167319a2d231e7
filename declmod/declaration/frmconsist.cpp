#include "declmod/declaration/frmconsist.h"

#include "common/text/textfile.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

namespace declmod {
namespace {

FrmConsist::Printer &printerHook()
{
    static FrmConsist::Printer printer;
    return printer;
}

} // namespace

void FrmConsist::setPrinter(Printer printer)
{
    printerHook() = std::move(printer);
}

FrmConsist::FrmConsist(const QString &reportPath, QWidget *parent)
    : QDialog(parent), m_path(reportPath)
{
    setWindowTitle(QStringLiteral("Inconsistencias detectadas"));
    setObjectName(QStringLiteral("FrmConsist"));
    auto *label = new QLabel(
        QStringLiteral("En su declaración se han detectado las siguientes inconsistencias :"));
    TxtPreliminar = new QPlainTextEdit;
    TxtPreliminar->setObjectName(QStringLiteral("TxtPreliminar"));
    TxtPreliminar->setReadOnly(true);
    TxtPreliminar->setAccessibleName(QStringLiteral("Inconsistencias detectadas"));
    label->setBuddy(TxtPreliminar);
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    TxtPreliminar->setFont(courier);
    TxtPreliminar->viewport()->installEventFilter(this);

    cmdImprimir = new QPushButton(QStringLiteral("&Imprimir"));
    cmdImprimir->setObjectName(QStringLiteral("cmdImprimir"));
    cmdImprimir->setEnabled(bool(printerHook()));
    CmdGrabar = new QPushButton(QStringLiteral("&Aceptar"));
    CmdGrabar->setObjectName(QStringLiteral("CmdGrabar"));
    CmdGrabar->setDefault(true);
    connect(cmdImprimir, &QPushButton::clicked, this, [this] {
        if (printerHook())
            printerHook()(m_path, this);
    });
    connect(CmdGrabar, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdImprimir);
    buttons->addWidget(CmdGrabar);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(TxtPreliminar, 1);
    layout->addLayout(buttons);
    resize(640, 320);

    QString content;
    qav::readText(qav::resolveCaseInsensitive(reportPath), &content);
    TxtPreliminar->setPlainText(content);
}

QString FrmConsist::text() const
{
    return TxtPreliminar->toPlainText();
}

bool FrmConsist::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TxtPreliminar->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *m = static_cast<QMouseEvent *>(event);
        const QString line = TxtPreliminar->cursorForPosition(m->position().toPoint()).block().text();
        if (!line.trimmed().isEmpty()) {
            accept();
            emit lineChosen(line);
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace declmod
