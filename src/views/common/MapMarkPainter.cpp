#include "views/common/MapMarkPainter.h"

#include "views/kit/Brand.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ostrevin {

namespace {

/// Labels cached beyond this many are dropped all at once (names rarely change).
constexpr qsizetype labelCacheLimit = 256;

/// A soft shadow of whatever is opaque in image: its alpha blurred by three box
/// passes (close to a Gaussian) and tinted black.
QImage blurredShadow(const QImage& image, int radius, double opacity)
{
    const int w = image.width();
    const int h = image.height();
    std::vector<float> alpha(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[static_cast<size_t>(y * w + x)] = static_cast<float>(qAlpha(line[x])) / 255.0f;
    }
    std::vector<float> scratch(alpha.size());
    enum class Direction { horizontal, vertical };
    const auto pass = [&](Direction direction) {
        const bool horizontal = direction == Direction::horizontal;
        const int length = horizontal ? w : h;
        const int lines = horizontal ? h : w;
        for (int l = 0; l < lines; ++l) {
            for (int i = 0; i < length; ++i) {
                float sum = 0;
                int count = 0;
                for (int k = std::max(0, i - radius); k <= std::min(length - 1, i + radius); ++k) {
                    sum += alpha[static_cast<size_t>(horizontal ? l * w + k : k * w + l)];
                    ++count;
                }
                scratch[static_cast<size_t>(horizontal ? l * w + i : i * w + l)] = sum / static_cast<float>(count);
            }
        }
        alpha.swap(scratch);
    };
    for (int i = 0; i < 3; ++i) {
        pass(Direction::horizontal);
        pass(Direction::vertical);
    }
    QImage shadow(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int a = static_cast<int>(std::lround(alpha[static_cast<size_t>(y * w + x)] * opacity * 255));
            line[x] = qRgba(0, 0, 0, a);
        }
    }
    return shadow;
}

/// A ring drawn inside a disc's edge.
void paintRingedDisc(QPainter& painter, const QPointF& center, double diameter, double ring, const QColor& ringColor)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(center, diameter / 2, diameter / 2);
    QPen pen(ringColor, ring);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double r = (diameter - ring) / 2;
    painter.drawEllipse(center, r, r);
}

} // namespace

MapMarkStyle MapMarkStyle::current()
{
    const kit::Brand& brand = kit::Brand::current();
    MapMarkStyle style;
    style.accent = brand.accent;
    style.ready = brand.ready;
    style.primary = brand.primary;
    style.controlBackground = brand.base;
    style.labelFont = kit::textFont(kit::TextStyle::Caption, QFont::DemiBold);
    style.symbolFont = kit::symbolFont(11);
    style.locationSymbol = "location.fill"_symbol.glyph();
    return style;
}

QPainterPath MapMarkPainter::pinPath(const QRectF& rect)
{
    const double r = rect.width() / 2;
    const QRectF head(rect.center().x() - r, rect.top(), 2 * r, 2 * r);
    QPainterPath path;
    // Qt counts angles anticlockwise on screen: 40° below the x axis is −40°, and the
    // long way over the top to 140° below it sweeps 260°.
    path.arcMoveTo(head, -40);
    path.arcTo(head, -40, 260);
    path.lineTo(rect.center().x(), rect.bottom());
    path.closeSubpath();
    return path;
}

void MapMarkPainter::setStyle(const MapMarkStyle& style)
{
    if (style == m_style)
        return;
    m_style = style;
    m_sprites.clear();
    m_labels.clear();
}

void MapMarkPainter::setDevicePixelRatio(qreal ratio)
{
    if (qFuzzyCompare(ratio, m_ratio))
        return;
    m_ratio = ratio;
    m_sprites.clear();
    m_labels.clear();
}

MapMarkPainter::SpriteImage MapMarkPainter::renderSprite(Sprite kind) const
{
    QSizeF body;
    QPointF anchor;
    switch (kind) {
    case Sprite::pin:
    case Sprite::livePin:
        body = {pinWidth, pinHeight};
        anchor = {pinWidth / 2, pinHeight};
        break;
    case Sprite::startDot:
        body = {18, 18};
        anchor = {9, 9};
        break;
    case Sprite::waypoint:
        body = {11, 11};
        anchor = {5.5, 5.5};
        break;
    case Sprite::beaconCore:
        body = {24, 24};
        anchor = {12, 12};
        break;
    }
    const QSizeF logical = body + QSizeF(2 * shadowMargin, 2 * shadowMargin);
    const QSize pixels = (logical * m_ratio).toSize();
    QImage shape(pixels, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(m_ratio, m_ratio);
        p.translate(shadowMargin, shadowMargin);
        switch (kind) {
        case Sprite::pin:
        case Sprite::livePin: {
            const QPainterPath outline = pinPath(QRectF(0, 0, pinWidth, pinHeight));
            p.fillPath(outline, m_style.accent);
            p.strokePath(outline, QPen(Qt::white, 2));
            const QPointF head(pinWidth / 2, 5 + 8);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(head, 8, 8);
            p.setBrush(kind == Sprite::livePin ? m_style.ready : QColor(Qt::white));
            p.drawEllipse(head, 5, 5);
            break;
        }
        case Sprite::startDot:
            paintRingedDisc(p, {9, 9}, 18, 5, m_style.accent);
            break;
        case Sprite::waypoint:
            paintRingedDisc(p, {5.5, 5.5}, 11, 3, m_style.accent);
            break;
        case Sprite::beaconCore: {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(12, 12), 12, 12);
            p.setBrush(m_style.ready);
            p.drawEllipse(QPointF(12, 12), 9, 9);
            p.setPen(Qt::white);
            p.setFont(m_style.symbolFont);
            p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, m_style.locationSymbol);
            break;
        }
        }
    }
    const bool soft = kind == Sprite::pin || kind == Sprite::livePin || kind == Sprite::startDot;
    const double opacity = soft ? 0.25 : 0.2;
    const double blur = soft ? 2 : 1;
    const QImage shadow = blurredShadow(shape, std::max(1, static_cast<int>(std::lround(blur * m_ratio / 2))), opacity);
    QImage result(pixels, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    {
        // The shadow falls one point below the shape.
        QPainter p(&result);
        p.drawImage(QPointF(0, m_ratio), shadow);
        p.drawImage(0, 0, shape);
    }
    QPixmap pixmap = QPixmap::fromImage(result);
    pixmap.setDevicePixelRatio(m_ratio);
    return {pixmap, anchor + QPointF(shadowMargin, shadowMargin)};
}

const MapMarkPainter::SpriteImage& MapMarkPainter::sprite(Sprite kind)
{
    const int key = static_cast<int>(kind);
    auto it = m_sprites.find(key);
    if (it == m_sprites.end())
        it = m_sprites.insert(key, renderSprite(kind));
    return it.value();
}

QPixmap MapMarkPainter::nameLabel(const QString& text)
{
    const auto cached = m_labels.constFind(text);
    if (cached != m_labels.cend())
        return cached.value();
    const QFontMetricsF metrics(m_style.labelFont);
    const QString shown = metrics.elidedText(text, Qt::ElideRight, labelMaxTextWidth);
    const double textWidth = std::min(labelMaxTextWidth, std::ceil(metrics.horizontalAdvance(shown)));
    const QSizeF size(textWidth + 14, std::ceil(metrics.height()) + 6);
    QPixmap pixmap((size * m_ratio).toSize());
    pixmap.setDevicePixelRatio(m_ratio);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const QRectF capsule(QPointF(0, 0), size);
        QColor fill = m_style.controlBackground;
        fill.setAlphaF(0.96f);
        QColor border = m_style.primary;
        border.setAlphaF(0.12f);
        const QRectF inner = capsule.adjusted(0.5, 0.5, -0.5, -0.5);
        p.setBrush(fill);
        p.setPen(QPen(border, 1));
        p.drawRoundedRect(inner, inner.height() / 2, inner.height() / 2);
        p.setPen(m_style.primary);
        p.setFont(m_style.labelFont);
        p.drawText(capsule.adjusted(7, 3, -7, -3), Qt::AlignCenter | Qt::TextSingleLine, shown);
    }
    if (m_labels.size() >= labelCacheLimit)
        m_labels.clear();
    m_labels.insert(text, pixmap);
    return pixmap;
}

void MapMarkPainter::paintPin(QPainter& painter, bool isLive, const QPointF& tip)
{
    const SpriteImage& image = sprite(isLive ? Sprite::livePin : Sprite::pin);
    painter.drawPixmap(tip - image.anchor, image.pixmap);
}

void MapMarkPainter::paintMark(QPainter& painter, const MapMark& mark, const QPointF& anchor)
{
    switch (mark.kind) {
    case MapMark::Kind::place:
    case MapMark::Kind::destination: {
        paintPin(painter, mark.isLive, anchor);
        const QPixmap label = nameLabel(mark.point.name);
        const QSizeF labelSize = label.deviceIndependentSize();
        // Stacked above the pin with a gap of 3.
        painter.drawPixmap(QPointF(anchor.x() - labelSize.width() / 2, anchor.y() - pinHeight - 3 - labelSize.height()),
                           label);
        break;
    }
    case MapMark::Kind::start: {
        const SpriteImage& dot = sprite(Sprite::startDot);
        painter.drawPixmap(anchor - dot.anchor, dot.pixmap);
        const QPixmap label = nameLabel(mark.point.name);
        const QSizeF labelSize = label.deviceIndependentSize();
        // The label's top edge 24 above the dot's top edge: it stands clear of the dot.
        painter.drawPixmap(QPointF(anchor.x() - labelSize.width() / 2, anchor.y() - 9 - 24), label);
        break;
    }
    case MapMark::Kind::waypoint: {
        const SpriteImage& dot = sprite(Sprite::waypoint);
        painter.drawPixmap(anchor - dot.anchor, dot.pixmap);
        break;
    }
    }
}

void MapMarkPainter::paintBeacon(QPainter& painter, const QPointF& center, double pulse)
{
    const double scale = 0.62 + (1.0 - 0.62) * pulse;
    const double opacity = 1.0 - 0.5 * pulse;
    QColor halo = m_style.ready;
    halo.setAlphaF(static_cast<float>(0.22 * opacity));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(halo);
    const double radius = beaconSize / 2 * scale;
    painter.drawEllipse(center, radius, radius);
    painter.restore();
    const SpriteImage& core = sprite(Sprite::beaconCore);
    painter.drawPixmap(center - core.anchor, core.pixmap);
}

} // namespace ostrevin
