#include "common/host/presence.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace qav {

QString hostPresenceName()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("qav-host"));
}

bool hostPresenceAlive(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(hostPresenceName());
    const bool ok = socket.waitForConnected(timeoutMs);
    socket.abort();
    return ok;
}

HostPresenceMarker::HostPresenceMarker() : m_server(std::make_unique<QLocalServer>())
{
    // A marker left behind by a host that died would refuse the name; only a live host
    // answers, so a stale one may be removed.
    if (!hostPresenceAlive(200))
        QLocalServer::removeServer(hostPresenceName());
    m_server->listen(hostPresenceName());
}

HostPresenceMarker::~HostPresenceMarker()
{
    if (m_server)
        m_server->close();
}

bool HostPresenceMarker::isPublished() const
{
    return m_server && m_server->isListening();
}

QString HostPresenceMarker::errorString() const
{
    return m_server ? m_server->errorString() : QString();
}

} // namespace qav
