#pragma once

#include "platform/NetworkMonitor.h"

#include <QStringList>

namespace ostrevin {

/// NetworkMonitor over QNetworkInformation. Tries the backends in order; with none
/// available (or one that cannot tell) the machine counts as online, so a missing
/// backend never blocks the features that need the network.
class SystemNetworkMonitor final : public NetworkMonitor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemNetworkMonitor)

public:
    static QStringList defaultBackends();

    explicit SystemNetworkMonitor(QStringList backends = defaultBackends(), QObject* parent = nullptr);
    ~SystemNetworkMonitor() override;

    void start() override;
    void stop() override;

private:
    QStringList m_backends;
    QMetaObject::Connection m_connection;
};

} // namespace ostrevin
