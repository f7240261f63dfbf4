#pragma once

#include "alerts/AlarmSoundLoop.h"
#include "alerts/AlarmSoundPlayer.h"
#include "alerts/LocationSafetyAlarmPanel.h"
#include "alerts/LocationSafetyAlarmWindowController.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <memory>

namespace ostrevin::test {

/// The audio edge: writes what the sound loop asks for, with the time it asked,
/// as "0@0 stop@1200 1@1200" (tone index or beep, "@" milliseconds since the start).
class RecordingSoundPlayer final : public AlarmSoundPlayer {
public:
    RecordingSoundPlayer(const ManualClock& clock, int tones)
        : m_clock(clock), m_start(clock.steadyNow()), m_tones(tones)
    {
    }

    /// Tones whose play() fails (a tone not loaded yet, no output device).
    QList<int> failing;

    int loadedToneCount() override { return m_tones; }
    bool play(int index) override
    {
        if (failing.contains(index))
            return false;
        note(QString::number(index));
        m_sounding = true;
        return true;
    }
    void stop() override
    {
        if (m_sounding)
            note(QStringLiteral("stop"));
        m_sounding = false;
    }
    void beep() override { note(QStringLiteral("beep")); }

    QString journal() const { return m_journal.join(u' '); }

private:
    void note(const QString& what)
    {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.steadyNow() - m_start).count();
        m_journal << what + u'@' + QString::number(ms);
    }

    const ManualClock& m_clock;
    Clock::SteadyTime m_start;
    int m_tones;
    bool m_sounding = false;
    QStringList m_journal;
};

/// Waits (at most 10 s) until value() equals expected, and returns its last value, so
/// that a comparison after it shows what the window system really did.
template <typename Value, typename Expected> auto settled(Value value, const Expected& expected)
{
    static_cast<void>(QTest::qWaitFor([&] { return value() == expected; }, 10000));
    return value();
}

/// A controller with recorded sound and time. Its panels show a plain button with
/// the event's cause as text (counted as it is built); clicking it plays the user's
/// click on the alarm. The
/// acknowledge action does what the view model's does: it dismisses the alarm.
struct AlarmFixture {
    explicit AlarmFixture(int tones = 2)
        : settings(std::make_unique<SettingsStore>(dir.file(QStringLiteral("settings.conf")))), player(clock, tones),
          sound(player, clock, *settings),
          controller({[this](const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge) {
                          ++viewsBuilt;
                          auto* button = new QPushButton(event.reason);
                          QObject::connect(button, &QPushButton::clicked, button, [acknowledge] { acknowledge(); });
                          return button;
                      },
                      [](QWidget* view, const LocationSafetyAlarmEvent& event) {
                          static_cast<QPushButton*>(view)->setText(event.reason);
                      }},
                     sound, clock)
    {
    }

    static LocationSafetyAlarmEvent event(const QString& reason, QUuid id = QUuid::createUuid())
    {
        LocationSafetyAlarmEvent e;
        e.id = id;
        e.detectedAt = e.lastUpdatedAt = QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
        e.pointName = QStringLiteral("Prague");
        e.reason = reason;
        return e;
    }

    void present(const LocationSafetyAlarmEvent& e)
    {
        controller.present(e, [this] {
            ++acknowledgements;
            controller.dismiss();
        });
    }

    /// The text each panel shows, in panel order.
    QStringList shownReasons() const
    {
        QStringList reasons;
        for (LocationSafetyAlarmPanel* panel : controller.panels()) {
            const auto* button = qobject_cast<QPushButton*>(panel->content());
            reasons << (button ? button->text() : QStringLiteral("?"));
        }
        return reasons;
    }

    TempDir dir;
    std::unique_ptr<SettingsStore> settings;
    ManualClock clock;
    RecordingSoundPlayer player;
    AlarmSoundLoop sound;
    LocationSafetyAlarmWindowController controller;
    int acknowledgements = 0;
    int viewsBuilt = 0;
};

} // namespace ostrevin::test
