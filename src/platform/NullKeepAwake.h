#pragma once

#include "platform/KeepAwake.h"

namespace ostrevin {

/// For systems without a sleep inhibitor: notes once that the machine may sleep.
class NullKeepAwake final : public KeepAwake {
public:
    std::unique_ptr<KeepAwakeToken> begin(const QString& reason) override;

private:
    bool m_warned = false;
};

} // namespace ostrevin
