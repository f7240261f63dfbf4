// The alarm on two real X11 screens; run through with-xvfb.sh, which splits one
// Xvfb screen into the monitors "left" (primary) and "right".
#include "AlarmFixture.h"
#include "FocusOnMapWindowManager.h"
#include "support/QtPrinters.h"
#include "support/XEventsSeen.h"

#include <QKeyEvent>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;

namespace {

/// Adds ("x+y wxh") or removes (empty geometry) a monitor of the test's display.
bool setMonitor(const QString& name, const QString& geometry = {})
{
    QStringList args;
    if (geometry.isEmpty())
        args << QStringLiteral("--delmonitor") << name;
    else
        args << QStringLiteral("--setmonitor") << name << geometry << QStringLiteral("none");
    return QProcess::execute(QStringLiteral("xrandr"), args) == 0;
}

QStringList screenNames()
{
    QStringList names;
    for (QScreen* screen : QGuiApplication::screens())
        names << screen->name();
    return names;
}

/// Panel by panel: its screen, whether it covers it and is shown, and its text.
QStringList describe(const AlarmFixture& f)
{
    QStringList rows;
    for (LocationSafetyAlarmPanel* panel : f.controller.panels()) {
        QScreen* screen = panel->windowHandle() ? panel->windowHandle()->screen() : nullptr;
        const bool covers = screen && panel->geometry() == screen->geometry();
        const auto* button = qobject_cast<QPushButton*>(panel->content());
        rows << (screen ? screen->name() : QStringLiteral("-")) + (covers ? u" covered" : u" partly") +
                    (panel->isVisible() ? u" shown " : u" hidden ") + (button ? button->text() : QString());
    }
    return rows;
}

/// The screen of the panel that has the keyboard; empty when none has it.
QString keyboardPanel(const AlarmFixture& f)
{
    for (LocationSafetyAlarmPanel* panel : f.controller.panels())
        if (panel->isActiveWindow() && panel->targetScreen())
            return panel->targetScreen()->name();
    return {};
}

/// The screen of the panel the X server sends keys to; empty when it sends them elsewhere.
QString keyboardPanel(const AlarmFixture& f, const FocusOnMapWindowManager& wm)
{
    const xcb_window_t focus = wm.focus();
    for (LocationSafetyAlarmPanel* panel : f.controller.panels())
        if (panel->internalWinId() == focus && panel->targetScreen())
            return panel->targetScreen()->name();
    return {};
}

} // namespace

TEST(AlarmScreens, ANewIncidentAfterTheUserWentElsewhereMapsNewPanelsWhichTheWindowManagerGivesTheKeyboard)
{
    FocusOnMapWindowManager wm;
    AlarmFixture f;
    const auto askers = [&] {
        QStringList screens;
        for (const xcb_window_t window : wm.ignoredActivations())
            for (LocationSafetyAlarmPanel* panel : f.controller.panels())
                if (panel->internalWinId() == window)
                    screens << panel->targetScreen()->name();
        return screens;
    };
    f.present(AlarmFixture::event(QStringLiteral("Helper ended")));
    // Only the panel meant to have the keyboard asks for it, and it is mapped last,
    // so a window manager that focuses new windows gives it that one.
    EXPECT_EQ(settled([&] { return keyboardPanel(f, wm); }, QStringLiteral("left")), QStringLiteral("left"));
    EXPECT_EQ(settled(askers, QStringList{QStringLiteral("left")}), QStringList{QStringLiteral("left")});

    // The user goes on in another window, which the window manager gives the keyboard.
    QWidget other;
    other.setGeometry(100, 100, 300, 200);
    other.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wm.focus() == other.internalWinId(); }, 10000));
    ASSERT_EQ(keyboardPanel(f, wm), QString());

    QList<QPointer<LocationSafetyAlarmPanel>> before;
    for (LocationSafetyAlarmPanel* panel : f.controller.panels())
        before << panel;
    f.present(AlarmFixture::event(QStringLiteral("Second incident")));
    // Asking for the keyboard again is refused here; mapped anew, a panel gets it.
    EXPECT_EQ(settled([&] { return keyboardPanel(f, wm); }, QStringLiteral("left")), QStringLiteral("left"));
    for (const auto& panel : before)
        EXPECT_TRUE(QTest::qWaitFor([&] { return !panel; }, 10000));
    EXPECT_EQ(settled([&] { return describe(f).size(); }, 2), 2);
    EXPECT_EQ(f.shownReasons(), (QStringList{QStringLiteral("Second incident"), QStringLiteral("Second incident")}));

    // While a panel holds the keyboard, a new incident keeps the panels.
    QList<LocationSafetyAlarmPanel*> holding = f.controller.panels();
    f.present(AlarmFixture::event(QStringLiteral("Third incident")));
    EXPECT_EQ(f.controller.panels(), holding);
    EXPECT_EQ(keyboardPanel(f, wm), QStringLiteral("left"));
}

TEST(AlarmScreens, OnePanelCoversEachScreenAndTheOneTheUserWorksOnTakesTheKeyboard)
{
    ASSERT_EQ(screenNames(), (QStringList{QStringLiteral("left"), QStringLiteral("right")}));
    struct Case {
        const char* name;
        const char* workingScreen; // where a window of the app has the keyboard; "" for none
        const char* keyboard;
    };
    const Case cases[] = {
        {"nothing focused: the primary screen", "", "left"},
        {"working on the second screen", "right", "right"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget other;
        if (*c.workingScreen) {
            QScreen* screen = nullptr;
            for (QScreen* s : QGuiApplication::screens())
                if (s->name() == QLatin1String(c.workingScreen))
                    screen = s;
            other.setScreen(screen);
            other.setGeometry(QRect(screen->geometry().topLeft() + QPoint(100, 100), QSize(300, 200)));
            other.show();
            other.activateWindow();
            ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }, 10000));
        }
        AlarmFixture f;
        f.present(AlarmFixture::event(QStringLiteral("Helper ended")));
        const QStringList expected{QStringLiteral("left covered shown Helper ended"),
                                   QStringLiteral("right covered shown Helper ended")};
        EXPECT_EQ(settled([&] { return describe(f); }, expected), expected);
        EXPECT_EQ(settled([&] { return keyboardPanel(f); }, QString::fromLatin1(c.keyboard)),
                  QString::fromLatin1(c.keyboard));
    }
}

TEST(AlarmScreens, ScreensAddedAndRemovedWhileShownGetPanelsWithTheCurrentEventWithoutANewSound)
{
    AlarmFixture f;
    auto event = AlarmFixture::event(QStringLiteral("Helper ended"));
    f.present(event);
    event.reason = QStringLiteral("iPhone stopped answering");
    f.present(event);
    ASSERT_EQ(settled([&] { return keyboardPanel(f); }, QStringLiteral("left")), QStringLiteral("left"));

    const QString shown = QStringLiteral(" covered shown iPhone stopped answering");
    ASSERT_TRUE(setMonitor(QStringLiteral("right"), {}));
    ASSERT_TRUE(setMonitor(QStringLiteral("third"), QStringLiteral("1440/381x900/238+1440+0")));
    EXPECT_EQ(settled([&] { return describe(f); }, (QStringList{u"left" + shown, u"third" + shown})),
              (QStringList{u"left" + shown, u"third" + shown}));

    EXPECT_EQ(settled([&] { return keyboardPanel(f); }, QStringLiteral("left")), QStringLiteral("left"));
    ASSERT_TRUE(setMonitor(QStringLiteral("fourth"), QStringLiteral("1000/264x700/185+1880+0")));
    EXPECT_EQ(settled([&] { return describe(f); }, (QStringList{u"left" + shown, u"third" + shown, u"fourth" + shown})),
              (QStringList{u"left" + shown, u"third" + shown, u"fourth" + shown}));
    // The keyboard went with the rebuilt panels; the sound went on as it was.
    EXPECT_EQ(settled([&] { return keyboardPanel(f); }, QStringLiteral("left")), QStringLiteral("left"));
    EXPECT_EQ(f.player.journal(), u"0@0");

    // Hidden: a change of screens builds nothing.
    f.controller.dismiss();
    ASSERT_TRUE(setMonitor(QStringLiteral("fourth"), {}));
    EXPECT_EQ(settled([&] { return QGuiApplication::screens().size(); }, 2), 2);
    QTest::qWait(100);
    EXPECT_TRUE(f.controller.panels().isEmpty());
}

TEST(AlarmScreens, DismissingBetweenTwoTicksSilencesAndHidesEveryPanel)
{
    AlarmFixture f;
    f.present(AlarmFixture::event(QStringLiteral("Helper ended")));
    EXPECT_EQ(settled([&] { return describe(f).size(); }, 2), 2);
    QList<QPointer<LocationSafetyAlarmPanel>> panels;
    for (LocationSafetyAlarmPanel* panel : f.controller.panels())
        panels << panel;
    f.clock.advance(1800ms);
    f.controller.dismiss();
    f.clock.advance(5000ms);
    EXPECT_EQ(f.player.journal(), u"0@0 stop@1200 1@1200 stop@1800");
    EXPECT_EQ(f.clock.pendingSleeps(), 0);
    // The panels are gone, not merely hidden behind something.
    for (const auto& panel : panels)
        EXPECT_TRUE(QTest::qWaitFor([&] { return !panel; }, 10000));
}

namespace {

/// Another program's window on the second screen, under the pointer. It takes the keyboard when the pointer comes
/// into it, as under a window manager whose keyboard follows the pointer, and counts the keys it gets.
class ProgramUnderThePointer {
public:
    ProgramUnderThePointer() : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_window = xcb_generate_id(m_connection);
        const uint32_t events = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_ENTER_WINDOW;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, root, 1540, 100, 400, 300, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        xcb_map_window(m_connection, m_window);
        xcb_warp_pointer(m_connection, XCB_WINDOW_NONE, m_window, 0, 0, 0, 0, 200, 150);
        // Once the server answers, the pointer's entry is here, and the keyboard is this program's to begin with
        // once it answers again: on a busy machine the server may otherwise give it here after the alarm took it.
        inputFocus(m_connection);
        keyPresses();
        inputFocus(m_connection);
    }
    ~ProgramUnderThePointer() { xcb_disconnect(m_connection); }
    ProgramUnderThePointer(const ProgramUnderThePointer&) = delete;
    ProgramUnderThePointer& operator=(const ProgramUnderThePointer&) = delete;

    int keyPresses()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            m_keyPresses += (event->response_type & 0x7f) == XCB_KEY_PRESS;
            if ((event->response_type & 0x7f) == XCB_ENTER_NOTIFY)
                xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, m_window, XCB_CURRENT_TIME);
            free(event);
        }
        xcb_flush(m_connection);
        return m_keyPresses;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    int m_keyPresses = 0;
};

void xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    EXPECT_TRUE(process.waitForFinished(5000) && process.exitCode() == 0) << arguments.join(u' ').toStdString();
}

/// Every key press the X server brought to a window of this program, in order.
class KeysReceived final : public QObject {
public:
    KeysReceived() { qApp->installEventFilter(this); }
    ~KeysReceived() override { qApp->removeEventFilter(this); }
    KeysReceived(const KeysReceived&) = delete;
    KeysReceived& operator=(const KeysReceived&) = delete;

    /// How many presses of key (any key when none) came to window.
    int count(const QWidget* window, std::optional<int> key = std::nullopt) const
    {
        return static_cast<int>(std::count_if(m_presses.begin(), m_presses.end(), [&](const auto& press) {
            return press.first == window->windowHandle() && (!key || press.second == *key);
        }));
    }
    /// One letter a press, in order: "p" for a window that isPanel says is the alarm's, "o" for any other.
    QString order(const std::function<bool(const QWindow*)>& isPanel) const
    {
        QString letters;
        for (const auto& press : m_presses)
            letters += isPanel(press.first) ? u'p' : u'o';
        return letters;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && watched->isWindowType())
            m_presses.append({static_cast<QWindow*>(watched), static_cast<QKeyEvent*>(event)->key()});
        return false;
    }

private:
    QList<std::pair<const QWindow*, int>> m_presses;
};

bool hasXdotool()
{
    return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

} // namespace

// The user types in another program when the alarm comes, and the window manager, as mutter does then, neither
// gives the newly mapped panels the keyboard nor lets them be activated: the panel meant to have it takes it, and
// from its first key on, everything typed reaches the alarm and nothing the program hidden under it.
TEST(AlarmScreens, WhereTheWindowManagerRefusesTheKeyboardWhileTheUserTypesElsewhereThePanelTakesIt)
{
    if (!hasXdotool())
        GTEST_SKIP() << "xdotool is missing (scripts/install-deps installs it)";
    FocusOnMapWindowManager wm;
    KeysReceived keys;
    QWidget other;
    other.setGeometry(100, 100, 300, 200);
    other.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wm.focus() == other.internalWinId(); }, 10000));
    ASSERT_TRUE(xEventsSeenUpToNow());
    // Twenty letters a second, for longer than the test needs.
    QProcess typing;
    typing.start(QStringLiteral("xdotool"),
                 {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("50"), QString(600, u'a')});
    ASSERT_TRUE(QTest::qWaitFor([&] { return keys.count(&other) >= 3; }, 10000));

    AlarmFixture f;
    f.present(AlarmFixture::event(QStringLiteral("Helper ended")));
    EXPECT_EQ(settled([&] { return keyboardPanel(f, wm); }, QStringLiteral("left")), QStringLiteral("left"));
    const auto isPanel = [&](const QWindow* window) {
        const QList<LocationSafetyAlarmPanel*> panels = f.controller.panels();
        return std::any_of(panels.begin(), panels.end(),
                           [&](const LocationSafetyAlarmPanel* panel) { return panel->windowHandle() == window; });
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return keys.order(isPanel).count(u'p') >= 5; }, 10000));
    typing.kill();
    typing.waitForFinished();
    const QString order = keys.order(isPanel);
    EXPECT_EQ(order.indexOf(u'o', order.indexOf(u'p')), -1) << order.toStdString();
}

// Return held on the alarm until the X server repeats it: the program that gets the keyboard once the alarm is gone
// gets none of the repeats, whether the key acknowledged the alarm, the alarm ended while the key was down, or a click
// on the other screen's panel, which takes the keyboard, acknowledged it.
TEST(AlarmScreens, AReturnHeldOnTheAlarmTypesNothingIntoTheProgramThatGetsTheKeyboardNext)
{
    if (!hasXdotool())
        GTEST_SKIP() << "xdotool is missing (scripts/install-deps installs it)";
    enum class End { key, elsewhere, click };
    for (const auto& [end, name] : {std::pair(End::key, "the key acknowledges"),
                                    std::pair(End::elsewhere, "the alarm ends while the key is down"),
                                    std::pair(End::click, "a click on the other screen acknowledges")}) {
        SCOPED_TRACE(name);
        ProgramUnderThePointer other;
        AlarmFixture f;
        f.present(AlarmFixture::event(QStringLiteral("Helper ended")));
        ASSERT_EQ(settled([&] { return keyboardPanel(f); }, QStringLiteral("left")), QStringLiteral("left"));
        if (end == End::key)
            f.clock.advance(LocationSafetyAlarmWindowController::keyboardGrace);
        QPointer<LocationSafetyAlarmPanel> panel = f.controller.primaryPanel();
        const QWidget* button = f.controller.panels().constLast()->content();
        const QPoint at = button->mapToGlobal(button->rect().center());
        int pressed = 0;
        QObject::connect(panel, &LocationSafetyAlarmPanel::returnPressed, [&] { ++pressed; });
        xdotool({QStringLiteral("keydown"), QStringLiteral("Return")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return pressed == 1; }, 5000));
        if (end == End::elsewhere)
            f.controller.dismiss();
        if (end == End::click) {
            xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                     QStringLiteral("click"), QStringLiteral("1"), QStringLiteral("mousemove"), QStringLiteral("1740"),
                     QStringLiteral("250")});
            EXPECT_TRUE(QTest::qWaitFor([&] { return f.acknowledgements == 1; }, 5000));
        }
        EXPECT_EQ(f.acknowledgements, end == End::elsewhere ? 0 : 1);
        // The X server repeats a held key from 660 ms on, 25 times a second.
        EXPECT_FALSE(QTest::qWaitFor([&] { return other.keyPresses() > 0; }, 1500));
        xdotool({QStringLiteral("keyup"), QStringLiteral("Return")});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !panel; }, 5000)) << "gone once the key is up";
        // The next press is the program's, as the repeats would have been.
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        EXPECT_EQ(settled([&] { return other.keyPresses(); }, 1), 1);
        EXPECT_EQ(f.acknowledgements, end == End::elsewhere ? 0 : 1);
    }
}

// A Return acknowledges only when it goes down on a panel after the alarm's first second: the X server's repeats of
// one held since the first second, or since it acknowledged the previous incident's alarm, press nothing, whenever
// they come.
TEST(AlarmScreens, AHeldReturnsRepeatsNeverAcknowledgeOnlyAPressAfterTheFirstSecondDoes)
{
    if (!hasXdotool())
        GTEST_SKIP() << "xdotool is missing (scripts/install-deps installs it)";
    for (const bool onThePreviousAlarm : {false, true}) {
        SCOPED_TRACE(onThePreviousAlarm ? "held since it acknowledged the previous alarm"
                                        : "held since the alarm's first second");
        KeysReceived keys;
        AlarmFixture f;
        f.present(AlarmFixture::event(QStringLiteral("Helper ended")));
        ASSERT_EQ(settled([&] { return keyboardPanel(f); }, QStringLiteral("left")), QStringLiteral("left"));
        if (onThePreviousAlarm) {
            f.clock.advance(LocationSafetyAlarmWindowController::keyboardGrace);
            xdotool({QStringLiteral("keydown"), QStringLiteral("Return")});
            ASSERT_TRUE(QTest::qWaitFor([&] { return f.acknowledgements == 1; }, 5000));
            f.present(AlarmFixture::event(QStringLiteral("Second incident")));
            ASSERT_EQ(settled([&] { return keyboardPanel(f); }, QStringLiteral("left")), QStringLiteral("left"));
        } else {
            xdotool({QStringLiteral("keydown"), QStringLiteral("Return")});
        }
        const int acknowledged = f.acknowledgements;
        LocationSafetyAlarmPanel* panel = f.controller.primaryPanel();
        ASSERT_TRUE(QTest::qWaitFor([&] { return keys.count(panel, Qt::Key_Return) >= 1; }, 5000));
        f.clock.advance(LocationSafetyAlarmWindowController::keyboardGrace);
        const int before = keys.count(panel, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return keys.count(panel, Qt::Key_Return) >= before + 5; }, 5000));
        EXPECT_EQ(f.acknowledgements, acknowledged);
        xdotool({QStringLiteral("keyup"), QStringLiteral("Return")});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.acknowledgements == acknowledged + 1; }, 5000));
    }
}
