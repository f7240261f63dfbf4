#pragma once

namespace ostrevin {

/// The alarm's tones as the sound loop uses them. Behind an interface so that a test
/// can record what the loop plays and when. GUI thread only.
class AlarmSoundPlayer {
public:
    AlarmSoundPlayer() = default;
    AlarmSoundPlayer(const AlarmSoundPlayer&) = delete;
    AlarmSoundPlayer& operator=(const AlarmSoundPlayer&) = delete;
    virtual ~AlarmSoundPlayer() = default;

    /// How many tones loaded (0, 1 or 2); the loop alternates between them in order.
    virtual int loadedToneCount() = 0;
    /// Starts tone `index` (below loadedToneCount()); false when it cannot play now.
    virtual bool play(int index) = 0;
    /// Stops every tone that is still sounding.
    virtual void stop() = 0;
    /// The fallback when no tone can play.
    virtual void beep() = 0;
};

} // namespace ostrevin
