#pragma once
// The host stand-in's main window, captioned "QAV" as the host's own: while it is open the
// host's presence marker is published, and it starts the module (declmod) with the
// sandbox installation in its environment (QAV_WINDIR). "Iniciar módulo" starts the module
// again after it has ended. Closing the window while the module runs asks first, then ends
// the module, as closing the host would.

#include "devhost/sandbox.h"

#include <QMainWindow>
#include <QProcess>

#include <memory>

class QAction;
class QLabel;
class QPushButton;

namespace qav {
class HostPresenceMarker;
}

namespace devhost {

class HostWindow : public QMainWindow
{
    Q_OBJECT
public:
    HostWindow(const SandboxLayout &layout, const QString &moduleProgram, QWidget *parent = nullptr);
    ~HostWindow() override;

    bool moduleRunning() const;
    QString statusText() const;
    QAction *startAction() const { return m_start; }

public slots:
    void startModule();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void moduleFinished(int exitCode, QProcess::ExitStatus status);
    void moduleError(QProcess::ProcessError error);
    void setStatus(const QString &text);
    void setRunning(bool running);

    SandboxLayout m_layout;
    QString m_program;
    std::unique_ptr<qav::HostPresenceMarker> m_marker;
    QProcess *m_module = nullptr;
    QAction *m_start = nullptr;
    QPushButton *m_startButton = nullptr;
    QLabel *m_status = nullptr;
};

} // namespace devhost
