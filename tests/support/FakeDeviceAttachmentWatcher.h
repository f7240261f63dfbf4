#pragma once

#include "platform/DeviceAttachmentWatcher.h"

namespace ostrevin::test {

/// Device events a test sends by hand, on the test's thread, as the real watcher
/// delivers them on the GUI thread.
class FakeDeviceAttachmentWatcher : public DeviceAttachmentWatcher {
    // No Q_OBJECT: it only emits the interface's signals.
    Q_DISABLE_COPY_MOVE(FakeDeviceAttachmentWatcher)

public:
    using DeviceAttachmentWatcher::DeviceAttachmentWatcher;

    bool start() override
    {
        m_started = true;
        return true;
    }
    void stop() override { m_started = false; }

    void attach(const QString& udid)
    {
        if (m_started)
            emit deviceAttached(udid);
    }
    void detach(const QString& udid)
    {
        if (m_started)
            emit deviceDetached(udid);
    }

private:
    bool m_started = false;
};

} // namespace ostrevin::test
