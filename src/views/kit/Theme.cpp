#include "views/kit/Theme.h"

#include "platform/PlatformFactory.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QApplication>
#include <QWidget>

namespace ostrevin::kit {

Theme::Theme(Appearance& appearance, QObject* parent)
    : QObject(parent), m_appearance(appearance), m_desktopPalette(QApplication::palette())
{
    loadSymbolFont();
    setTextScale(textScaleForDesktopFont(QApplication::font()));
    connect(&m_appearance, &Appearance::changed, this, &Theme::apply);
    apply();
}

std::unique_ptr<Appearance> Theme::createAppearance()
{
    return PlatformFactory::createAppearance([] { return isDark(QApplication::palette()); });
}

bool Theme::isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QPalette Theme::paletteFor(const AppearanceState& state)
{
    const bool dark = state.dark;
    const bool contrast = state.highContrast;
    const QColor window = dark ? (contrast ? QColor(0x00, 0x00, 0x00) : QColor(0x1E, 0x1E, 0x1E))
                               : (contrast ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xEC, 0xEC, 0xEC));
    const QColor base =
        dark ? (contrast ? QColor(0x12, 0x12, 0x12) : QColor(0x2A, 0x2A, 0x2A)) : QColor(0xFF, 0xFF, 0xFF);
    const QColor text = dark ? (contrast ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xF2, 0xF2, 0xF2))
                             : (contrast ? QColor(0x00, 0x00, 0x00) : QColor(0x1D, 0x1D, 0x1F));
    const QColor button = dark ? QColor(0x3A, 0x3A, 0x3C) : QColor(0xF7, 0xF7, 0xF7);
    const Brand brand = Brand::resolve(state, QPalette());

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, dark ? base.lighter(115) : window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, withOpacity(text, 0.4));
    palette.setColor(QPalette::Highlight, brand.accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, brand.accentText);
    palette.setColor(QPalette::Light, dark ? button.lighter(130) : Qt::white);
    palette.setColor(QPalette::Midlight, dark ? button.lighter(115) : window.darker(105));
    palette.setColor(QPalette::Mid, dark ? button.darker(120) : window.darker(125));
    palette.setColor(QPalette::Dark, dark ? button.darker(150) : window.darker(150));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, withOpacity(text, 0.4));
    return palette;
}

void Theme::apply()
{
    const AppearanceState state = m_appearance.current();
    // The desktop's palette stays where it agrees: it carries the user's own
    // choices. Ours replaces it where it has the wrong lightness or high contrast
    // needs starker text than it gives.
    const bool useDesktop = !state.highContrast && isDark(m_desktopPalette) == state.dark;
    const QPalette palette = useDesktop ? m_desktopPalette : paletteFor(state);
    Brand::setCurrent(Brand::resolve(state, palette));
    const bool paletteChanged = QApplication::palette() != palette;
    if (paletteChanged)
        QApplication::setPalette(palette);
    // A palette change repaints everything by itself; a contrast or motion change
    // alone does not.
    if (!paletteChanged) {
        const auto widgets = QApplication::allWidgets();
        for (QWidget* widget : widgets)
            widget->update();
    }
    emit changed();
}

} // namespace ostrevin::kit
