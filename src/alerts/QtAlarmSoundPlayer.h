#pragma once

#include "alerts/AlarmSoundPlayer.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

namespace ostrevin {

class AlarmToneSet;

/// Plays the two shipped alarm tones with Qt Multimedia, from the tone module
/// (AlarmToneSet). The module and the tones load when load() is called (the app
/// calls it once its window is up), because a sound effect loads asynchronously
/// and the first alarm must not wait for it. Without an audio device, without the
/// module or without Qt Multimedia, play() fails and the loop beeps; as beeps are
/// often silent on Linux desktops, that is logged once per alarm.
class QtAlarmSoundPlayer final : public QObject, public AlarmSoundPlayer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtAlarmSoundPlayer)

public:
    /// The shipped tones in the folder of bundled resources.
    static QStringList defaultToneFiles();
    /// The tone module in the program's module folder; empty in a build without audio.
    static QString defaultModuleFile();

    explicit QtAlarmSoundPlayer(const QStringList& toneFiles = defaultToneFiles(),
                                const QString& moduleFile = defaultModuleFile(), QObject* parent = nullptr);
    ~QtAlarmSoundPlayer() override;

    /// Loads the module and starts loading the tones; later calls do nothing.
    void load();

    int loadedToneCount() override;
    bool play(int index) override;
    void stop() override;
    void beep() override;

private:
    std::vector<int> usableTones() const;

    QStringList m_toneFiles;
    QString m_moduleFile;
    bool m_loadStarted = false;
    std::unique_ptr<AlarmToneSet> m_tones;
    bool m_silenceLogged = false;
};

} // namespace ostrevin
