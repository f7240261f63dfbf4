#pragma once

#include <memory>

class QWidget;

namespace ostrevin {

class AlarmPresenter;
class AlarmSoundLoop;
class Clock;
class LocationSafetyAlarmWindowController;
class QtAlarmSoundPlayer;
class Scheduler;
class SettingsStore;

/// The full-screen interruption alarm as the app runs it: the panels with their
/// view, the shipped tones and the sound loop. Build it once at start-up, before
/// the view model, and hand presenter() to the view model as its alarm presenter.
class FullScreenAlarm {
public:
    FullScreenAlarm(Scheduler& scheduler, const Clock& clock, SettingsStore& settings);
    FullScreenAlarm(const FullScreenAlarm&) = delete;
    FullScreenAlarm& operator=(const FullScreenAlarm&) = delete;
    ~FullScreenAlarm();

    AlarmPresenter& presenter();
    /// The window whose attention request stands for the app (the main window).
    void setAttentionWindow(QWidget* window);
    /// Starts loading the tones in the background; they must be ready for the
    /// first alarm.
    void loadTones();

private:
    std::unique_ptr<QtAlarmSoundPlayer> m_player;
    std::unique_ptr<AlarmSoundLoop> m_sound;
    std::unique_ptr<LocationSafetyAlarmWindowController> m_controller;
};

} // namespace ostrevin
