#pragma once

#include "views/kit/Brand.h"

#include <QColor>
#include <QRectF>
#include <QRegion>
#include <QWidget>

class QPainter;

namespace ostrevin::kit {

/// How strongly a floating surface stands out: standard surfaces are always
/// opaque; elevated ones are translucent unless transparency is reduced.
enum class GlassEmphasis { Standard, Elevated };

/// What a surface looks like for an emphasis and appearance.
struct GlassLook {
    bool translucent = false;
    QColor fill;
    QColor border;
    qreal borderWidth = 1.0;
    qreal shadowOpacity = 0.0;
    qreal shadowRadius = 0.0;
    qreal shadowOffsetY = 3.0;
};

GlassLook glassLook(GlassEmphasis emphasis, const Brand& brand);

/// The room a surface's shadow needs outside its shape (left, top, right, bottom
/// are equal but the bottom, which also takes the offset).
QMarginsF glassShadowMargins(GlassEmphasis emphasis);

/// Paints shadow, fill and border of a surface whose shape is `shape`; the shadow
/// falls outside it, so leave glassShadowMargins() around it.
void paintGlassSurface(QPainter& painter, const QRectF& shape, GlassEmphasis emphasis, qreal cornerRadius,
                       const Brand& brand = Brand::current());

/// Whether a top-level window's transparent pixels show what lies beneath it.
/// False on an X11 desktop without a compositing manager, where they come out black.
bool desktopCompositesWindows();

/// The window mask that cuts a top-level window to a rounded surface, for desktops
/// that do not composite (the shadow is lost, but no black frame shows).
QRegion roundedWindowMask(const QRectF& shape, qreal cornerRadius);

/// A container painted as a floating surface. Its contents margins leave room
/// for the shadow; put the content in its layout.
class GlassPanel : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GlassPanel)

public:
    explicit GlassPanel(GlassEmphasis emphasis = GlassEmphasis::Elevated, qreal cornerRadius = 14,
                        QWidget* parent = nullptr);
    ~GlassPanel() override = default;

    /// The shape inside the widget (the widget minus the shadow's room).
    QRectF shapeRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GlassEmphasis m_emphasis;
    qreal m_cornerRadius;
};

} // namespace ostrevin::kit
