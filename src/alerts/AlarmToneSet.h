#pragma once

class QObject;
class QString;

namespace ostrevin {

/// The alarm's tones in the audio library. That library lives in a module of its own
/// which the program loads only when the tones are first wanted: linking it would
/// load the whole audio stack (some twenty libraries) before the first frame.
/// GUI thread only.
class AlarmToneSet {
public:
    enum class State { Loading, Ready, Failed };

    AlarmToneSet() = default;
    AlarmToneSet(const AlarmToneSet&) = delete;
    AlarmToneSet& operator=(const AlarmToneSet&) = delete;
    virtual ~AlarmToneSet() = default;

    /// Starts loading a WAV file as the next tone; loading goes on in the background.
    virtual void add(const QString& file) = 0;
    virtual int count() const = 0;
    virtual State state(int index) const = 0;
    /// Whether the system has an audio output right now.
    virtual bool hasOutput() const = 0;
    virtual void play(int index) = 0;
    virtual void stopAll() = 0;
};

/// The module's one entry point. The tones are QObject children of `owner`.
using CreateAlarmToneSet = AlarmToneSet* (*)(QObject* owner);
inline constexpr char createAlarmToneSetSymbol[] = "ostrevin_create_alarm_tone_set";

} // namespace ostrevin
