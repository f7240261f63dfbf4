#pragma once

#include <QCache>
#include <QPixmap>
#include <QSize>

namespace ostrevin::kit {

/// Soft shadows of rounded rectangles, blurred once per (size, corner radius,
/// blur radius, opacity, pixel ratio) and reused: a shadow effect on the widget
/// itself would blur again on every frame, and the map repaints often.
class ShadowCache {
public:
    explicit ShadowCache(int maxPixmaps = 64);

    /// The app-wide cache.
    static ShadowCache& shared();

    /// A pixmap holding the shadow of a size × corner-radius shape, with a margin
    /// of `blurRadius` on every side (place it at the shape's top left minus that
    /// margin, plus the shadow's offset).
    QPixmap shadow(QSize shapeSize, qreal cornerRadius, qreal blurRadius, qreal opacity, qreal devicePixelRatio);

    /// How many shadows were blurred (not taken from the cache) so far.
    int blurCount() const { return m_blurCount; }

private:
    QCache<QString, QPixmap> m_pixmaps;
    int m_blurCount = 0;
};

} // namespace ostrevin::kit
