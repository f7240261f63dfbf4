#include "platform/SystemNetworkMonitor.h"

#include "platform/PlatformLog.h"

#include <QNetworkInformation>

namespace ostrevin {

namespace {

bool isOnline(QNetworkInformation::Reachability reachability)
{
    switch (reachability) {
    case QNetworkInformation::Reachability::Disconnected:
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site:
        return false;
    case QNetworkInformation::Reachability::Online:
    case QNetworkInformation::Reachability::Unknown:
        break;
    }
    return true;
}

QNetworkInformation* loadFirst(const QStringList& backends)
{
    // QNetworkInformation is one per process; another part may have loaded it.
    if (QNetworkInformation* loaded = QNetworkInformation::instance())
        return loaded;
    for (const QString& name : backends) {
        if (QNetworkInformation::loadBackendByName(name))
            return QNetworkInformation::instance();
    }
    return nullptr;
}

} // namespace

QStringList SystemNetworkMonitor::defaultBackends()
{
    return {QStringLiteral("networkmanager"), QStringLiteral("glib")};
}

SystemNetworkMonitor::SystemNetworkMonitor(QStringList backends, QObject* parent)
    : NetworkMonitor(parent), m_backends(std::move(backends))
{
}

SystemNetworkMonitor::~SystemNetworkMonitor()
{
    stop();
}

void SystemNetworkMonitor::start()
{
    stop();
    QNetworkInformation* information = loadFirst(m_backends);
    if (!information) {
        qCInfo(lcPlatform, "No network information backend (tried %s); assuming the machine is online.",
               qUtf8Printable(m_backends.join(u", ")));
        emit reachabilityReported(true);
        return;
    }
    m_connection = connect(
        information, &QNetworkInformation::reachabilityChanged, this,
        [this](QNetworkInformation::Reachability reachability) { emit reachabilityReported(isOnline(reachability)); });
    emit reachabilityReported(isOnline(information->reachability()));
}

void SystemNetworkMonitor::stop()
{
    disconnect(m_connection);
    m_connection = {};
}

} // namespace ostrevin
