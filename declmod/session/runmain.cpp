// The start procedure of declmod.

#include "declmod/session/startup.h"

#include "declmod/session/cwindows.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"

#include <QWidget>

#include <exception>

namespace declmod {
namespace {

HostServicesFactory &hostServicesFactory()
{
    static HostServicesFactory factory;
    return factory;
}

// The host's service object lives as long as the process.
std::unique_ptr<HostServices> &hostServicesInstance()
{
    static std::unique_ptr<HostServices> instance;
    return instance;
}

std::unique_ptr<HostServices> createHostServices()
{
    try {
        if (hostServicesFactory())
            return hostServicesFactory()();
        return std::make_unique<HostServices>();
    } catch (const std::exception &) {
        return nullptr;
    }
}

} // namespace

void setHostServicesFactory(HostServicesFactory factory)
{
    hostServicesFactory() = std::move(factory);
}

QWidget *runMain(const MainWindowFactory &createMainWindow)
{
    Session &s = session();
    s.Semana = 0;

    const cWindows windows;

    s.hostServices = nullptr;
    hostServicesInstance() = createHostServices();
    if (!hostServicesInstance()) {
        qav::msgBox(QStringLiteral("No se pudo crear el objeto de servicios del QAV. "
                                   "El módulo no puede continuar."),
                    qav::MbOk | qav::MbCritical, QStringLiteral("Error al ejecutar el módulo"));
        endProcess(1);
        return nullptr;
    }
    s.hostServices = hostServicesInstance().get();

    if (!windows.CorreApp(QStringLiteral("QAV"))) {
        qav::msgBox(QStringLiteral("Debe ejecutar este módulo desde el Integrador del QAV"),
                    qav::MbOk | qav::MbCritical, QStringLiteral("Error al ejecutar el módulo"));
        endProcess(1);
        return nullptr;
    }

    if (!acquireInstanceLock()) {
        qav::msgBox(QStringLiteral("La Aplicación ya se encuentra en ejecución"),
                    qav::MbOk | qav::MbInformation,
                    QStringLiteral("Declaración Pago Anual Impuesto a la Renta"));
        endProcess(1);
        return nullptr;
    }

    QWidget *mainWindow = createMainWindow ? createMainWindow() : nullptr;
    if (!mainWindow) {
        // Nothing to show: give the lock back so that a later start is not refused.
        releaseInstanceLock();
        endProcess(1);
        return nullptr;
    }
    mainWindow->show();
    return mainWindow;
}

} // namespace declmod
