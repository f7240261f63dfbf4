#pragma once

#include "alerts/AlarmPresenter.h"

#include <QList>
#include <optional>

namespace ostrevin::test {

/// Keeps what was presented and how often the alarm was dismissed; acknowledge()
/// plays the user's click on the shown alarm.
class RecordingAlarmPresenter final : public AlarmPresenter {
public:
    void present(const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge) override
    {
        m_presented.append(event);
        m_shown = event;
        m_acknowledge = std::move(acknowledge);
    }

    void dismiss() override
    {
        ++m_dismissals;
        m_shown.reset();
        m_acknowledge = nullptr;
    }

    /// False when nothing is shown.
    bool acknowledge()
    {
        if (!m_acknowledge)
            return false;
        auto action = m_acknowledge;
        action();
        return true;
    }

    QList<LocationSafetyAlarmEvent> presented() const { return m_presented; }
    std::optional<LocationSafetyAlarmEvent> shown() const { return m_shown; }
    int dismissals() const { return m_dismissals; }

private:
    QList<LocationSafetyAlarmEvent> m_presented;
    std::optional<LocationSafetyAlarmEvent> m_shown;
    std::function<void()> m_acknowledge;
    int m_dismissals = 0;
};

} // namespace ostrevin::test
