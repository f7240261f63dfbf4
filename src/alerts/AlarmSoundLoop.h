#pragma once

#include "async/TaskSlot.h"

#include <QObject>
#include <QPointer>
#include <chrono>

namespace ostrevin {

class AlarmSoundPlayer;
class Scheduler;
class SettingsStore;

/// The alarm's repeating sound: every 1.2 s the tone that sounded is stopped and the
/// next one starts, alternating between the loaded tones; a tone that cannot play,
/// or no tone at all, gives a beep instead. Nothing sounds (and nothing is
/// scheduled) while the alarm sound setting is off. GUI thread only.
class AlarmSoundLoop final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlarmSoundLoop)

public:
    static constexpr std::chrono::milliseconds tick{1200};

    AlarmSoundLoop(AlarmSoundPlayer& player, Scheduler& scheduler, SettingsStore& settings, QObject* parent = nullptr);
    ~AlarmSoundLoop() override;

    /// Starts the sound from the first tone, ending any run before.
    void start();
    /// Silences at once, also in the middle of a tone.
    void stop();
    bool isRunning() const { return m_task.isRunning(); }

private:
    static QCoro::Task<> run(QPointer<AlarmSoundLoop> self, int toneCount, CancelToken token);

    AlarmSoundPlayer& m_player;
    Scheduler& m_scheduler;
    SettingsStore& m_settings;
    TaskSlot m_task;
};

} // namespace ostrevin
