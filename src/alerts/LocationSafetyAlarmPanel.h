#pragma once

#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <chrono>
#include <optional>

class QTimer;

namespace ostrevin {

/// The borderless, black, stay-on-top window that covers one screen while the alarm
/// is shown. It has no parent, so no modal dialog of the app can block it, and it
/// holds one content view, which the controller builds for each incident.
class LocationSafetyAlarmPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationSafetyAlarmPanel)

public:
    /// The longest a panel that is done waits for a held Return to come up.
    static constexpr std::chrono::milliseconds keyUpWait{5000};

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
    /// The screen the panel was built for (it may have gone since).
    QScreen* targetScreen() const { return m_screen; }
    /// Hides the panel and deletes it later. While it has the keyboard and a Return
    /// that reached it is down, it stays until the key is up (at most keyUpWait):
    /// gone at once, it would hand the key's repeats to whichever program gets the
    /// keyboard next.
    void leave();

signals:
    /// Return or Enter reached the panel.
    void returnPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool hasKeyboardFocus() const;
    bool returnIsDown() const;
    void hideAndDelete();

    QPointer<QScreen> m_screen;
    QWidget* m_content = nullptr;
    bool m_activateWhenExposed = false;
    /// The native code of a Return or Enter that is down on the panel (0 for one
    /// that has none).
    std::optional<quint32> m_downKey;
    QTimer* m_leaving = nullptr;
};

} // namespace ostrevin
