#include "views/kit/TextStyle.h"

#include <QApplication>
#include <QFontDatabase>

namespace ostrevin::kit {

namespace {

constexpr qreal basePixelSize = 13.0;

qreal& storedScale()
{
    static qreal scale = 1.0;
    return scale;
}

struct StyleMetrics {
    int pixelSize;
    QFont::Weight weight;
};

StyleMetrics metricsFor(TextStyle style)
{
    switch (style) {
    case TextStyle::LargeTitle:
        return {26, QFont::Normal};
    case TextStyle::Title1:
        return {22, QFont::Normal};
    case TextStyle::Title2:
        return {17, QFont::Normal};
    case TextStyle::Title3:
        return {15, QFont::Normal};
    case TextStyle::Headline:
        return {13, QFont::DemiBold};
    case TextStyle::Body:
        return {13, QFont::Normal};
    case TextStyle::Callout:
        return {12, QFont::Normal};
    case TextStyle::Subheadline:
        return {11, QFont::Normal};
    case TextStyle::Footnote:
    case TextStyle::Caption:
        return {10, QFont::Normal};
    }
    return {13, QFont::Normal};
}

} // namespace

int textStylePixelSize(TextStyle style)
{
    return metricsFor(style).pixelSize;
}

QFont textFont(TextStyle style, std::optional<QFont::Weight> weight)
{
    const StyleMetrics metrics = metricsFor(style);
    QFont font = QApplication::font();
    font.setPixelSize(qMax(1, qRound(metrics.pixelSize * textScale())));
    font.setWeight(weight.value_or(metrics.weight));
    return font;
}

qreal textScale()
{
    return storedScale();
}

void setTextScale(qreal scale)
{
    storedScale() = qMax<qreal>(1.0, scale);
}

qreal textScaleForDesktopFont(const QFont& font)
{
    qreal pixels = font.pixelSize();
    if (pixels <= 0)
        pixels = font.pointSizeF() * 96.0 / 72.0;
    return qMax<qreal>(1.0, pixels / basePixelSize);
}

QFont withTabularDigits(QFont font)
{
    // Qt 6.4 cannot ask a font for tabular figures; DejaVu Sans draws every digit
    // at one width, so put it first and keep the rest of the family list behind it.
    static const bool haveDejaVu = QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans"));
    if (haveDejaVu) {
        QStringList families = font.families();
        if (families.isEmpty())
            families << font.family();
        families.prepend(QStringLiteral("DejaVu Sans"));
        font.setFamilies(families);
    }
    return font;
}

} // namespace ostrevin::kit
