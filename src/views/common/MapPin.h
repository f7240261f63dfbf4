#pragma once

#include "views/common/MapMarkPainter.h"

#include <QWidget>

namespace ostrevin {

/// The map's place pin on its own, as an icon beside a place (green-centred while
/// the iPhone sits there).
class MapPin : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MapPin)

public:
    /// scale: the pin's size against the map's; the frame (with its room for the
    /// shadow) scales alike, and a frame set afterwards keeps the pin centred.
    /// Whether the head shows the iPhone sitting at the place.
    enum class Head { plain, live };
    explicit MapPin(Head head = Head::plain, double scale = 1, QWidget* parent = nullptr);

    void setLive(bool isLive);
    bool isLive() const { return m_isLive; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_isLive = false;
    double m_scale = 1;
    MapMarkPainter m_painter;
};

} // namespace ostrevin
