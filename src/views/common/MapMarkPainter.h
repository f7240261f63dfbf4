#pragma once

#include "views/common/MapMark.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPainterPath>
#include <QPixmap>

class QPainter;

namespace ostrevin {

/// The colours and the label font the map's marks are drawn with.
struct MapMarkStyle {
    QColor accent;
    QColor ready;
    /// The primary label colour (text, the capsule's border).
    QColor primary;
    /// The control background behind name capsules.
    QColor controlBackground;
    QFont labelFont;
    /// The glyph font and character of the beacon's arrow.
    QFont symbolFont;
    QString locationSymbol;

    bool operator==(const MapMarkStyle&) const = default;

    /// The application's current colours and the label's text style.
    static MapMarkStyle current();
};

/// Paints the marks, the name capsules and the beacon of the map. The fixed parts
/// (pins, dots, capsules, with their shadows) are drawn once into pixmaps at the
/// screen's pixel ratio and reused, so a frame only copies them.
class MapMarkPainter {
public:
    /// Room around a drawn sprite for its shadow.
    static constexpr double shadowMargin = 5;
    /// The pin's frame.
    static constexpr double pinWidth = 26;
    static constexpr double pinHeight = 34;
    static constexpr double beaconSize = 44;
    static constexpr double labelMaxTextWidth = 160;

    /// The pin outline in a rectangle: a round head of radius width / 2 at the top,
    /// its sides running from 40° and 140° below the centre to the tip at the bottom.
    static QPainterPath pinPath(const QRectF& rect);

    void setStyle(const MapMarkStyle& style);
    const MapMarkStyle& style() const { return m_style; }
    void setDevicePixelRatio(qreal ratio);

    /// A mark whose anchor (pin tip or centre, by kind) is at the given view point.
    void paintMark(QPainter& painter, const MapMark& mark, const QPointF& anchor);
    /// The beacon centred on a point; pulse 0 at rest, 1 fully swollen.
    void paintBeacon(QPainter& painter, const QPointF& center, double pulse);
    /// A pin alone with its tip at a point (the selected-place card's icon uses it).
    void paintPin(QPainter& painter, bool isLive, const QPointF& tip);

    /// The capsule of a name at its natural size.
    QPixmap nameLabel(const QString& text);

private:
    enum class Sprite { pin, livePin, startDot, waypoint, beaconCore };
    struct SpriteImage {
        QPixmap pixmap;
        /// Where the anchor lies in the pixmap, in logical pixels.
        QPointF anchor;
    };
    const SpriteImage& sprite(Sprite kind);
    SpriteImage renderSprite(Sprite kind) const;

    MapMarkStyle m_style;
    qreal m_ratio = 1;
    QHash<int, SpriteImage> m_sprites;
    QHash<QString, QPixmap> m_labels;
};

} // namespace ostrevin
