#pragma once

#include "alerts/AlarmPresenter.h"

namespace ostrevin {

/// Puts every alarm shown and every dismissal into the diagnostics before the
/// real presenter acts, so that an alarm leaves a trace on standard error and in
/// the journal even when nobody sat at the screen.
class LoggedAlarmPresenter final : public AlarmPresenter {
public:
    explicit LoggedAlarmPresenter(AlarmPresenter& presenter) : m_presenter(presenter) {}

    void present(const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge) override;
    void dismiss() override;

private:
    AlarmPresenter& m_presenter;
};

} // namespace ostrevin
