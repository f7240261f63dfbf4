// The real main window under a plain X11 window manager (twm, openbox) or none on a
// private Xvfb, clicked and typed at through the X server as a mouse and a keyboard
// do, beside another program's window; run through with-xvfb.sh.

#include "ShellFixture.h"
#include "alerts/AlarmFixture.h"
#include "app/MainWindowView.h"
#include "app/SettingsWindowOpener.h"
#include "devicebridge/DeviceLocationError.h"
#include "support/RealWindowManager.h"
#include "support/XEventsSeen.h"
#include "support/XInputFocus.h"
#include "views/alarm/LocationSafetyAlarmView.h"
#include "views/kit/ActionButton.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/IconButton.h"
#include "views/place/PlacePanel.h"
#include "views/place/PlaceSearchField.h"
#include "views/place/SelectedPlaceCard.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <xcb/xcb.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

/// Another program on the test's display: a small window of its own, out of the
/// window manager's hands and away from Ostrevin's, that takes the keyboard as a
/// program the user switched to does, or hands it to nobody, as XWayland shows
/// the keyboard held by a Wayland window.
class OtherProgram {
public:
    OtherProgram() : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        root = screen->root;
        window = xcb_generate_id(m_connection);
        const uint32_t values[] = {screen->white_pixel, 1};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, screen->width_in_pixels - 200,
                          screen->height_in_pixels - 100, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(m_connection, window);
        xcb_flush(m_connection);
    }
    ~OtherProgram() { xcb_disconnect(m_connection); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    /// Gives the keyboard to target (this program's window once it is mapped, nobody,
    /// or one of Ostrevin's as the window manager does when the user goes back to it),
    /// and returns once Ostrevin has seen the move, as it would have long before the
    /// user acted on anything next.
    bool focus(xcb_window_t target)
    {
        return QTest::qWaitFor(
                   [&] {
                       xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, target, XCB_CURRENT_TIME);
                       return focused() == target;
                   },
                   5000) &&
               xEventsSeenUpToNow();
    }
    xcb_window_t focused() const { return inputFocus(m_connection); }

    /// Asks target to close as the window manager does for a dock's or a taskbar's Quit.
    void requestClose(xcb_window_t target)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = target;
        event.type = internAtom(m_connection, "WM_PROTOCOLS");
        event.data.data32[0] = internAtom(m_connection, "WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
        xcb_flush(m_connection);
    }

    /// Whether a window manager put target in a frame of its own.
    bool framed(xcb_window_t target)
    {
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, target), nullptr);
        const bool framed = tree && tree->parent != tree->root;
        free(tree);
        return framed;
    }

    xcb_window_t window = XCB_WINDOW_NONE;
    xcb_window_t root = XCB_WINDOW_NONE;

private:
    xcb_connection_t* m_connection;
};

class NoticeUnderWindowManager : public ShellFixture {
protected:
    void TearDown() override
    {
        ShellFixture::TearDown();
        wm.reset();
    }

    /// Whether kind and xdotool, with which the test acts as the user, are installed.
    bool installed(RealWindowManager::Kind kind)
    {
        xdotoolPath = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        return RealWindowManager(kind, dir.path()).installed() && !xdotoolPath.isEmpty();
    }

    /// kind on the test's display, once it manages windows.
    testing::AssertionResult startWindowManager(RealWindowManager::Kind kind = RealWindowManager::Kind::twm)
    {
        wm.emplace(kind, dir.path());
        return wm->start();
    }

    /// One monitor of size in place of the display's two, as on a laptop.
    static bool oneMonitor(QSize size)
    {
        for (const char* name : {"left", "right"})
            QProcess::execute(QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), QString::fromLatin1(name)});
        const QString geometry = QStringLiteral("%1/256x%2/150+0+0").arg(size.width()).arg(size.height());
        return QProcess::execute(QStringLiteral("xrandr"), {QStringLiteral("--setmonitor"), QStringLiteral("one"),
                                                            geometry, QStringLiteral("screen")}) == 0 &&
               QTest::qWaitFor(
                   [&] { return QGuiApplication::primaryScreen()->geometry() == QRect(QPoint(0, 0), size); }, 10000);
    }

    QString xdotool(const QStringList& arguments)
    {
        QProcess process;
        process.start(xdotoolPath, arguments);
        EXPECT_TRUE(process.waitForFinished(5000) && process.exitCode() == 0) << arguments.join(u' ').toStdString();
        return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
    }

    void pointerTo(QPoint at)
    {
        xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
    }

    void clickAt(QPoint at)
    {
        pointerTo(at);
        xdotool({QStringLiteral("click"), QStringLiteral("1")});
    }

    void click(QWidget* widget) { clickAt(widget->mapToGlobal(widget->rect().center())); }

    /// Escape for the window that has the keyboard: true once closing is gone.
    template <typename Window> bool escapeCloses(const QPointer<Window>& closing)
    {
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        return QTest::qWaitFor([&] { return !closing; }, 5000);
    }

    QMessageBox* shownBox(const QString& name)
    {
        QMessageBox* box = nullptr;
        const bool shown = QTest::qWaitFor(
            [&] {
                box = window->findChild<QMessageBox*>(name);
                return box && box->isVisible();
            },
            5000);
        return shown && QTest::qWaitForWindowExposed(box) ? box : nullptr;
    }

    kit::IconButton* star() const
    {
        auto* panel = window->findChild<PlacePanel*>();
        if (!panel->card())
            return nullptr;
        for (auto* button : panel->card()->findChildren<kit::IconButton*>()) {
            if (button->toolTip() == QStringLiteral("Save location") && button->isVisible())
                return button;
        }
        return nullptr;
    }

    QString focus() { return xdotool({QStringLiteral("getwindowfocus"), QStringLiteral("-f")}); }

    /// The window up (under the window manager, if any) and active, Home chosen and the iPhone
    /// ready: Set location can act.
    bool readyToSetHome()
    {
        build();
        PlannerTestAccess::setHelperStatus(*vm, readyStatus());
        PlannerTestAccess::setLastDeviceCheck(*vm, clock.wallNow());
        vm->selectPlace(makePoint(QStringLiteral("Home"), 50.08, 14.42),
                        LocationPlannerViewModel::MapFraming::keepCamera);
        return QTest::qWaitFor(
                   [&] {
                       const bool framed = window->frameGeometry() != window->geometry() || !wm;
                       return framed && window->isActiveWindow() &&
                              window->findChild<PlacePanel*>()->setLocationButton()->isEnabled();
                   },
                   10000) &&
               (!wm || wm->caughtUp());
    }

    /// The user's hand rests over target while they work in the other program.
    bool awayOver(const QWidget& target, OtherProgram& other)
    {
        pointerTo(target.mapToGlobal(target.rect().center()));
        return other.focus(other.window) && QTest::qWaitFor([&] { return !window->isActiveWindow(); }, 5000);
    }

    /// The user works in the other program with the pointer on it, then the pointer enters the window at `back`:
    /// twm gives the window the keyboard on the entry.
    bool awayAndBackAt(OtherProgram& other, QPoint back)
    {
        pointerTo(window->screen()->virtualGeometry().bottomRight() - QPoint(100, 50));
        if (!other.focus(other.window) || !QTest::qWaitFor([&] { return !window->isActiveWindow(); }, 5000))
            return false;
        pointerTo(back);
        return QTest::qWaitFor([&] { return window->isActiveWindow(); }, 5000);
    }

    qsizetype sets() const
    {
        return device.calls().count(QStringLiteral("setLocation")) +
               device.calls().count(QStringLiteral("resendLocation"));
    }

    /// What a window manager does with keys another program put on nobody: openbox gives
    /// them back at once to the window it focused last.
    enum class KeysOnNobody { stay, givenBack };

    void quitFromOutsideAsksAtOnce(KeysOnNobody keysOnNobody)
    {
        ASSERT_TRUE(readyToSetHome());
        PlannerTestAccess::holdPoint(*vm, makePoint(QStringLiteral("Home"), 50.08, 14.42), true);
        bool quit = false;
        QObject::connect(window.get(), &MainWindow::quitRequested, [&] { quit = true; });
        OtherProgram other;
        const auto windowId = static_cast<xcb_window_t>(window->winId());
        const auto asksWithTheKeyboard = [&] {
            QPointer<QMessageBox> question = shownBox(QStringLiteral("quitConfirmation"));
            return question && QTest::qWaitFor([&] { return other.focused() == question->winId(); }, 5000) ? question
                                                                                                           : nullptr;
        };
        QList<xcb_window_t> aways{other.window};
        if (keysOnNobody == KeysOnNobody::stay)
            aways << XCB_WINDOW_NONE;
        for (const xcb_window_t away : aways) {
            SCOPED_TRACE(away == XCB_WINDOW_NONE ? "nobody" : "another program");
            // twm hands the keys to the pointer as it makes the window an icon: they go away after that.
            if (wm) {
                window->showMinimized();
                ASSERT_TRUE(QTest::qWaitFor([&] { return !window->windowHandle()->isExposed(); }, 5000));
            }
            ASSERT_TRUE(other.focus(other.window) && other.focus(away));
            ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isActiveWindow(); }, 5000));
            // A notice that waits for the user, who then quits from outside.
            vm->setNotice(QStringLiteral("The location could not be set."));
            other.requestClose(windowId);
            QPointer<QMessageBox> question = asksWithTheKeyboard();
            ASSERT_TRUE(question) << "the question waited or has no keyboard";
            EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowHandle()->isExposed(); }, 5000)) << "still an icon";
            EXPECT_FALSE(QTest::qWaitFor([&] { return other.focused() != question->winId(); }, 500)) << "and keeps it";

            ASSERT_TRUE(other.focus(away));
            other.requestClose(windowId);
            EXPECT_TRUE(QTest::qWaitFor([&] { return other.focused() == question->winId(); }, 5000)) << "asked again";
            ASSERT_TRUE(escapeCloses(question));
            // The notice now; a close while it is open is answered once it is.
            QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
            ASSERT_TRUE(notice && QTest::qWaitFor([&] { return other.focused() == notice->winId(); }, 5000));
            other.requestClose(windowId);
            ASSERT_TRUE(escapeCloses(notice));
            question = asksWithTheKeyboard();
            ASSERT_TRUE(question) << "the close while the notice was open was forgotten";
            ASSERT_TRUE(escapeCloses(question));
        }
        // With no window manager each Return that cancels leaves the keyboard fallen to the root window.
        for (int close = 1; !wm && close <= 50; ++close) {
            other.requestClose(windowId);
            QPointer<QMessageBox> question = asksWithTheKeyboard();
            ASSERT_TRUE(question) << "close " << close << ", the keyboard on " << other.focused();
            xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            ASSERT_TRUE(QTest::qWaitFor([&] { return !question; }, 5000));
        }
        // Qt goes on counting the window blocked once a box's own window went while the box was shown: it drops the
        // window manager's close then, with nothing on the screen, while File › Quit, which closes the window itself,
        // still asks.
        struct Box final : QDialog {
            using QDialog::QDialog;
            using QWidget::destroy;
        };
        auto* gone = new Box(window.get());
        gone->setWindowModality(Qt::WindowModal);
        gone->open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(gone));
        gone->destroy();
        other.requestClose(windowId);
        EXPECT_TRUE(asksWithTheKeyboard()) << "the close Qt dropped with no box open was lost";
        EXPECT_FALSE(quit);
        EXPECT_TRUE(vm->hold().lockedPoint());
    }

    std::optional<RealWindowManager> wm;
    QString xdotoolPath;
};

} // namespace

TEST_F(NoticeUnderWindowManager, TheSavedNoticeHasTheKeyboardAndClosesWithTheFirstKey)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    build();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, 10000))
        << "twm frames the window: " << wm->output().toStdString();

    // The second save replaces the first Home after a question answered with the
    // mouse: twm puts the focus on the root when that question closes.
    const struct {
        double latitude;
        const char* key;
    } cases[] = {{50.08, "Return"}, {50.09, "Escape"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        vm->selectPlace(makePoint(QStringLiteral("Home"), c.latitude, 14.42),
                        LocationPlannerViewModel::MapFraming::keepCamera);
        ASSERT_TRUE(QTest::qWaitFor([&] { return star() != nullptr; }, 5000));
        click(star());
        if (!vm->library().savedLocations().isEmpty() &&
            vm->library().savedLocations().first().point.latitude != c.latitude) {
            QMessageBox* question = shownBox(QStringLiteral("locationNameReplacement"));
            ASSERT_NE(question, nullptr);
            for (QAbstractButton* button : question->buttons()) {
                if (question->buttonRole(button) == QMessageBox::DestructiveRole)
                    click(button);
            }
        }
        QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
        ASSERT_TRUE(notice);
        const QString id = QString::number(notice->winId());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return xdotool({QStringLiteral("getwindowfocus"), QStringLiteral("-f")}) == id;
            },
            5000))
            << "the notice holds the keyboard";
        xdotool({QStringLiteral("key"), QString::fromLatin1(c.key)});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !notice; }, 5000)) << "the first key closes the notice";
        ASSERT_DOUBLE_EQ(vm->library().savedLocations().first().point.latitude, c.latitude);
    }
}

// On one small monitor: a notice raised while the alarm is up, in its own turn (as an interrupted route does) or
// later, waits for it; the settings window opens and grows wholly on the screen, and its notices come up over it.
TEST_F(NoticeUnderWindowManager, NoticesWaitForTheAlarmAndSettingsStaysWhollyOnASmallScreen)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    // One 1024x600 monitor in place of the display's two.
    for (const char* name : {"left", "right"})
        QProcess::execute(QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), QString::fromLatin1(name)});
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("xrandr"), {QStringLiteral("--setmonitor"), QStringLiteral("small"),
                                                     QStringLiteral("1024/256x600/150+0+0"), QStringLiteral("screen")}),
        0);
    ASSERT_TRUE(
        QTest::qWaitFor([] { return QGuiApplication::primaryScreen()->geometry() == QRect(0, 0, 1024, 600); }, 10000));
    build();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, 10000));
    RecordingSoundPlayer player(clock, 2);
    AlarmSoundLoop sound(player, clock, *settings);
    LocationSafetyAlarmWindowController alarm(LocationSafetyAlarmView::factory(), sound, clock);
    for (const bool sameTurn : {true, false}) {
        SCOPED_TRACE(sameTurn);
        alarm.present(LocationSafetyAlarmEvent{}, [] {});
        const QString panel = QString::number(alarm.primaryPanel()->winId());
        if (!sameTurn) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return focus() == panel; }, 5000));
        }
        vm->setNotice(QStringLiteral("Route playback was interrupted."));
        EXPECT_TRUE(QTest::qWaitFor([&] { return focus() == panel; }, 5000)) << "the panel takes the keyboard";
        EXPECT_FALSE(QTest::qWaitFor([&] { return focus() != panel; }, 3000)) << "and keeps it";
        alarm.dismiss();
        QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
        ASSERT_TRUE(notice);
        EXPECT_TRUE(QTest::qWaitFor([&] { return focus() == QString::number(notice->winId()); }, 5000));
        EXPECT_TRUE(escapeCloses(notice));
    }

    auto* opener = new SettingsWindowOpener({*vm, *runtime, *settings, [] {}, {}, QStringLiteral("system")}, *window);
    opener->open();
    QPointer<SettingsWindow> settingsWindow = opener->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(settingsWindow));
    // The window system's frame: the widget's own lags behind it.
    QWindow* settingsFrame = settingsWindow->windowHandle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !settingsFrame->frameMargins().isNull(); }, 10000));
    const auto onScreen = [&](QWindow* frame) {
        return QTest::qWaitFor([&] { return window->screen()->availableGeometry().contains(frame->frameGeometry()); },
                               3000);
    };
    EXPECT_TRUE(onScreen(settingsFrame)) << "opened at " << settingsFrame->frameGeometry().bottom();
    // The Advanced tab grows with its unfolded details and a long error.
    settingsWindow->setCurrentTab(SettingsTab::advanced);
    PlannerTestAccess::setLastDeviceError(*vm, QStringList(40, QStringLiteral("tool output")).join(u'\n'));
    settingsWindow->findChild<kit::DisclosureGroup*>(QStringLiteral("technicalDetails"))->setExpanded(true);
    EXPECT_TRUE(onScreen(settingsFrame)) << "grown to " << settingsFrame->frameGeometry().bottom();
    // A failed export of the event log, started here, reports over Settings.
    dialogs.choose(dir.file(QStringLiteral("missing/folder/log.txt")));
    auto* exportLog = settingsWindow->findChild<QPushButton*>(QStringLiteral("exportLog"));
    settingsWindow->findChild<QScrollArea*>(QStringLiteral("settingsScroll"))->ensureWidgetVisible(exportLog);
    QApplication::processEvents();
    click(exportLog);
    QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->parentWidget(), settingsWindow.data());
    EXPECT_TRUE(QTest::qWaitFor([&] { return focus() == QString::number(notice->winId()); }, 5000));
    ASSERT_TRUE(escapeCloses(notice));

    // A GPX file saved under a long name without spaces: its notice stays on the screen, the
    // name's end readable and nothing past the box's edge.
    const QString name = QStringList(14, QStringLiteral("Ceske_Budejovice")).join(u'_') + u"_2026.gpx";
    PlannerTestAccess::setPoints(*vm, {makePoint(QStringLiteral("Hluboka"), 49.05, 14.44)});
    dialogs.choose(dir.file(name));
    auto* exportRoute = settingsWindow->findChild<QPushButton*>(QStringLiteral("exportGPX"));
    settingsWindow->findChild<QScrollArea*>(QStringLiteral("settingsScroll"))->ensureWidgetVisible(exportRoute);
    QApplication::processEvents();
    click(exportRoute);
    notice = shownBox(QStringLiteral("noticeAlert"));
    ASSERT_TRUE(notice);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notice->windowHandle()->frameMargins().isNull(); }, 10000));
    EXPECT_TRUE(onScreen(notice->windowHandle()))
        << "the box spans " << notice->frameGeometry().left() << " to " << notice->frameGeometry().right();
    const auto* label = notice->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("Budejovice_2026.gpx"))) << label->text().toStdString();
    EXPECT_LE(label->minimumSizeHint().width(), label->width());
}

// Under the alarm, a later launch gives it the keyboard, from another program too, and brings the window forward once
// it is gone. A Return held at the alarm acknowledges it once and the alarm keeps the keyboard until the key is up:
// the notice held back for it opens then, and neither it nor the button focused in the window behind (the star) gets
// a repeat.
TEST_F(NoticeUnderWindowManager, ALaterLaunchWaitsForTheAlarmAndAHeldReturnActsOnce)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    build();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, 10000));
    vm->selectPlace(makePoint(QStringLiteral("Home"), 50.08, 14.42), LocationPlannerViewModel::MapFraming::keepCamera);
    ASSERT_TRUE(QTest::qWaitFor([&] { return star() != nullptr; }, 5000));
    star()->setFocus(Qt::TabFocusReason);
    RecordingSoundPlayer player(clock, 2);
    AlarmSoundLoop sound(player, clock, *settings);
    LocationSafetyAlarmWindowController alarm(LocationSafetyAlarmView::factory(), sound, clock);
    int acknowledged = 0;
    const auto raiseAlarm = [&] {
        alarm.present(LocationSafetyAlarmEvent{}, [&] {
            ++acknowledged;
            alarm.dismiss();
        });
        clock.advance(LocationSafetyAlarmWindowController::keyboardGrace);
        const QString panel = QString::number(alarm.primaryPanel()->winId());
        return QTest::qWaitFor([&] { return focus() == panel; }, 5000);
    };

    ASSERT_TRUE(raiseAlarm());
    const QString panel = focus();
    // Gone to another program meanwhile, the user launches again: back to the alarm.
    OtherProgram other;
    ASSERT_TRUE(other.focus(other.window));
    ASSERT_TRUE(QTest::qWaitFor([] { return !QGuiApplication::focusWindow(); }, 5000));
    window->comeForward();
    EXPECT_TRUE(QTest::qWaitFor([&] { return focus() == panel; }, 5000)) << "the alarm has the keyboard";
    window->comeForward();
    EXPECT_FALSE(QTest::qWaitFor([&] { return focus() != panel; }, 2000)) << "the alarm keeps the keyboard";
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return acknowledged == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return focus() == QString::number(window->winId()); }, 5000))
        << "forward once the alarm is gone";

    ASSERT_TRUE(raiseAlarm());
    const QString held = focus();
    vm->setNotice(QStringLiteral("Route playback was interrupted."));
    xdotool({QStringLiteral("keydown"), QStringLiteral("Return")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return acknowledged == 2; }, 5000));
    // The X server repeats a held key from 660 ms on, 25 times a second.
    EXPECT_FALSE(QTest::qWaitFor([&] { return focus() != held; }, 1500)) << "the alarm keeps the keyboard";
    xdotool({QStringLiteral("keyup"), QStringLiteral("Return")});
    QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
    ASSERT_TRUE(notice);
    EXPECT_TRUE(QTest::qWaitFor([&] { return focus() == QString::number(notice->winId()); }, 5000));
    EXPECT_EQ(acknowledged, 2);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !notice; }, 5000));
    EXPECT_TRUE(vm->library().savedLocations().isEmpty()) << "no Return reached the star";
}

// A point is held with the keyboard on Set location when the user goes to another program. A verification disables
// Set location meanwhile, and the user comes back with a click into the search field, which X11 delivers before
// the window is active again, and types. The end of the verification leaves the keyboard and the text in the field,
// and Return searches rather than setting the location again.
TEST_F(NoticeUnderWindowManager, AClickBackIntoTheSearchFieldDuringAVerificationKeepsTheKeyboardAndTheText)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    ASSERT_TRUE(readyToSetHome());
    auto* panel = window->findChild<PlacePanel*>();
    QAbstractButton* setLocation = panel->setLocationButton();
    QLineEdit* field = panel->searchField()->lineEdit();
    setLocation->setFocus(Qt::TabFocusReason);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm->hold().lockedPoint() && setLocation->isEnabled(); }, 5000));
    ASSERT_EQ(QApplication::focusWidget(), setLocation);
    const qsizetype setsBefore = sets();

    OtherProgram other;
    ASSERT_TRUE(awayOver(*field, other));
    PlannerTestAccess::setVerifying(*vm, true);
    ASSERT_FALSE(setLocation->isEnabled());
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 5000)) << "the click brings it back";
    ASSERT_EQ(QApplication::focusWidget(), field);
    xdotool({QStringLiteral("type"), QStringLiteral("Pra")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->text() == QStringLiteral("Pra"); }, 5000));
    PlannerTestAccess::setVerifying(*vm, false);
    ASSERT_TRUE(setLocation->isEnabled());
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_EQ(field->text(), QStringLiteral("Pra"));
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_FALSE(QTest::qWaitFor([&] { return sets() != setsBefore; }, 1000)) << "Return set the location again";
}

// The user went to another program, or to a window that holds the keyboard unseen (XWayland then shows the X focus on
// nobody), when a notice comes: the keyboard stays there, so the next keys the user types cannot answer the notice,
// and the notice takes it once the user is back. The alarm takes it at once.
TEST_F(NoticeUnderWindowManager, ANoticeLeavesTheKeyboardWhereTheUserWentUntilTheyComeBackButTheAlarmTakesIt)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    build();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 5000));
    OtherProgram other;
    for (const xcb_window_t away : {other.window, xcb_window_t(XCB_WINDOW_NONE)}) {
        SCOPED_TRACE(away == XCB_WINDOW_NONE ? "nobody" : "another program");
        // From the window: the keys a closed notice left on nobody are still Ostrevin's.
        ASSERT_TRUE(other.focus(static_cast<xcb_window_t>(window->winId())));
        ASSERT_TRUE(other.focus(away));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isActiveWindow(); }, 5000));
        vm->setNotice(QStringLiteral("The location could not be set."));
        EXPECT_FALSE(QTest::qWaitFor([&] { return other.focused() != away; }, 2000)) << "the notice took the keyboard";
        auto* waiting = window->findChild<QMessageBox*>(QStringLiteral("noticeAlert"));
        EXPECT_TRUE(waiting && !waiting->isActiveWindow());
        ASSERT_TRUE(other.focus(static_cast<xcb_window_t>(window->winId())));
        QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
        ASSERT_TRUE(notice);
        EXPECT_TRUE(QTest::qWaitFor([&] { return other.focused() == notice->winId(); }, 5000)) << "back, it has it";
        ASSERT_TRUE(escapeCloses(notice));
    }

    ASSERT_TRUE(other.focus(other.window));
    RecordingSoundPlayer player(clock, 2);
    AlarmSoundLoop sound(player, clock, *settings);
    LocationSafetyAlarmWindowController alarm(LocationSafetyAlarmView::factory(), sound, clock);
    alarm.present(LocationSafetyAlarmEvent{}, [] {});
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.focused() == alarm.primaryPanel()->winId(); }, 5000));
    alarm.dismiss();
}

// The user comes back from another program with a tap on Set location, so quick that its press and release come
// before the window is active again: the set disables Set location before any focus change can show it, and the
// keyboard is back on Set location once the set is over.
TEST_F(NoticeUnderWindowManager, ATapThatStartsWorkWhileTheWindowIsInactiveGetsTheKeyboardBackWhenItEnds)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    ASSERT_TRUE(readyToSetHome());
    QAbstractButton* setLocation = window->findChild<PlacePanel*>()->setLocationButton();
    OtherProgram other;
    ASSERT_TRUE(awayOver(*setLocation, other));

    device.holdAnswers(true);
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.pendingCount() > 0 && window->isActiveWindow(); }, 5000));
    ASSERT_FALSE(setLocation->isEnabled());
    device.holdAnswers(false);
    device.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm->hold().lockedPoint() && setLocation->isEnabled(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == setLocation; }, 2000))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "no focus");
}

// Reset location… confirmed in its box: the reset begins before the window has the keyboard back, and its work takes
// the control that replaced the button unseen. Once the work is over the keyboard is on what stands there then:
// Finish reset after a reset that failed (its notice closed), the side panel's first control after one that
// finished; never the device pill.
TEST_F(NoticeUnderWindowManager, AResetConfirmedInItsBoxLeavesTheKeyboardOnWhatTookTheButtonsPlace)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    ASSERT_TRUE(readyToSetHome());
    QAbstractButton* setLocation = window->findChild<PlacePanel*>()->setLocationButton();
    const auto button = [&](const char* name) { return window->findChild<QAbstractButton*>(QLatin1String(name)); };
    const auto focused = [] {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "nothing";
    };
    OtherProgram keys;
    for (const bool clearFails : {true, false}) {
        SCOPED_TRACE(clearFails ? "failed" : "finished");
        setLocation->setFocus(Qt::TabFocusReason);
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return button("resetLocation")->isVisible() && button("resetLocation")->isEnabled(); }, 5000));
        device.clearLocationError =
            clearFails ? std::make_exception_ptr(DeviceLocationError::simulationConnectionLost()) : nullptr;
        button("resetLocation")->setFocus(Qt::TabFocusReason);
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QPointer<QMessageBox> question = shownBox(QStringLiteral("resetConfirmation"));
        ASSERT_TRUE(question);
        click(question->findChild<QAbstractButton*>(QStringLiteral("resetLocationButton")));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !question && vm->hold().isLocationResetPending() == clearFails && !vm->device().isDeviceBusy();
            },
            5000));
        if (clearFails) {
            QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
            ASSERT_TRUE(notice);
            ASSERT_TRUE(escapeCloses(notice));
            // twm leaves the keys on nobody until the pointer moves into the window.
            ASSERT_TRUE(keys.focus(static_cast<xcb_window_t>(window->winId())));
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == button("finishReset"); }, 2000))
                << focused();
            // Finish reset with the clear going through: the reset is over.
            device.clearLocationError = nullptr;
            PlannerTestAccess::setHelperStatus(*vm, readyStatus());
            xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            ASSERT_TRUE(QTest::qWaitFor([&] { return !vm->hold().isLocationResetPending(); }, 5000));
        }
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return QApplication::focusWidget() == window->content()->firstPanelControl(); }, 2000))
            << focused();
    }
}

// The keyboard is on Set location when the user goes to another program, and a verification takes it meanwhile; the
// pointer's entry gives the window the keyboard before any click. A press on the panel's empty space, or on the
// disabled Set location, is no choice of the user's: once the verification is over, the keyboard is back on Set
// location. A press on a control is, even on one that takes no keyboard focus (a city chip): the keyboard stays where
// it was, and Return doesn't set the location.
TEST_F(NoticeUnderWindowManager, APressOnAControlEndsTheHandBackButOneOnEmptySpaceDoesNot)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    ASSERT_TRUE(readyToSetHome());
    auto* panel = window->findChild<PlacePanel*>();
    QAbstractButton* setLocation = panel->setLocationButton();
    setLocation->setFocus(Qt::TabFocusReason);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm->hold().lockedPoint() && setLocation->isEnabled(); }, 5000));
    // Just above the panel's footer, where its scrolling part ends in empty space; and the Berlin chip.
    const QPoint emptySpace = setLocation->parentWidget()->mapToGlobal(QPoint(setLocation->width() / 2, -12));
    const QWidget* there = QApplication::widgetAt(emptySpace);
    ASSERT_TRUE(there && there->focusPolicy() == Qt::NoFocus && !qobject_cast<const QAbstractButton*>(there));
    const auto chips = panel->findChildren<QAbstractButton*>();
    QAbstractButton* berlin = *std::find_if(chips.cbegin(), chips.cend(),
                                            [](auto* chip) { return chip->toolTip() == QStringLiteral("Berlin"); });
    ASSERT_FALSE(berlin->focusPolicy() & Qt::ClickFocus);
    OtherProgram other;
    const QPoint chip = berlin->mapToGlobal(berlin->rect().center());
    for (const QPoint at : {emptySpace, setLocation->mapToGlobal(setLocation->rect().center()), chip}) {
        const bool onTheChip = at == chip;
        SCOPED_TRACE(onTheChip ? "chip" : at == emptySpace ? "empty space" : "disabled Set location");
        PlannerTestAccess::setVerifying(*vm, true);
        ASSERT_TRUE(awayAndBackAt(other, at));
        const QPointer<QWidget> focused = QApplication::focusWidget();
        ASSERT_NE(focused, setLocation);
        xdotool({QStringLiteral("click"), QStringLiteral("1")});
        ASSERT_EQ(QTest::qWaitFor([&] { return vm->draft().selectedPoint()->name == QStringLiteral("Berlin"); }, 1000),
                  onTheChip);
        const qsizetype setsBefore = sets();
        PlannerTestAccess::setVerifying(*vm, false);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), onTheChip ? focused.data() : setLocation);
        if (onTheChip) {
            xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            EXPECT_FALSE(QTest::qWaitFor([&] { return sets() != setsBefore; }, 1000)) << "Return set Berlin";
        }
    }
}

// A point is held when the user, in another program or with the keys on nobody (a Wayland window under XWayland),
// chooses Quit in a dock: the window manager's close asks "Quit Ostrevin?" at once, the window comes back from its
// icon, and the question has the keyboard, also from a notice that waited for the user meanwhile. Asked again while
// the question is open and the user is away, the question comes forward again. Escape keeps the point, and the notice
// opens. A Quit while the notice is open asks once the notice is answered. Under twm, under openbox, which leaves a
// window minimised when a box of its own opens over it first and never leaves the keys on nobody, and with no window
// manager, where every later close asks too. A close Qt drops with no box open asks as well.
TEST_F(NoticeUnderWindowManager, AQuitFromOutsideAsksAtOnceWithTheKeyboardWhereverTheKeysWere)
{
    if (!installed(RealWindowManager::Kind::twm))
        GTEST_SKIP() << "twm or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager());
    quitFromOutsideAsksAtOnce(KeysOnNobody::stay);
}

TEST_F(NoticeUnderWindowManager, AQuitFromOutsideAsksAtOnceWithTheKeyboardWhereverTheKeysWereUnderOpenbox)
{
    if (!installed(RealWindowManager::Kind::openbox))
        GTEST_SKIP() << "openbox or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager(RealWindowManager::Kind::openbox));
    quitFromOutsideAsksAtOnce(KeysOnNobody::givenBack);
}

TEST_F(NoticeUnderWindowManager, AQuitFromOutsideAsksAtOnceWithTheKeyboardWhereverTheKeysWereWithNoWindowManager)
{
    xdotoolPath = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotoolPath.isEmpty())
        GTEST_SKIP() << "xdotool is missing (scripts/install-deps installs it)";
    quitFromOutsideAsksAtOnce(KeysOnNobody::stay);
}

// Without a window manager the keyboard falls to the root window when a window of Ostrevin's that had it closes, and
// twm puts it on nobody: the next notice opens at once with the keyboard, after a notice and after the settings
// window. Once the user went to another program since, which then left the keys to nobody, or while the keys fallen to
// the root window go to another program under the pointer, a notice waits for them.
TEST_F(NoticeUnderWindowManager, ANoticeAfterOneOfOurWindowsClosedOpensWithTheKeyboard)
{
    build();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 5000));
    xdotoolPath = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotoolPath.isEmpty())
        GTEST_SKIP() << "xdotool is missing (scripts/install-deps installs it)";
    auto* opener = new SettingsWindowOpener({*vm, *runtime, *settings, [] {}, {}, QStringLiteral("system")}, *window);
    OtherProgram other;
    const auto windowId = static_cast<xcb_window_t>(window->winId());
    // A closed window's keys fall in two steps under twm: the server gives them to its
    // frame, then twm puts them on nobody. The program tells that fall from a user who
    // went elsewhere by what it sees on the root window, and from the frame to another
    // program the root sees nothing: the user acts only once the fall is over, as any
    // user is long after a close.
    const auto fallen = [&] {
        return QTest::qWaitFor(
                   [&] {
                       const xcb_window_t keys = other.focused();
                       return keys == XCB_WINDOW_NONE || keys == XCB_INPUT_FOCUS_POINTER_ROOT || keys == other.root;
                   },
                   5000) &&
               xEventsSeenUpToNow();
    };
    const auto openedWithTheKeyboardAndClosed = [&] {
        vm->setNotice(QStringLiteral("The location could not be set."));
        QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
        return notice && QTest::qWaitFor([&] { return other.focused() == notice->winId(); }, 5000) &&
               escapeCloses(notice) && fallen();
    };
    const auto waitsForTheKeys = [&](const char* otherwise) {
        const xcb_window_t keys = other.focused();
        vm->setNotice(QStringLiteral("The location could not be set."));
        EXPECT_FALSE(QTest::qWaitFor([&] { return other.focused() != keys; }, 2000)) << otherwise;
        ASSERT_TRUE(other.focus(windowId));
        QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
        ASSERT_TRUE(notice && escapeCloses(notice));
    };
    for (const bool underTwm : {false, true}) {
        SCOPED_TRACE(underTwm ? "twm" : "no window manager");
        if (underTwm) {
            ASSERT_TRUE(startWindowManager());
            ASSERT_TRUE(QTest::qWaitFor([&] { return other.framed(windowId); }, 10000));
            // Back in the window with the pointer, which twm gives the keyboard.
            ASSERT_TRUE(other.focus(windowId));
        }
        ASSERT_TRUE(openedWithTheKeyboardAndClosed());
        ASSERT_TRUE(openedWithTheKeyboardAndClosed()) << "after a notice, focus on " << other.focused();
        opener->open();
        QPointer<SettingsWindow> settingsWindow = opener->window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(settingsWindow));
        ASSERT_TRUE(QTest::qWaitFor([&] { return other.focused() == settingsWindow->winId(); }, 5000));
        ASSERT_TRUE(escapeCloses(settingsWindow) && fallen());
        ASSERT_TRUE(openedWithTheKeyboardAndClosed()) << "after the settings window, focus on " << other.focused();
        if (!underTwm) {
            // Fallen to the root window, the keys go to the window under the pointer: the other program's.
            pointerTo(window->screen()->virtualGeometry().bottomRight() - QPoint(100, 50));
            waitsForTheKeys("the notice took the keys of the program under the pointer");
        }
        ASSERT_TRUE(other.focus(other.window));
        ASSERT_TRUE(other.focus(XCB_WINDOW_NONE));
        waitsForTheKeys("the notice took the keyboard from nobody");
    }
}

namespace {

/// Under openbox, which gives the keyboard to the window clicked, on one laptop-sized monitor.
class NoticeUnderOpenbox : public NoticeUnderWindowManager, public testing::WithParamInterface<QSize> {};

} // namespace

// A click on the main window behind an open notice, also after one on the notice's title bar, leaves the keyboard
// with the notice: Return closes it.
TEST_P(NoticeUnderOpenbox, AClickOnTheWindowBehindANoticeLeavesTheNoticeTheKeyboard)
{
    ASSERT_TRUE(oneMonitor(GetParam()));
    if (!installed(RealWindowManager::Kind::openbox))
        GTEST_SKIP() << "openbox or xdotool is missing (scripts/install-deps installs them)";
    ASSERT_TRUE(startWindowManager(RealWindowManager::Kind::openbox));
    build();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->frameGeometry() != window->geometry() && window->isActiveWindow(); }, 10000));
    ASSERT_TRUE(wm->caughtUp());
    vm->setNotice(QStringLiteral("The location could not be set."));
    QPointer<QMessageBox> notice = shownBox(QStringLiteral("noticeAlert"));
    ASSERT_TRUE(notice);
    const QString id = QString::number(notice->winId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus() == id; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notice->windowHandle()->frameMargins().isNull(); }, 10000));
    // Beside the notice, and its title bar.
    const QRect box = notice->frameGeometry();
    const QPoint behind(window->geometry().left() + 20, window->geometry().center().y());
    ASSERT_FALSE(box.contains(behind));
    const QPoint title(box.center().x(), box.top() + notice->windowHandle()->frameMargins().top() / 2);
    for (const QPoint at : {behind, title, behind, title, behind}) {
        clickAt(at);
        // Openbox gives the keyboard to the window clicked first.
        (void)QTest::qWaitFor([&] { return focus() != id; }, 1000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return focus() == id; }, 3000))
            << "the keyboard stayed on " << focus().toStdString() << " after a click at " << at.x() << "," << at.y();
    }
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !notice; }, 5000));
}

INSTANTIATE_TEST_SUITE_P(Laptops, NoticeUnderOpenbox, testing::Values(QSize(1366, 768), QSize(1024, 600)),
                         [](const testing::TestParamInfo<QSize>& size) {
                             return std::to_string(size.param.width()) + "x" + std::to_string(size.param.height());
                         });
