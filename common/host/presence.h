#pragma once
// The host's presence marker. Where no window list can be read (Wayland, offscreen), the
// host publishes a named local socket in the user's runtime folder while its main window
// is open; the module asks whether someone answers on it.

#include <QString>

#include <memory>

class QLocalServer;

namespace qav {

// Full path of the marker socket: <runtime folder>/qav-host.
QString hostPresenceName();

// True when a host answers on the marker.
bool hostPresenceAlive(int timeoutMs = 500);

// Publishes the marker for as long as the object lives (the host stand-in holds one).
class HostPresenceMarker
{
public:
    HostPresenceMarker();
    ~HostPresenceMarker();
    bool isPublished() const;
    QString errorString() const;

private:
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace qav
