#pragma once

#include "alerts/AlarmPresenter.h"
#include "async/Clock.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <chrono>
#include <functional>
#include <optional>

class QTimer;
class QWidget;

namespace ostrevin {

class AlarmSoundLoop;
class LocationSafetyAlarmPanel;

/// Builds the content of one alarm panel for an event (`acknowledge` is what its
/// button calls), and shows a later state of the same incident in a content it
/// built. The views layer provides it and the app hands it over.
struct AlarmViewFactory {
    std::function<QWidget*(const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge)> make;
    std::function<void(QWidget* view, const LocationSafetyAlarmEvent& event)> update;
};

/// The full-screen interruption alarm: one panel over each screen, the repeating
/// sound, an attention request on the main window and an accessibility alert. One
/// instance for the whole run; GUI thread only.
///
/// A new event id (re)starts the sound and the attention request, gives the panel
/// on the screen the user works on the keyboard and announces the alarm; the same
/// id only refreshes the shown texts in place, so a click on a panel is not lost
/// to a rebuild. Window managers refuse a window that asks for the keyboard after
/// the user went on elsewhere, but give it to a newly mapped one: a new incident
/// while no panel holds the keyboard closes the panels and maps new ones. Some also
/// refuse a newly mapped one while the user types in another program (mutter): for a
/// short while after the panels show, the panel meant to have the keyboard then takes
/// it, as a later launch of the program does. Screens added, removed or resized while
/// the alarm is shown rebuild the panels. Return on a panel acknowledges like the button, except during the first
/// second of a new alarm: a Return typed into another window just then must not silence an alarm nobody has read.
/// Panels closed while a Return is held on the one with the keyboard stay, with it, until the key is up: gone at once,
/// they would let the key's repeats type into the program that gets the keyboard next.
class LocationSafetyAlarmWindowController final : public QObject, public AlarmPresenter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationSafetyAlarmWindowController)

public:
    static constexpr std::chrono::milliseconds keyboardGrace{1000};
    /// The longest the panels stay for a Return held on them once they are closed.
    static constexpr std::chrono::milliseconds heldReturnWait{5000};
    /// How long, once shown, the panel meant to have the keyboard takes it where the
    /// window manager gave it to none of the panels.
    static constexpr std::chrono::milliseconds keyboardTakeover{2000};

    LocationSafetyAlarmWindowController(AlarmViewFactory makeView, AlarmSoundLoop& sound, const Clock& clock,
                                        QObject* parent = nullptr);
    ~LocationSafetyAlarmWindowController() override;

    /// The window whose attention request stands for the whole app (the main window).
    void setAttentionWindow(QWidget* window);

    void present(const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge) override;
    void dismiss() override;

    std::optional<LocationSafetyAlarmEvent> currentAlarm() const { return m_currentAlarm; }
    /// In screen order; empty while hidden.
    QList<LocationSafetyAlarmPanel*> panels() const;
    /// The panel that gets the keyboard: the one on the screen of the focused window,
    /// else on the primary screen, else the first.
    LocationSafetyAlarmPanel* primaryPanel() const;

private:
    struct ScreenFrame {
        QPointer<QScreen> screen;
        QRect geometry;
        bool operator==(const ScreenFrame&) const = default;
    };
    static QList<ScreenFrame> currentScreenFrames();

    void watchScreen(QScreen* screen);
    void screenConfigurationChanged();
    void rebuildPanels();
    void closePanels();
    void updatePanelContent();
    void refreshPanelContent();
    bool anyPanelHoldsKeyboard() const;
    /// Shows the panels without asking for the keyboard; keyboardPanel last.
    void showPanels(LocationSafetyAlarmPanel* keyboardPanel = nullptr);
    /// Asks for the keyboard for panel, and takes it where the window manager refuses.
    void giveKeyboard(LocationSafetyAlarmPanel* panel);
    void checkKeyboard();
    void keyboardAcknowledge();
    void acknowledgeNow();

    AlarmViewFactory m_makeView;
    AlarmSoundLoop& m_sound;
    const Clock& m_clock;
    QPointer<QWidget> m_attentionWindow;

    QList<QPointer<LocationSafetyAlarmPanel>> m_panels;
    /// Closed panels until they are gone: while a Return is held on one, until it is up.
    QList<QPointer<LocationSafetyAlarmPanel>> m_leavingPanels;
    QList<ScreenFrame> m_panelScreenFrames;
    std::optional<LocationSafetyAlarmEvent> m_currentAlarm;
    std::function<void()> m_acknowledgeAction;
    Clock::SteadyTime m_newAlarmAt{};
    QTimer* m_keyboardCheck = nullptr;
    QPointer<LocationSafetyAlarmPanel> m_keyboardPanel;
    /// From when m_keyboardPanel was first seen shown.
    std::optional<QDeadlineTimer> m_keyboardTakeoverEnd;
    /// A look found the keyboard on none of the panels.
    bool m_keyboardSeenElsewhere = false;
    bool m_screenChangeQueued = false;
};

} // namespace ostrevin
