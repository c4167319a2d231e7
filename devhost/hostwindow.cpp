#include "devhost/hostwindow.h"

#include "common/host/presence.h"
#include "common/settings/profile.h"
#include "common/ui/messages.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QVBoxLayout>

namespace devhost {

HostWindow::HostWindow(const SandboxLayout &layout, const QString &moduleProgram, QWidget *parent)
    : QMainWindow(parent), m_layout(layout), m_program(moduleProgram),
      m_marker(std::make_unique<qav::HostPresenceMarker>())
{
    setWindowTitle(QStringLiteral("QAV"));

    m_start = new QAction(QStringLiteral("&Iniciar módulo"), this);
    m_start->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(m_start, &QAction::triggered, this, &HostWindow::startModule);
    auto *quit = new QAction(QStringLiteral("&Salir"), this);
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Módulo"));
    menu->addAction(m_start);
    menu->addSeparator();
    menu->addAction(quit);

    auto *central = new QWidget(this);
    auto *form = new QFormLayout;
    const auto setting = [&](const char *key) {
        return qav::readProfileString(m_layout.iniFile, QStringLiteral("Options"), QString::fromLatin1(key));
    };
    const auto addRow = [&](const QString &caption, const QString &value) {
        auto *label = new QLabel(value, central);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption, label);
    };
    addRow(QStringLiteral("Instalación:"), m_layout.root);
    addRow(QStringLiteral("QAV_WINDIR:"), m_layout.windowsDir);
    addRow(QStringLiteral("SysPath:"), setting("SysPath"));
    addRow(QStringLiteral("Base de datos:"), setting("DBPath") + setting("DBName"));
    addRow(QStringLiteral("Usuario:"), setting("SysUser"));
    addRow(QStringLiteral("Presencia:"),
           m_marker->isPublished()
               ? QStringLiteral("publicada (%1)").arg(qav::hostPresenceName())
               : QStringLiteral("no se pudo publicar (%1): el módulo no encontrará al QAV")
                     .arg(m_marker->errorString()));

    m_status = new QLabel(central);
    m_status->setWordWrap(true);
    m_startButton = new QPushButton(QStringLiteral("Iniciar módulo"), central);
    connect(m_startButton, &QPushButton::clicked, this, &HostWindow::startModule);

    auto *box = new QVBoxLayout(central);
    box->addLayout(form);
    box->addWidget(m_status);
    box->addWidget(m_startButton, 0, Qt::AlignLeft);
    box->addStretch();
    setCentralWidget(central);
    resize(560, 260);

    m_module = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QAV_WINDIR"), m_layout.windowsDir);
    m_module->setProcessEnvironment(env);
    m_module->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(m_module, &QProcess::finished, this, &HostWindow::moduleFinished);
    connect(m_module, &QProcess::errorOccurred, this, &HostWindow::moduleError);

    setStatus(QStringLiteral("El módulo no está en ejecución."));
}

HostWindow::~HostWindow()
{
    if (moduleRunning()) {
        m_module->disconnect(this);
        m_module->terminate();
        if (!m_module->waitForFinished(3000))
            m_module->kill();
        m_module->waitForFinished(3000);
    }
}

bool HostWindow::moduleRunning() const
{
    return m_module->state() != QProcess::NotRunning;
}

QString HostWindow::statusText() const
{
    return m_status->text();
}

void HostWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}

void HostWindow::setRunning(bool running)
{
    m_start->setEnabled(!running);
    m_startButton->setEnabled(!running);
}

void HostWindow::startModule()
{
    if (moduleRunning())
        return;
    if (!QFileInfo(m_program).isExecutable()) {
        setStatus(QStringLiteral("No se encontró el módulo en %1: compile el proyecto "
                                 "(scripts/build.sh) y pulse «Iniciar módulo».").arg(m_program));
        return;
    }
    setRunning(true);
    m_module->start(m_program, {});
    if (m_module->waitForStarted(5000))
        setStatus(QStringLiteral("declmod en ejecución (proceso %1).").arg(m_module->processId()));
}

void HostWindow::moduleFinished(int exitCode, QProcess::ExitStatus status)
{
    setRunning(false);
    setStatus(status == QProcess::NormalExit
                  ? QStringLiteral("declmod terminó con el código %1.").arg(exitCode)
                  : QStringLiteral("declmod terminó de forma anormal."));
}

void HostWindow::moduleError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    setRunning(false);
    setStatus(QStringLiteral("No se pudo iniciar %1: %2").arg(m_program, m_module->errorString()));
}

void HostWindow::closeEvent(QCloseEvent *event)
{
    if (moduleRunning()) {
        const int answer = qav::msgBox(
            QStringLiteral("El módulo sigue en ejecución. Si cierra el QAV, el módulo terminará y se "
                           "perderá lo que no haya grabado.\n¿Desea cerrar el QAV de todos modos?"),
            qav::MbYesNo | qav::MbQuestion | qav::MbDefaultButton2, QStringLiteral("QAV"));
        if (answer != qav::AnsYes) {
            event->ignore();
            return;
        }
        m_module->disconnect(this);
        m_module->terminate();
        if (!m_module->waitForFinished(3000))
            m_module->kill();
        m_module->waitForFinished(3000);
    }
    event->accept();
}

} // namespace devhost
