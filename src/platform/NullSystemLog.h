#pragma once

#include "platform/SystemLog.h"

namespace ostrevin {

/// For systems without a system log we can write to: the lines stay in the app's
/// own event log only.
class NullSystemLog final : public SystemLog {
public:
    void write(Severity, const QString&) override {}
};

} // namespace ostrevin
