#pragma once

#include "views/map/MapTileSources.h"

#include <QWidget>

class QActionGroup;
class QMenu;
class QToolButton;

namespace ostrevin {

/// The column of map controls in the map's top-trailing corner: "Show route",
/// which frames the draft, and the "Map style" menu. (The map never rotates, so
/// it needs no compass.)
class MapControlStack : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MapControlStack)

public:
    explicit MapControlStack(const MapTileSources& sources, QWidget* parent = nullptr);

    void setCanZoomToRoute(bool enabled);
    /// The stored raw style; a value that is none of the three checks no row.
    void setMapStyleRaw(const QString& raw);

    QToolButton* zoomToRouteButton() const { return m_zoomButton; }
    QMenu* styleMenu() const { return m_styleMenu; }

signals:
    void zoomToRouteRequested();
    /// The user chose a row: "standard", "satellite" or "hybrid".
    void mapStyleChosen(const QString& raw);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QToolButton* m_zoomButton = nullptr;
    QToolButton* m_styleButton = nullptr;
    QMenu* m_styleMenu = nullptr;
    QActionGroup* m_styleGroup = nullptr;
};

} // namespace ostrevin
