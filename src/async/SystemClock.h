#pragma once

#include "async/Clock.h"

namespace ostrevin {

/// The machine's clocks.
class SystemClock final : public Clock {
public:
    SteadyTime steadyNow() const override;
    QDateTime wallNow() const override;
};

} // namespace ostrevin
