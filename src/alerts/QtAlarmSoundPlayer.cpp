#include "alerts/QtAlarmSoundPlayer.h"

#include "BuildConfig.h"
#include "platform/BundledResources.h"
#include "platform/PlatformLog.h"

#include <QApplication>
#include <QFile>
#include <QUrl>

#if OSTREVIN_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#endif

namespace ostrevin {

namespace {

#if OSTREVIN_HAVE_MULTIMEDIA
/// A RIFF/WAVE header and more than a header's worth of bytes. Qt 6.4 leaves a
/// sound effect on a short file that is no sound at all "loading" for ever, and
/// its destructor then waits for the loader without end, hanging the quit.
bool looksLikeWave(const QString& file)
{
    QFile wave(file);
    if (!wave.open(QIODevice::ReadOnly) || wave.size() <= 44)
        return false;
    const QByteArray head = wave.read(12);
    return head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}
#endif

} // namespace

QStringList QtAlarmSoundPlayer::defaultToneFiles()
{
    const QString folder = BundledResources::directory();
    return {folder + u"/alarm-tone-low.wav", folder + u"/alarm-tone-high.wav"};
}

QtAlarmSoundPlayer::QtAlarmSoundPlayer(const QStringList& toneFiles, QObject* parent)
    : QObject(parent), m_toneFiles(toneFiles)
{
}

void QtAlarmSoundPlayer::load()
{
    if (m_loadStarted)
        return;
    m_loadStarted = true;
#if OSTREVIN_HAVE_MULTIMEDIA
    for (const QString& file : std::as_const(m_toneFiles)) {
        if (!looksLikeWave(file)) {
            qCWarning(lcPlatform) << "alarm tone missing or not a WAV file:" << file;
            continue;
        }
        auto* effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(file));
        m_tones.push_back(effect);
    }
#endif
}

QtAlarmSoundPlayer::~QtAlarmSoundPlayer() = default;

std::vector<QSoundEffect*> QtAlarmSoundPlayer::usableTones() const
{
    std::vector<QSoundEffect*> usable;
#if OSTREVIN_HAVE_MULTIMEDIA
    // A tone still loading may become ready before its turn; only a failed one is skipped.
    for (QSoundEffect* tone : m_tones)
        if (tone->status() != QSoundEffect::Error)
            usable.push_back(tone);
#endif
    return usable;
}

int QtAlarmSoundPlayer::loadedToneCount()
{
    // An alarm before the load was asked for still gets its tones, if late.
    load();
    m_silenceLogged = false;
    return static_cast<int>(usableTones().size());
}

bool QtAlarmSoundPlayer::play(int index)
{
#if OSTREVIN_HAVE_MULTIMEDIA
    const auto tones = usableTones();
    if (index < 0 || index >= static_cast<int>(tones.size()))
        return false;
    QSoundEffect* tone = tones[static_cast<size_t>(index)];
    // Without an output device a sound effect "plays" into nothing and says so nowhere.
    if (tone->status() != QSoundEffect::Ready || QMediaDevices::defaultAudioOutput().isNull())
        return false;
    tone->play();
    return true;
#else
    Q_UNUSED(index)
    return false;
#endif
}

void QtAlarmSoundPlayer::stop()
{
#if OSTREVIN_HAVE_MULTIMEDIA
    for (QSoundEffect* tone : m_tones)
        tone->stop();
#endif
}

void QtAlarmSoundPlayer::beep()
{
    if (!m_silenceLogged) {
        m_silenceLogged = true;
        qCWarning(lcPlatform) << "the alarm tones cannot play; the alarm falls back to the system beep, "
                                 "which many Linux desktops do not sound";
    }
    QApplication::beep();
}

} // namespace ostrevin
