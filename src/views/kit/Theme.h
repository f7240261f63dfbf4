#pragma once

#include "platform/Appearance.h"
#include "views/kit/Brand.h"

#include <QObject>
#include <QPalette>
#include <memory>

namespace ostrevin::kit {

/// Connects the appearance to the widgets: at start and on every change it gives
/// the application a palette of the right lightness (where the desktop's own
/// disagrees, or high contrast asks for starker text), resolves Brand, and
/// repaints every widget. It also loads the symbol font and sets the text scale.
class Theme final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Theme)

public:
    /// The appearance must outlive the theme. Call on the GUI thread once the
    /// QApplication exists.
    explicit Theme(Appearance& appearance, QObject* parent = nullptr);
    ~Theme() override = default;

    /// The desktop's appearance (or the one OSTREVIN_APPEARANCE pins), with the
    /// application palette's lightness deciding where the desktop states no preference.
    static std::unique_ptr<Appearance> createAppearance();

    /// The palette the kit uses for a state.
    static QPalette paletteFor(const AppearanceState& state);
    static bool isDark(const QPalette& palette);

signals:
    /// After Brand and the palette follow a new appearance.
    void changed();

private:
    void apply();

    Appearance& m_appearance;
    QPalette m_desktopPalette;
};

} // namespace ostrevin::kit
