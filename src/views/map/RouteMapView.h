#pragma once

#include "planner/AppSection.h"
#include "views/common/MapTileSources.h"

#include <QWidget>
#include <optional>

namespace ostrevin {

class LocationPlannerViewModel;
class MainWindowState;
class MapControlStack;
class MapInstructionBanner;
class MapWidget;
class RouteMapPresentation;
class SettingsStore;

/// The map column of the main window: the map with the route, marks and beacon as
/// the view model's map presentation describes them, the instruction banner, the
/// map controls, and the click routing per section. It keeps no state of its own
/// apart from the map style, which lives in the settings ("Pellwick.mapStyle").
///
/// The camera is shared with the presentation both ways: the view model moves the
/// map by writing the presentation's camera, and the map writes the camera back
/// once at the end of each pan or zoom; its own write is not applied again.
class RouteMapView : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteMapView)

public:
    struct Options {
        /// Tile sources; by default the build's, overridden from the environment.
        MapTileSources tileSources = MapTileSources::configured();
        /// Where HTTP tiles are kept between runs; by default the user's cache folder.
        QString tileCacheFolder = defaultTileCacheFolder();
        /// The settings holding the map style; by default the application's store.
        SettingsStore* settings = nullptr;
    };

    /// The map column acting on the view model: clicks and "Show route" call its operations.
    explicit RouteMapView(LocationPlannerViewModel& viewModel, QWidget* parent = nullptr);
    RouteMapView(LocationPlannerViewModel& viewModel, const Options& options, QWidget* parent = nullptr);
    /// The map over a presentation and window state alone; clicks only come out as
    /// the signals below (pictures of the interface need no view model).
    RouteMapView(RouteMapPresentation& presentation, MainWindowState& windowState, const Options& options,
                 QWidget* parent = nullptr);
    ~RouteMapView() override;

    MapWidget& map() const { return *m_map; }
    MapControlStack& controls() const { return *m_controls; }
    MapInstructionBanner& banner() const { return *m_banner; }

    /// The banner's text, or none when no banner shows.
    static std::optional<QString> bannerText(bool canEdit, bool showsLockedReason, AppSection section,
                                             bool draftHasPoints, const QString& instruction);
    /// The map's accessibility hint.
    static QString accessibilityHint(bool canEdit, AppSection section);
    static QString defaultTileCacheFolder();

signals:
    /// A click that may edit the draft, in the place section.
    void placeClicked(double latitude, double longitude);
    /// A click that may edit the draft, in the route section.
    void routeClicked(double latitude, double longitude);
    /// The "Show route" button.
    void zoomToRouteRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void handleClick(double latitude, double longitude);
    void showPresentation();
    void showBannerAndHint();
    void applyCameraFromPresentation();
    void writeCameraToPresentation();
    void applyMapStyle();
    void placeOverlays();

    RouteMapPresentation& m_presentation;
    MainWindowState& m_windowState;
    SettingsStore& m_settings;
    MapTileSources m_tileSources;
    MapWidget* m_map = nullptr;
    MapInstructionBanner* m_banner = nullptr;
    MapControlStack* m_controls = nullptr;
    /// Set while the map writes the camera, so the echo is not applied back.
    bool m_writingCamera = false;
};

} // namespace ostrevin
