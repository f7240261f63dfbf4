#pragma once

#include "platform/KeepAwake.h"

#include <QDBusConnection>

namespace ostrevin {

/// Inhibits idle sleep through logind on the system bus (the returned file
/// descriptor is the inhibition: it lasts while we hold it open). Where logind
/// refuses or is absent, it asks the desktop's screen saver on the session bus
/// not to blank and lock (Inhibit/UnInhibit with a cookie); where that fails too,
/// the activity is a logged no-op. The calls are asynchronous: begin() returns at
/// once, and a token that ends before the answer arrives gives the inhibition
/// back as soon as it does.
class LinuxKeepAwake final : public KeepAwake {
public:
    /// The buses are injected so tests can run against services of their own.
    LinuxKeepAwake(QDBusConnection systemBus, QDBusConnection sessionBus);

    std::unique_ptr<KeepAwakeToken> begin(const QString& reason) override;

private:
    QDBusConnection m_systemBus;
    QDBusConnection m_sessionBus;
};

} // namespace ostrevin
