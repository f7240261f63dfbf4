#pragma once

#include "platform/KeepAwake.h"

#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>

namespace ostrevin::test {

/// Counts activities: begun, ended, and running now. Tokens may end on any thread.
class FakeKeepAwake final : public KeepAwake {
public:
    std::unique_ptr<KeepAwakeToken> begin(const QString& reason) override
    {
        {
            std::lock_guard lock(m_counts->mutex);
            m_counts->reasons << reason;
        }
        ++m_counts->begun;
        return std::make_unique<KeepAwakeToken>([counts = m_counts] { ++counts->ended; });
    }

    int begun() const { return m_counts->begun; }
    int ended() const { return m_counts->ended; }
    int active() const { return m_counts->begun - m_counts->ended; }
    QStringList reasons() const
    {
        std::lock_guard lock(m_counts->mutex);
        return m_counts->reasons;
    }

private:
    // Shared with the tokens, which may outlive the fake.
    struct Counts {
        std::atomic<int> begun = 0;
        std::atomic<int> ended = 0;
        std::mutex mutex;
        QStringList reasons;
    };
    std::shared_ptr<Counts> m_counts = std::make_shared<Counts>();
};

} // namespace ostrevin::test
