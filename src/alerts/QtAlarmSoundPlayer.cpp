#include "alerts/QtAlarmSoundPlayer.h"

#include "alerts/AlarmToneSet.h"
#include "platform/BundledResources.h"
#include "platform/PlatformLog.h"

#include <QApplication>
#include <QFile>
#include <QLibrary>

namespace ostrevin {

namespace {

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

} // namespace

QStringList QtAlarmSoundPlayer::defaultToneFiles()
{
    const QString folder = BundledResources::directory();
    return {folder + u"/alarm-tone-low.wav", folder + u"/alarm-tone-high.wav"};
}

QString QtAlarmSoundPlayer::defaultModuleFile()
{
#ifdef OSTREVIN_ALARM_TONES_MODULE
    return BundledResources::moduleDirectory() + u'/' + QStringLiteral(OSTREVIN_ALARM_TONES_MODULE);
#else
    return {};
#endif
}

QtAlarmSoundPlayer::QtAlarmSoundPlayer(const QStringList& toneFiles, const QString& moduleFile, QObject* parent)
    : QObject(parent), m_toneFiles(toneFiles), m_moduleFile(moduleFile)
{
}

// The tones are children of this object and go with it, after the set that names them.
QtAlarmSoundPlayer::~QtAlarmSoundPlayer() = default;

void QtAlarmSoundPlayer::load()
{
    if (m_loadStarted || m_moduleFile.isEmpty())
        return;
    m_loadStarted = true;
    QStringList waves;
    for (const QString& file : std::as_const(m_toneFiles)) {
        if (looksLikeWave(file))
            waves << file;
        else
            qCWarning(lcPlatform) << "alarm tone missing or not a WAV file:" << file;
    }
    if (waves.isEmpty())
        return;
    // Never unloaded: the tones' code lives in it.
    QLibrary module(m_moduleFile);
    const auto create = reinterpret_cast<CreateAlarmToneSet>(module.resolve(createAlarmToneSetSymbol));
    if (!create) {
        qCWarning(lcPlatform) << "the alarm tones cannot load:" << module.errorString();
        return;
    }
    m_tones.reset(create(this));
    for (const QString& wave : std::as_const(waves))
        m_tones->add(wave);
}

std::vector<int> QtAlarmSoundPlayer::usableTones() const
{
    std::vector<int> usable;
    // A tone still loading may become ready before its turn; only a failed one is skipped.
    for (int index = 0; m_tones && index < m_tones->count(); ++index)
        if (m_tones->state(index) != AlarmToneSet::State::Failed)
            usable.push_back(index);
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
    const auto tones = usableTones();
    if (index < 0 || index >= static_cast<int>(tones.size()))
        return false;
    const int tone = tones[static_cast<size_t>(index)];
    // Without an output device a sound effect "plays" into nothing and says so nowhere.
    if (m_tones->state(tone) != AlarmToneSet::State::Ready || !m_tones->hasOutput())
        return false;
    m_tones->play(tone);
    return true;
}

void QtAlarmSoundPlayer::stop()
{
    if (m_tones)
        m_tones->stopAll();
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
