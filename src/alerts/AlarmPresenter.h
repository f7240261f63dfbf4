#pragma once

#include "alerts/LocationSafetyAlarmEvent.h"

#include <functional>

namespace ostrevin {

/// Shows an interruption so that nobody can miss it (the full-screen alarm with
/// its sound) and calls back when the user acknowledges it. Behind an interface
/// so the view model can be tested without windows. GUI thread only.
class AlarmPresenter {
public:
    AlarmPresenter() = default;
    AlarmPresenter(const AlarmPresenter&) = delete;
    AlarmPresenter& operator=(const AlarmPresenter&) = delete;
    virtual ~AlarmPresenter() = default;

    /// Shows the event. An event with the id of the one shown only refreshes the
    /// content (no new sound, no new attention request). acknowledge runs when the
    /// user acknowledges; the presenter forgets it on dismiss().
    virtual void present(const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge) = 0;
    /// Stops the sound, closes the alarm and forgets the event and its action.
    virtual void dismiss() = 0;
};

} // namespace ostrevin
