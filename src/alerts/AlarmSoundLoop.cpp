#include "alerts/AlarmSoundLoop.h"

#include "alerts/AlarmSoundPlayer.h"
#include "async/Scheduler.h"
#include "routedata/AppSettings.h"

#include <QCoro/QCoroFuture>

namespace ostrevin {

AlarmSoundLoop::AlarmSoundLoop(AlarmSoundPlayer& player, Scheduler& scheduler, SettingsStore& settings, QObject* parent)
    : QObject(parent), m_player(player), m_scheduler(scheduler), m_settings(settings)
{
}

AlarmSoundLoop::~AlarmSoundLoop()
{
    stop();
}

void AlarmSoundLoop::start()
{
    stop();
    if (!AppSettings::isAlarmSoundEnabled(m_settings))
        return;
    const CancelToken token = m_task.replace();
    m_task.adopt(run(QPointer(this), m_player.loadedToneCount(), token));
}

void AlarmSoundLoop::stop()
{
    m_task.cancel();
    m_player.stop();
}

QCoro::Task<> AlarmSoundLoop::run(QPointer<AlarmSoundLoop> self, int toneCount, CancelToken token)
{
    for (int next = 0; self && !token.isCancelled();) {
        AlarmSoundPlayer& player = self->m_player;
        player.stop();
        if (toneCount > 0) {
            const bool played = player.play(next);
            next = (next + 1) % toneCount;
            if (!played)
                player.beep();
        } else {
            player.beep();
        }
        if (!co_await self->m_scheduler.sleep(tick, token))
            co_return;
    }
}

} // namespace ostrevin
