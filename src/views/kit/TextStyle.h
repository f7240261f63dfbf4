#pragma once

#include <QFont>
#include <optional>

namespace ostrevin::kit {

/// The named text sizes every view picks from instead of a size of its own.
enum class TextStyle {
    LargeTitle,
    Title1,
    Title2,
    Title3,
    Headline,
    Body,
    Callout,
    Subheadline,
    Footnote,
    Caption,
};

/// The font of a text style: the application font's family at the style's pixel
/// size times the scale, with the style's weight unless one is given.
QFont textFont(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
/// The pixel size of a style before scaling.
int textStylePixelSize(TextStyle style);

/// The scale of all text styles: the desktop's font size over 13 px, at least 1.
qreal textScale();
void setTextScale(qreal scale);
/// The scale that fits a desktop font (its pixel size, or its point size at 96 dpi).
qreal textScaleForDesktopFont(const QFont& font);

/// A font whose digits all have one width, for numbers that change in place.
QFont withTabularDigits(QFont font);

} // namespace ostrevin::kit
