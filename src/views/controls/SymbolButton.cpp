#include "views/controls/SymbolButton.h"

#include "views/kit/Brand.h"

#include <QEvent>

namespace ostrevin {

namespace {

/// tint laid over an opaque colour, itself opaque.
QColor over(const QColor& tint, const QColor& under)
{
    const float a = tint.alphaF();
    return QColor::fromRgbF(tint.redF() * a + under.redF() * (1 - a), tint.greenF() * a + under.greenF() * (1 - a),
                            tint.blueF() * a + under.blueF() * (1 - a));
}

} // namespace

SymbolButton::SymbolButton(const QString& title, std::optional<kit::SymbolName> symbol, SymbolButtonStyle style,
                           QWidget* parent)
    : QPushButton(title, parent), m_symbol(symbol), m_style(style)
{
    applyAppearance();
}

void SymbolButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange)
        applyAppearance();
}

void SymbolButton::applyAppearance()
{
    // Setting the palette raises another palette change.
    if (m_applying)
        return;
    m_applying = true;
    const kit::Brand& brand = kit::Brand::current();
    QColor text = brand.primary;
    if (m_style == SymbolButtonStyle::Prominent) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Button, brand.accent);
        palette.setColor(QPalette::ButtonText, brand.onAccent);
        // Fusion fills a button through a cached pixmap that keeps no transparency
        // on X11: a translucent fill shows black there (Finish reset while it runs).
        palette.setColor(QPalette::Disabled, QPalette::Button, over(brand.primaryAt(0.08), brand.window));
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, brand.secondary);
        setPalette(palette);
        text = isEnabled() ? brand.onAccent : brand.secondary;
    } else if (m_style == SymbolButtonStyle::Attention) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Active, QPalette::ButtonText, brand.attention);
        palette.setColor(QPalette::Inactive, QPalette::ButtonText, brand.attention);
        setPalette(palette);
        text = brand.attention;
    } else if (!isEnabled()) {
        text = brand.secondary;
    }
    if (m_symbol)
        setIcon(kit::symbolIcon(*m_symbol, text, 16));
    m_applying = false;
}

} // namespace ostrevin
