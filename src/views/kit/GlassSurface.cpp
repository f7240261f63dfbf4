#include "views/kit/GlassSurface.h"

#include "views/kit/ShadowCache.h"
#include "views/kit/Shapes.h"

#include <QPainter>

namespace ostrevin::kit {

namespace {

constexpr qreal materialOpacity = 0.86;

} // namespace

GlassLook glassLook(GlassEmphasis emphasis, const Brand& brand)
{
    GlassLook look;
    const bool elevated = emphasis == GlassEmphasis::Elevated;
    // A blurred backdrop would need a grab of what lies beneath: the translucent
    // surface is the window colour let through a little instead.
    look.translucent = elevated && !brand.appearance.reducedTransparency;
    look.fill = look.translucent ? withOpacity(brand.window, materialOpacity) : brand.base;
    if (brand.appearance.highContrast) {
        look.border = brand.primaryAt(0.4);
        look.borderWidth = 1.5;
    } else {
        look.border = brand.primaryAt(elevated ? 0.14 : 0.1);
        look.borderWidth = 1.0;
    }
    look.shadowOpacity = elevated ? 0.16 : 0.08;
    look.shadowRadius = elevated ? 12 : 4;
    look.shadowOffsetY = 3;
    return look;
}

QMarginsF glassShadowMargins(GlassEmphasis emphasis)
{
    const GlassLook look = glassLook(emphasis, Brand::current());
    return {look.shadowRadius, qMax<qreal>(0.0, look.shadowRadius - look.shadowOffsetY), look.shadowRadius,
            look.shadowRadius + look.shadowOffsetY};
}

void paintGlassSurface(QPainter& painter, const QRectF& shape, GlassEmphasis emphasis, qreal cornerRadius,
                       const Brand& brand)
{
    const GlassLook look = glassLook(emphasis, brand);
    const QPixmap shadow = ShadowCache::shared().shadow(shape.size().toSize(), cornerRadius, look.shadowRadius,
                                                        look.shadowOpacity, painter.device()->devicePixelRatioF());
    if (!shadow.isNull()) {
        const QPointF origin = shape.topLeft() - QPointF(look.shadowRadius, look.shadowRadius - look.shadowOffsetY);
        painter.drawPixmap(origin, shadow);
    }
    fillRoundedRect(painter, shape, cornerRadius, look.fill);
    strokeRoundedRectInside(painter, shape, cornerRadius, look.border, look.borderWidth);
}

GlassPanel::GlassPanel(GlassEmphasis emphasis, qreal cornerRadius, QWidget* parent)
    : QWidget(parent), m_emphasis(emphasis), m_cornerRadius(cornerRadius)
{
    const QMargins room = glassShadowMargins(emphasis).toMargins();
    setContentsMargins(room);
}

QRectF GlassPanel::shapeRect() const
{
    return QRectF(rect()).marginsRemoved(glassShadowMargins(m_emphasis));
}

void GlassPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintGlassSurface(painter, shapeRect(), m_emphasis, m_cornerRadius);
}

} // namespace ostrevin::kit
