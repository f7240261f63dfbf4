#pragma once

#include <QObject>
#include <QString>

namespace ostrevin {

/// Reports iOS devices attached to and detached from this computer as it
/// happens, by UDID. A device check every few seconds misses an unplug that ends
/// between two checks; these reports do not. The reports arrive on the thread the
/// watcher lives on.
class DeviceAttachmentWatcher : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceAttachmentWatcher)

public:
    using QObject::QObject;
    ~DeviceAttachmentWatcher() override = default;

    /// Starts reporting; false when this system cannot (the checks then stand alone).
    /// A start that cannot tell yet whether reports will come says so later, through
    /// unavailable().
    virtual bool start() = 0;
    /// No reports after this returns.
    virtual void stop() = 0;

signals:
    void deviceAttached(const QString& udid);
    void deviceDetached(const QString& udid);
    /// Nothing can report attaches and detaches, found out after start() returned
    /// true: the checks stand alone. At most once per start. A system service that
    /// is not running yet is no such case where it starts with the first device.
    void unavailable();
};

} // namespace ostrevin
