#include "app/FullScreenAlarm.h"

#include "alerts/AlarmSoundLoop.h"
#include "alerts/LocationSafetyAlarmWindowController.h"
#include "alerts/QtAlarmSoundPlayer.h"
#include "views/alarm/LocationSafetyAlarmView.h"

namespace ostrevin {

FullScreenAlarm::FullScreenAlarm(Scheduler& scheduler, const Clock& clock, SettingsStore& settings)
    : m_player(std::make_unique<QtAlarmSoundPlayer>()),
      m_sound(std::make_unique<AlarmSoundLoop>(*m_player, scheduler, settings)),
      m_controller(
          std::make_unique<LocationSafetyAlarmWindowController>(LocationSafetyAlarmView::factory(), *m_sound, clock))
{
}

FullScreenAlarm::~FullScreenAlarm() = default;

AlarmPresenter& FullScreenAlarm::presenter()
{
    return *m_controller;
}

void FullScreenAlarm::setAttentionWindow(QWidget* window)
{
    m_controller->setAttentionWindow(window);
}

void FullScreenAlarm::loadTones()
{
    m_player->load();
}

} // namespace ostrevin
