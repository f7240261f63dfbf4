#include "views/kit/Brand.h"

namespace ostrevin::kit {

namespace {

struct AccentPair {
    QRgb accent;
    QRgb accentText;
};

AccentPair accentFor(const AppearanceState& appearance)
{
    if (appearance.dark)
        return appearance.highContrast ? AccentPair{0x0A6C74, 0x8AEDE7} : AccentPair{0x0C7F88, 0x45D6CF};
    return appearance.highContrast ? AccentPair{0x055A60, 0x064D53} : AccentPair{0x087A82, 0x0A6C74};
}

Brand& storedBrand()
{
    static Brand brand = Brand::resolve(AppearanceState{}, QPalette());
    return brand;
}

} // namespace

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

Brand Brand::resolve(const AppearanceState& appearance, const QPalette& palette)
{
    Brand brand;
    brand.appearance = appearance;
    const AccentPair pair = accentFor(appearance);
    brand.accent = QColor::fromRgb(pair.accent);
    brand.accentText = QColor::fromRgb(pair.accentText);
    brand.onAccent = Qt::white;
    brand.accentWash = withOpacity(brand.accent, 0.14);
    brand.ready = appearance.dark ? QColor(0x32, 0xD7, 0x4B) : QColor(0x28, 0xCD, 0x41);
    brand.attention = appearance.dark ? QColor(0xFF, 0x9F, 0x0A) : QColor(0xFF, 0x95, 0x00);
    brand.failure = appearance.dark ? QColor(0xFF, 0x45, 0x3A) : QColor(0xFF, 0x3B, 0x30);
    brand.primary = palette.color(QPalette::Active, QPalette::WindowText);
    brand.secondary = withOpacity(brand.primary, 0.55);
    brand.tertiary = withOpacity(brand.primary, 0.26);
    brand.idle = brand.tertiary;
    brand.window = palette.color(QPalette::Active, QPalette::Window);
    brand.base = palette.color(QPalette::Active, QPalette::Base);
    return brand;
}

QColor Brand::color(BrandColor which) const
{
    switch (which) {
    case BrandColor::Accent:
        return accent;
    case BrandColor::AccentText:
        return accentText;
    case BrandColor::OnAccent:
        return onAccent;
    case BrandColor::AccentWash:
        return accentWash;
    case BrandColor::Ready:
        return ready;
    case BrandColor::Attention:
        return attention;
    case BrandColor::Failure:
        return failure;
    case BrandColor::Idle:
        return idle;
    case BrandColor::Primary:
        return primary;
    case BrandColor::Secondary:
        return secondary;
    case BrandColor::Tertiary:
        return tertiary;
    }
    return primary;
}

QColor Brand::primaryAt(qreal opacity) const
{
    return withOpacity(primary, opacity);
}

const Brand& Brand::current()
{
    return storedBrand();
}

void Brand::setCurrent(const Brand& brand)
{
    storedBrand() = brand;
}

} // namespace ostrevin::kit
