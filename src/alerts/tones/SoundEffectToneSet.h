#pragma once

#include "alerts/AlarmToneSet.h"

#include <QObject>
#include <vector>

class QSoundEffect;

namespace ostrevin {

/// The alarm's tones as Qt Multimedia sound effects.
class SoundEffectToneSet final : public AlarmToneSet {
public:
    explicit SoundEffectToneSet(QObject* owner) : m_owner(owner) {}

    void add(const QString& file) override;
    int count() const override { return static_cast<int>(m_tones.size()); }
    State state(int index) const override;
    bool hasOutput() const override;
    void play(int index) override;
    void stopAll() override;

private:
    QObject* m_owner;
    // Children of m_owner: they go with the player that asked for them.
    std::vector<QSoundEffect*> m_tones;
};

} // namespace ostrevin
