#pragma once

#include <QObject>
#include <QStringView>
#include <optional>

namespace ostrevin {

/// The desktop's look-and-feel settings the interface follows.
struct AppearanceState {
    bool dark = false;
    bool highContrast = false;
    bool reducedMotion = false;
    bool reducedTransparency = false;

    friend bool operator==(const AppearanceState&, const AppearanceState&) = default;
};

/// Reads "light", "dark", "light-contrast" or "dark-contrast" (the value of
/// OSTREVIN_APPEARANCE, which pins the look for screenshots and tests); anything
/// else gives nothing. A pinned look also turns motion off, so that pictures of
/// it do not depend on when they were taken.
std::optional<AppearanceState> parseAppearanceOverride(QStringView text);

/// The name parseAppearanceOverride() reads back (motion and transparency aside).
QString appearanceName(const AppearanceState& state);

/// Dark or light, high contrast, reduced motion and reduced transparency, as the
/// desktop reports them. changed() follows every change the desktop reports.
class Appearance : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Appearance)

public:
    using QObject::QObject;
    ~Appearance() override = default;

    virtual AppearanceState current() const = 0;

signals:
    void changed();
};

/// An appearance that changes only when told to: the pinned look of
/// OSTREVIN_APPEARANCE, and the one tests drive.
class FixedAppearance final : public Appearance {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FixedAppearance)

public:
    explicit FixedAppearance(AppearanceState state, QObject* parent = nullptr);
    ~FixedAppearance() override = default;

    AppearanceState current() const override { return m_state; }
    /// Emits changed() when the state differs.
    void set(const AppearanceState& state);

private:
    AppearanceState m_state;
};

} // namespace ostrevin
