#pragma once

#include "platform/SystemLog.h"

#include <QList>
#include <mutex>

namespace ostrevin::test {

/// Keeps every line written, in order.
class RecordingSystemLog final : public SystemLog {
public:
    struct Line {
        Severity severity;
        QString message;
        bool operator==(const Line&) const = default;
    };

    void write(Severity severity, const QString& message) override
    {
        std::lock_guard lock(m_mutex);
        m_lines.append({severity, message});
    }

    QList<Line> lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    mutable std::mutex m_mutex;
    QList<Line> m_lines;
};

} // namespace ostrevin::test
