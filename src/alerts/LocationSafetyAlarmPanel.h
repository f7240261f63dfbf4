#pragma once

#include "platform/KeyRepeats.h"

#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <optional>

namespace ostrevin {

/// The borderless, black, stay-on-top window that covers one screen while the alarm
/// is shown. It has no parent, so no modal dialog of the app can block it, and it
/// holds one content view, which the controller builds for each incident.
class LocationSafetyAlarmPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationSafetyAlarmPanel)

public:
    explicit LocationSafetyAlarmPanel(QScreen* screen);
    ~LocationSafetyAlarmPanel() override;

    /// Takes `content` and drops the previous one later (it may be the sender of the
    /// click that led here).
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    /// Takes the keyboard now, or as soon as the window system shows the panel.
    void activateWhenShown();
    /// Has the keyboard, or will have it once shown.
    bool holdsKeyboard() const;
    /// The window system sends the keys to the panel now.
    bool hasKeyboardFocus() const;
    /// Takes the keyboard from whichever window has it, as a later launch of the
    /// program does, where the window manager refused the panel's activation.
    void takeKeyboard();
    /// The screen the panel was built for (it may have gone since).
    QScreen* targetScreen() const { return m_screen; }
    /// A Return or Enter that reached the panel is still down.
    bool returnIsDown() const;

signals:
    /// Return or Enter went down on the panel; its auto-repeats are no new press.
    void returnPressed();
    /// A Return or Enter came up on the panel.
    void returnReleased();
    /// The window system sends the keys to the panel from now on.
    void keyboardCame();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QPointer<QScreen> m_screen;
    QWidget* m_content = nullptr;
    bool m_activateWhenExposed = false;
    /// The native code of a Return or Enter that is down on the panel (0 for one
    /// that has none).
    std::optional<quint32> m_downKey;
    KeyRepeats m_repeats;
};

} // namespace ostrevin
