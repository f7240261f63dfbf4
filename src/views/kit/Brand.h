#pragma once

#include "platform/Appearance.h"

#include <QColor>
#include <QPalette>

namespace ostrevin::kit {

/// The colours widgets pick by meaning rather than by value, so one call can
/// resolve them for the current appearance.
enum class BrandColor {
    Accent,
    AccentText,
    OnAccent,
    AccentWash,
    Ready,
    Attention,
    Failure,
    Idle,
    Primary,
    Secondary,
    Tertiary,
};

/// The application's colours for one appearance: the teal accent in its four
/// variants, the status colours, and the text colours derived from the palette.
struct Brand {
    QColor accent;
    /// The accent for text and symbols on neutral backgrounds.
    QColor accentText;
    /// Text and symbols on an accent fill.
    QColor onAccent;
    /// A faint accent tint behind symbols and wells.
    QColor accentWash;
    QColor ready;
    QColor attention;
    QColor failure;
    QColor idle;
    QColor primary;
    QColor secondary;
    QColor tertiary;
    /// The window background and the control background.
    QColor window;
    QColor base;
    AppearanceState appearance;

    QColor color(BrandColor which) const;
    /// `primary` at an opacity, the fill most kit surfaces use.
    QColor primaryAt(qreal opacity) const;

    static Brand resolve(const AppearanceState& appearance, const QPalette& palette);
    /// What the theme last resolved (light defaults before that).
    static const Brand& current();
    static void setCurrent(const Brand& brand);
};

/// A colour at an opacity (multiplying the alpha it has).
QColor withOpacity(QColor color, qreal opacity);

} // namespace ostrevin::kit
