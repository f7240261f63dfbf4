#pragma once

#include "alerts/AlarmSoundPlayer.h"

#include <QObject>
#include <QStringList>
#include <vector>

class QSoundEffect;

namespace ostrevin {

/// Plays the two shipped alarm tones with Qt Multimedia. The tones load when
/// load() is called (the app calls it once its window is up), because a sound
/// effect loads asynchronously and the first alarm must not wait for it. Without an audio
/// device (or without Qt Multimedia) play() fails and the loop beeps; as beeps are
/// often silent on Linux desktops, that is logged once per alarm.
class QtAlarmSoundPlayer final : public QObject, public AlarmSoundPlayer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtAlarmSoundPlayer)

public:
    /// The shipped tones in the folder of bundled resources.
    static QStringList defaultToneFiles();

    explicit QtAlarmSoundPlayer(const QStringList& toneFiles = defaultToneFiles(), QObject* parent = nullptr);
    ~QtAlarmSoundPlayer() override;

    /// Starts loading the tones; later calls do nothing.
    void load();

    int loadedToneCount() override;
    bool play(int index) override;
    void stop() override;
    void beep() override;

private:
    std::vector<QSoundEffect*> usableTones() const;

    QStringList m_toneFiles;
    bool m_loadStarted = false;
    std::vector<QSoundEffect*> m_tones;
    bool m_silenceLogged = false;
};

} // namespace ostrevin
