#pragma once

#include "platform/Appearance.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <functional>
#include <optional>

namespace ostrevin {

/// Reads the look from the XDG desktop portal's Settings on the session bus:
/// org.freedesktop.appearance "color-scheme", "contrast" and "reduced-motion", and
/// org.gnome.desktop.interface "enable-animations" where the portal has no
/// reduced-motion answer. Without a portal, or where it states no preference for
/// dark or light, the fallback decides (the widget palette's lightness). The
/// portal's SettingChanged signal keeps it current.
class LinuxAppearance final : public Appearance {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinuxAppearance)

public:
    /// Asks the portal once. The answer is awaited, for at most a moment, when the
    /// look is first read: the first window should not flash in the wrong colours,
    /// and the program goes on starting while the portal answers.
    LinuxAppearance(QDBusConnection sessionBus, std::function<bool()> fallbackDark, QObject* parent = nullptr);
    ~LinuxAppearance() override = default;

    AppearanceState current() const override;

private slots:
    void onSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    /// Waits for the portal's answer if it is still to come, and takes it.
    void finishRead();
    void takeReply(const QDBusMessage& reply);
    /// True when the value changed what current() reports.
    bool apply(const QString& nameSpace, const QString& key, const QVariant& value);

    QDBusConnection m_bus;
    std::optional<QDBusPendingCall> m_pendingRead;
    std::function<bool()> m_fallbackDark;
    uint m_colorScheme = 0;
    bool m_highContrast = false;
    std::optional<bool> m_reducedMotion;
    std::optional<bool> m_animations;
};

} // namespace ostrevin
