#include "AlarmFixture.h"
#include "alerts/QtAlarmSoundPlayer.h"
#include "support/CapturedWarnings.h"

#include <QCursor>
#include <QFile>
#include <QFileInfo>
#ifdef OSTREVIN_ALARM_TONES_MODULE_FILE
#include <QSoundEffect>
#endif
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;

TEST(AlarmSoundLoop, AlternatesTheTonesEvery1200msAndBeepsForWhatCannotPlay)
{
    struct Case {
        const char* name;
        int tones;
        QList<int> failing;
        bool soundEnabled;
        const char* expected; // after 3.6 s
    };
    const Case cases[] = {
        {"two tones alternate", 2, {}, true, "0@0 stop@1200 1@1200 stop@2400 0@2400 stop@3600 1@3600"},
        {"one tone repeats", 1, {}, true, "0@0 stop@1200 0@1200 stop@2400 0@2400 stop@3600 0@3600"},
        {"no tone beeps", 0, {}, true, "beep@0 beep@1200 beep@2400 beep@3600"},
        {"a tone that cannot play beeps in its turn",
         2,
         {1},
         true,
         "0@0 stop@1200 beep@1200 0@2400 stop@3600 beep@3600"},
        {"sound setting off", 2, {}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AlarmFixture f(c.tones);
        f.player.failing = c.failing;
        AppSettings::setAlarmSoundEnabled(c.soundEnabled, *f.settings);
        f.sound.start();
        f.clock.advance(3600ms);
        EXPECT_EQ(f.player.journal(), QString::fromUtf8(c.expected));
        EXPECT_EQ(f.clock.pendingSleeps(), c.soundEnabled ? 1 : 0);
    }
}

TEST(LocationSafetyAlarmWindowController, TheSameIncidentRefreshesTheContentANewOneRestartsTheSound)
{
    AlarmFixture f;
    const auto first = AlarmFixture::event(QStringLiteral("Helper ended"));
    f.present(first);
    f.clock.advance(600ms);

    auto update = first;
    update.reason = QStringLiteral("iPhone stopped answering");
    update.isRecoveryConfirmed = true;
    f.present(update);
    EXPECT_EQ(f.shownReasons(), QStringList{update.reason});
    f.clock.advance(600ms);
    EXPECT_EQ(f.player.journal(), u"0@0 stop@1200 1@1200");

    f.present(AlarmFixture::event(QStringLiteral("Second incident")));
    EXPECT_EQ(f.shownReasons(), QStringList{QStringLiteral("Second incident")});
    f.clock.advance(1200ms);
    EXPECT_EQ(f.player.journal(), u"0@0 stop@1200 1@1200 stop@1200 0@1200 stop@2400 1@2400");

    // Sound off: the panels still come, no sound is scheduled.
    f.controller.dismiss();
    AppSettings::setAlarmSoundEnabled(false, *f.settings);
    f.present(AlarmFixture::event(QStringLiteral("Third incident")));
    f.clock.advance(2400ms);
    EXPECT_EQ(f.controller.panels().size(), QGuiApplication::screens().size());
    EXPECT_EQ(f.clock.pendingSleeps(), 0);
}

TEST(LocationSafetyAlarmWindowController, ReturnAcknowledgesOnlyAfterASecondOfANewAlarmClicksAtOnce)
{
    enum class Step { returnKey, click, refresh, newAlarm };
    struct Case {
        const char* name;
        QList<std::pair<std::chrono::milliseconds, Step>> steps; // at that time since the first alarm
        int acknowledgements;
    };
    const Case cases[] = {
        {"Return at once is ignored", {{0ms, Step::returnKey}}, 0},
        {"Return just under a second is ignored", {{999ms, Step::returnKey}}, 0},
        {"Return after a second acknowledges", {{1000ms, Step::returnKey}}, 1},
        {"a click acknowledges at once", {{0ms, Step::click}}, 1},
        {"a refresh does not restart the wait", {{900ms, Step::refresh}, {1000ms, Step::returnKey}}, 1},
        {"a new incident does", {{900ms, Step::newAlarm}, {1000ms, Step::returnKey}}, 0},
        {"Enter counts as Return", {{1500ms, Step::newAlarm}, {2500ms, Step::returnKey}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AlarmFixture f;
        const auto first = AlarmFixture::event(QStringLiteral("Helper ended"));
        f.present(first);
        std::chrono::milliseconds now = 0ms;
        for (const auto& [at, step] : c.steps) {
            f.clock.advance(at - now);
            now = at;
            LocationSafetyAlarmPanel* panel = f.controller.primaryPanel();
            ASSERT_NE(panel, nullptr);
            switch (step) {
            case Step::returnKey:
                QTest::keyClick(panel,
                                c.name == std::string("Enter counts as Return") ? Qt::Key_Enter : Qt::Key_Return);
                break;
            case Step::click:
                QTest::mouseClick(qobject_cast<QPushButton*>(panel->content()), Qt::LeftButton);
                break;
            case Step::refresh: {
                auto update = first;
                update.reason = QStringLiteral("Still lost");
                f.present(update);
                break;
            }
            case Step::newAlarm:
                f.present(AlarmFixture::event(QStringLiteral("Another")));
                break;
            }
        }
        ManualClock::runPostedEvents();
        EXPECT_EQ(f.acknowledgements, c.acknowledgements);
        EXPECT_EQ(f.controller.panels().isEmpty(), c.acknowledgements > 0);
        EXPECT_EQ(f.sound.isRunning(), c.acknowledgements == 0);
    }
}

TEST(LocationSafetyAlarmWindowController, AClickSpanningARefreshOfTheSameIncidentAcknowledges)
{
    AlarmFixture f;
    const auto first = AlarmFixture::event(QStringLiteral("Helper ended"));
    f.present(first);
    // The panel takes the keyboard first; the user reads, then clicks.
    ManualClock::runPostedEvents();
    const int built = f.viewsBuilt;
    LocationSafetyAlarmPanel* panel = f.controller.primaryPanel();
    ASSERT_NE(panel, nullptr);
    QPointer<QPushButton> button = qobject_cast<QPushButton*>(panel->content());
    ASSERT_NE(button, nullptr);

    // The pointer is where the press is: a relayout sends a move from where it is.
    QCursor::setPos(button->mapToGlobal(button->rect().center()));
    QTest::mousePress(button, Qt::LeftButton);
    auto update = first;
    update.reason = QStringLiteral("iPhone stopped answering");
    f.present(update);
    ManualClock::runPostedEvents();
    EXPECT_EQ(f.shownReasons(), QStringList(f.controller.panels().size(), update.reason));
    EXPECT_EQ(f.viewsBuilt, built);
    // The release lands on whatever shows under the pointer by then.
    QWidget* under = button && button->isVisible() ? static_cast<QWidget*>(button.data()) : panel->content();
    QTest::mouseRelease(under, Qt::LeftButton);
    EXPECT_EQ(f.acknowledgements, 1);
}

#ifdef OSTREVIN_ALARM_TONES_MODULE_FILE
namespace {

/// Whether this process has mapped the tone module (and so the audio stack under it).
bool toneModuleLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) &&
           maps.readAll().contains(QFileInfo(QStringLiteral(OSTREVIN_ALARM_TONES_MODULE_FILE)).fileName().toUtf8());
}

} // namespace

TEST(QtAlarmSoundPlayer, TakesTheShippedTonesAndSkipsMissingOrNonWaveFiles)
{
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file(QStringLiteral("noise.wav")), "not a sound"));
    const QString data = QStringLiteral(OSTREVIN_SOURCE_DIR "/data/");
    // Nothing loads (nor holds the interface thread, nor maps the audio libraries)
    // before the app asks, after its first frame; an alarm that comes before that asks itself.
    for (const bool appAsks : {true, false}) {
        SCOPED_TRACE(appAsks ? "loaded by the app" : "loaded by the alarm");
        QtAlarmSoundPlayer player({data + u"alarm-tone-low.wav", dir.file(QStringLiteral("missing.wav")),
                                   dir.file(QStringLiteral("noise.wav")), data + u"alarm-tone-high.wav"},
                                  QStringLiteral(OSTREVIN_ALARM_TONES_MODULE_FILE));
        EXPECT_TRUE(player.findChildren<QSoundEffect*>().isEmpty());
        if (appAsks) {
            EXPECT_FALSE(toneModuleLoaded());
            player.load();
            player.load();
        }
        EXPECT_EQ(player.loadedToneCount(), 2);
        EXPECT_TRUE(toneModuleLoaded());
        EXPECT_EQ(player.findChildren<QSoundEffect*>().size(), 2);
        // Qt leaves parts of a sound effect behind when it goes while still loading.
        const auto loading = [&] {
            const auto tones = player.findChildren<QSoundEffect*>();
            return std::count_if(tones.begin(), tones.end(),
                                 [](const QSoundEffect* tone) { return tone->status() == QSoundEffect::Loading; });
        };
        EXPECT_EQ(settled(loading, 0), 0);
    }
}
#endif

TEST(QtAlarmSoundPlayer, WithoutItsToneModuleTheAlarmBeepsAndTheLogSaysWhy)
{
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file(QStringLiteral("tones.so")), "not a library"));
    const QString tone = QStringLiteral(OSTREVIN_SOURCE_DIR "/data/alarm-tone-low.wav");
    for (const QString& module : {dir.file(QStringLiteral("missing.so")), dir.file(QStringLiteral("tones.so"))}) {
        SCOPED_TRACE(module.toStdString());
        CapturedWarnings captured;
        QtAlarmSoundPlayer player({tone}, module);
        player.load();
        EXPECT_EQ(player.loadedToneCount(), 0);
        EXPECT_FALSE(player.play(0));
        player.stop();
        ASSERT_EQ(captured.warnings().size(), 1);
        EXPECT_TRUE(captured.warnings().front().contains(QStringLiteral("the alarm tones cannot load")));
        EXPECT_TRUE(captured.warnings().front().contains(QFileInfo(module).fileName()))
            << captured.warnings().front().toStdString();
    }
}
