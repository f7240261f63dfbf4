#pragma once

#include "views/kit/GlassSurface.h"
#include "views/map/MapTileSources.h"

#include <QPointer>

class QAbstractButton;
class QActionGroup;
class QMenu;

namespace ostrevin {

namespace kit {
class IconButton;
}

/// The column of map controls in the map's top-trailing corner: "Show route",
/// which frames the draft, and the "Map style" menu, on one floating surface.
/// (The map never rotates, so it needs no compass.)
class MapControlStack : public kit::GlassPanel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MapControlStack)

public:
    explicit MapControlStack(const MapTileSources& sources, QWidget* parent = nullptr);

    void setCanZoomToRoute(bool enabled);
    /// The stored raw style; a value that is none of the three checks no row.
    void setMapStyleRaw(const QString& raw);

    QAbstractButton* zoomToRouteButton() const;
    QMenu* styleMenu() const { return m_styleMenu; }

signals:
    void zoomToRouteRequested();
    /// The user chose a row: "standard", "satellite" or "hybrid".
    void mapStyleChosen(const QString& raw);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* widgetBeneath(const QPointF& position);

    /// Where a press in the shadow margin went: its moves and release follow it.
    QPointer<QWidget> m_passedTo;
    kit::IconButton* m_zoomButton = nullptr;
    kit::IconButton* m_styleButton = nullptr;
    QMenu* m_styleMenu = nullptr;
    QActionGroup* m_styleGroup = nullptr;
};

} // namespace ostrevin
