#include "alerts/tones/SoundEffectToneSet.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace ostrevin {

void SoundEffectToneSet::add(const QString& file)
{
    auto* effect = new QSoundEffect(m_owner);
    effect->setSource(QUrl::fromLocalFile(file));
    m_tones.push_back(effect);
}

AlarmToneSet::State SoundEffectToneSet::state(int index) const
{
    switch (m_tones.at(static_cast<size_t>(index))->status()) {
    case QSoundEffect::Ready:
        return State::Ready;
    case QSoundEffect::Error:
        return State::Failed;
    case QSoundEffect::Null:
    case QSoundEffect::Loading:
        break;
    }
    return State::Loading;
}

bool SoundEffectToneSet::hasOutput() const
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

void SoundEffectToneSet::play(int index)
{
    m_tones.at(static_cast<size_t>(index))->play();
}

void SoundEffectToneSet::stopAll()
{
    for (QSoundEffect* tone : m_tones)
        tone->stop();
}

} // namespace ostrevin

extern "C" Q_DECL_EXPORT ostrevin::AlarmToneSet* ostrevin_create_alarm_tone_set(QObject* owner)
{
    return new ostrevin::SoundEffectToneSet(owner);
}
