#include "alerts/LocationSafetyAlarmWindowController.h"

#include "alerts/AlarmSoundLoop.h"
#include "alerts/LocationSafetyAlarmPanel.h"
#include "platform/X11Keyboard.h"

#include <QAccessible>
#include <QApplication>
#include <QDeadlineTimer>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace ostrevin {

LocationSafetyAlarmWindowController::LocationSafetyAlarmWindowController(AlarmViewFactory makeView,
                                                                         AlarmSoundLoop& sound, const Clock& clock,
                                                                         QObject* parent)
    : QObject(parent), m_makeView(std::move(makeView)), m_sound(sound), m_clock(clock),
      m_keyboardCheck(new QTimer(this))
{
    m_keyboardCheck->setInterval(std::chrono::milliseconds(100));
    connect(m_keyboardCheck, &QTimer::timeout, this, &LocationSafetyAlarmWindowController::checkKeyboard);
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watchScreen(screen);
        screenConfigurationChanged();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this,
            &LocationSafetyAlarmWindowController::screenConfigurationChanged);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this,
            &LocationSafetyAlarmWindowController::screenConfigurationChanged);
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
}

LocationSafetyAlarmWindowController::~LocationSafetyAlarmWindowController()
{
    m_sound.stop();
    for (const auto& panel : std::as_const(m_panels))
        delete panel.data();
    for (const auto& panel : std::as_const(m_leavingPanels))
        delete panel.data();
}

void LocationSafetyAlarmWindowController::setAttentionWindow(QWidget* window)
{
    m_attentionWindow = window;
}

QList<LocationSafetyAlarmPanel*> LocationSafetyAlarmWindowController::panels() const
{
    QList<LocationSafetyAlarmPanel*> list;
    for (const auto& panel : m_panels)
        if (panel)
            list.append(panel.data());
    return list;
}

LocationSafetyAlarmPanel* LocationSafetyAlarmWindowController::primaryPanel() const
{
    const QList<LocationSafetyAlarmPanel*> list = panels();
    if (list.isEmpty())
        return nullptr;
    QScreen* mainScreen = QGuiApplication::primaryScreen();
    if (const QWindow* focused = QGuiApplication::focusWindow(); focused && focused->screen())
        mainScreen = focused->screen();
    for (LocationSafetyAlarmPanel* panel : list)
        if (panel->targetScreen() == mainScreen)
            return panel;
    return list.first();
}

QList<LocationSafetyAlarmWindowController::ScreenFrame> LocationSafetyAlarmWindowController::currentScreenFrames()
{
    QList<ScreenFrame> frames;
    for (QScreen* screen : QGuiApplication::screens())
        frames.append({screen, screen->geometry()});
    return frames;
}

void LocationSafetyAlarmWindowController::watchScreen(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, &LocationSafetyAlarmWindowController::screenConfigurationChanged);
}

void LocationSafetyAlarmWindowController::present(const LocationSafetyAlarmEvent& event,
                                                  std::function<void()> acknowledge)
{
    const bool sameAlarm = m_currentAlarm && m_currentAlarm->id == event.id;
    m_currentAlarm = event;
    m_acknowledgeAction = std::move(acknowledge);

    // Asking for the keyboard again would be refused once the user went elsewhere.
    const bool remap = !sameAlarm && !m_panels.isEmpty() && !anyPanelHoldsKeyboard();
    if (m_panels.isEmpty() || remap || currentScreenFrames() != m_panelScreenFrames) {
        rebuildPanels();
        updatePanelContent();
    } else {
        refreshPanelContent();
    }

    if (!sameAlarm) {
        m_newAlarmAt = m_clock.steadyNow();
        m_sound.start();
        if (m_attentionWindow)
            QApplication::alert(m_attentionWindow, 0);
    }
    // Taking the keyboard on every refresh would pull it away from whatever the
    // user went on to do while the alarm stays up; a new incident may.
    LocationSafetyAlarmPanel* keyboardPanel = sameAlarm ? nullptr : primaryPanel();
    showPanels(keyboardPanel);
    if (!keyboardPanel)
        return;
    giveKeyboard(keyboardPanel);
    //: Screen reader announcement when the full-screen location interruption alarm appears.
    keyboardPanel->setAccessibleName(tr("Simulated location interrupted. iPhone may be using its real location. "
                                        "Ostrevin is trying to restore it."));
    QAccessibleEvent announcement(keyboardPanel, QAccessible::Alert);
    QAccessible::updateAccessibility(&announcement);
}

void LocationSafetyAlarmWindowController::dismiss()
{
    m_currentAlarm.reset();
    m_acknowledgeAction = nullptr;
    // Qt has no way to withdraw QApplication::alert(); the desktop clears it when the
    // main window is next activated.
    m_sound.stop();
    closePanels();
    m_panelScreenFrames.clear();
}

void LocationSafetyAlarmWindowController::screenConfigurationChanged()
{
    // Qt reports one change as several signals (a screen removed, the primary moved,
    // geometries changed): rebuild once, after Qt has settled its list of screens.
    if (m_screenChangeQueued)
        return;
    m_screenChangeQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_screenChangeQueued = false;
            if (!m_currentAlarm)
                return;
            bool hadKeyboard = false;
            QPointer<QScreen> keyboardScreen;
            for (LocationSafetyAlarmPanel* panel : panels()) {
                if (panel->holdsKeyboard()) {
                    hadKeyboard = true;
                    keyboardScreen = panel->targetScreen();
                }
            }
            rebuildPanels();
            updatePanelContent();
            // Hand the keyboard to the new panel on the same screen (or the primary
            // one when that screen went), but do not take it from another app
            // because a display was plugged in. While panels come and go the
            // focused window is in flux, so it cannot say where the user works.
            LocationSafetyAlarmPanel* target = nullptr;
            if (hadKeyboard) {
                target = primaryPanel();
                for (LocationSafetyAlarmPanel* panel : panels())
                    if (keyboardScreen && panel->targetScreen() == keyboardScreen)
                        target = panel;
            }
            showPanels(target);
            if (target)
                giveKeyboard(target);
        },
        Qt::QueuedConnection);
}

void LocationSafetyAlarmWindowController::closePanels()
{
    m_leavingPanels.removeIf([](const QPointer<LocationSafetyAlarmPanel>& panel) { return !panel; });
    const auto old = std::exchange(m_panels, {});
    const auto hideAll = [old] {
        for (const auto& panel : old) {
            if (!panel)
                continue;
            panel->hide();
            // A panel may be closing from inside its own key or click handler.
            panel->deleteLater();
        }
    };
    // The key may have gone down on one panel and the keyboard since moved to another
    // (a click on another screen's panel gives it the keyboard).
    const auto returnHeld = [old] {
        bool down = false;
        bool keyboard = false;
        for (const auto& panel : old) {
            down = down || (panel && panel->returnIsDown());
            keyboard = keyboard || (panel && panel->holdsKeyboard());
        }
        return down && keyboard;
    };
    if (!returnHeld()) {
        hideAll();
        return;
    }
    // Gone while the key is down, the panels would let its repeats type into the
    // program that gets the keyboard next; all of them, as a window manager may give
    // the keyboard to the window under the pointer on another screen.
    m_leavingPanels.append(old);
    auto* wait = new QTimer(this);
    const auto end = [wait, hideAll] {
        if (!wait->isActive())
            return;
        wait->stop();
        wait->deleteLater();
        hideAll();
    };
    for (const auto& panel : old) {
        if (panel)
            connect(panel.data(), &LocationSafetyAlarmPanel::returnReleased, wait, end);
    }
    connect(wait, &QTimer::timeout, wait, [end, returnHeld, deadline = QDeadlineTimer(heldReturnWait)] {
        if (deadline.hasExpired() || !returnHeld())
            end();
    });
    wait->start(std::chrono::milliseconds(50));
}

void LocationSafetyAlarmWindowController::rebuildPanels()
{
    closePanels();
    m_panelScreenFrames = currentScreenFrames();
    for (const ScreenFrame& frame : std::as_const(m_panelScreenFrames)) {
        auto* panel = new LocationSafetyAlarmPanel(frame.screen);
        connect(panel, &LocationSafetyAlarmPanel::returnPressed, this,
                &LocationSafetyAlarmWindowController::keyboardAcknowledge);
        // Once a panel has had the keyboard, where the user takes it next is theirs to say.
        connect(panel, &LocationSafetyAlarmPanel::keyboardCame, this, [this, panel] {
            if (m_panels.contains(panel))
                m_keyboardCheck->stop();
        });
        m_panels.append(panel);
    }
}

void LocationSafetyAlarmWindowController::updatePanelContent()
{
    if (!m_currentAlarm)
        return;
    for (LocationSafetyAlarmPanel* panel : panels())
        panel->setContent(m_makeView.make(*m_currentAlarm, [self = QPointer(this)] {
            if (self)
                self->acknowledgeNow();
        }));
}

void LocationSafetyAlarmWindowController::refreshPanelContent()
{
    if (!m_currentAlarm)
        return;
    for (LocationSafetyAlarmPanel* panel : panels()) {
        if (panel->content())
            m_makeView.update(panel->content(), *m_currentAlarm);
    }
}

bool LocationSafetyAlarmWindowController::anyPanelHoldsKeyboard() const
{
    const QList<LocationSafetyAlarmPanel*> list = panels();
    return std::any_of(list.begin(), list.end(),
                       [](const LocationSafetyAlarmPanel* panel) { return panel->holdsKeyboard(); });
}

void LocationSafetyAlarmWindowController::showPanels(LocationSafetyAlarmPanel* keyboardPanel)
{
    // showFullScreen() would ask for the keyboard for every panel, and whichever the
    // window system maps last would win it. Window managers that hand the keyboard
    // to a newly mapped window give it to the panel mapped last: that is the one
    // meant to have it.
    QList<LocationSafetyAlarmPanel*> order = panels();
    if (order.removeOne(keyboardPanel))
        order.append(keyboardPanel);
    for (LocationSafetyAlarmPanel* panel : std::as_const(order)) {
        if (!panel->isVisible()) {
            panel->setWindowState(panel->windowState() | Qt::WindowFullScreen);
            panel->show();
        }
        panel->raise();
    }
}

void LocationSafetyAlarmWindowController::giveKeyboard(LocationSafetyAlarmPanel* panel)
{
    panel->activateWhenShown();
    m_keyboardPanel = panel;
    m_keyboardTakeoverEnd.reset();
    m_keyboardSeenElsewhere = false;
    // Only where the X server says who has the keys can a refusal be seen.
    if (x11::connection())
        m_keyboardCheck->start();
}

void LocationSafetyAlarmWindowController::checkKeyboard()
{
    LocationSafetyAlarmPanel* panel = m_keyboardPanel;
    if (!panel || !m_panels.contains(panel) || (m_keyboardTakeoverEnd && m_keyboardTakeoverEnd->hasExpired())) {
        m_keyboardCheck->stop();
        return;
    }
    // Counted from the panel on screen: a loaded machine may take a while to show it.
    if (!panel->windowHandle()->isExposed())
        return;
    if (!m_keyboardTakeoverEnd)
        m_keyboardTakeoverEnd = QDeadlineTimer(keyboardTakeover);
    const QList<LocationSafetyAlarmPanel*> list = panels();
    if (std::any_of(list.begin(), list.end(), [](const auto* shown) { return shown->hasKeyboardFocus(); })) {
        m_keyboardCheck->stop();
        return;
    }
    // The keyboard may have come to a panel and gone on to where the user took it since
    // the last look: the X server told of that before it answered, and it is acted on
    // before the next look.
    if (std::exchange(m_keyboardSeenElsewhere, true))
        panel->takeKeyboard();
}

void LocationSafetyAlarmWindowController::keyboardAcknowledge()
{
    if (!m_currentAlarm || m_clock.steadyNow() - m_newAlarmAt < keyboardGrace)
        return;
    acknowledgeNow();
}

void LocationSafetyAlarmWindowController::acknowledgeNow()
{
    if (!m_acknowledgeAction)
        return;
    // The action dismisses the alarm, which forgets the action while it runs.
    const auto action = m_acknowledgeAction;
    action();
}

} // namespace ostrevin
