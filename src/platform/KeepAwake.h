#pragma once

#include "platform/KeepAwakeToken.h"

#include <QString>
#include <memory>

namespace ostrevin {

/// Keeps the machine from idle sleep (and the screen from blanking where that is
/// all the system offers) while a location is held: a suspended machine drops the
/// cable connection and with it the simulated location.
class KeepAwake {
public:
    KeepAwake() = default;
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;
    virtual ~KeepAwake() = default;

    /// Begins an activity; it lasts until the token ends. Never fails: where the
    /// system offers no way, the token does nothing. Call it on the GUI thread.
    virtual std::unique_ptr<KeepAwakeToken> begin(const QString& reason) = 0;
};

} // namespace ostrevin
