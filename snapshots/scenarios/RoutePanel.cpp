// The route panel beside the map: a planned route with three alternatives and its
// directions open, and a long drawn route of 40 points.

#include "views/route/RoutePanel.h"

#include "PlannerServices.h"
#include "SnapshotScenario.h"
#include "planner/DirectionsService.h"
#include "planner/MainWindowState.h"
#include "platform/FixedPlaceSearchService.h"
#include "routedata/SavedRoute.h"
#include "views/kit/DisclosureGroup.h"
#include "views/map/RouteMapView.h"

#include <QHBoxLayout>
#include <QTest>
#include <cmath>

namespace ostrevin::snapshots {

namespace {

using namespace Qt::StringLiterals;

/// Three routes between any two places: straight, bent north and bent south, with
/// a few steps each, the way a directions service answers.
class ThreeRoutes final : public DirectionsService {
public:
    QCoro::Task<QList<DirectionsRoute>> calculate(Geodesy::Coordinate from, Geodesy::Coordinate to,
                                                  RouteTransportMode) override
    {
        co_return QList<DirectionsRoute>{route(from, to, 0.004, u"Wilsonova, Libeňský most"_s, 6400, 1010),
                                         route(from, to, 0.012, u"Argentinská"_s, 7100, 1190),
                                         route(from, to, -0.01, u"Nábřeží Kapitána Jaroše"_s, 7900, 1320)};
    }

private:
    static DirectionsRoute route(Geodesy::Coordinate from, Geodesy::Coordinate to, double bend, const QString& name,
                                 double distance, double seconds)
    {
        DirectionsRoute result;
        result.name = name;
        result.distance = distance;
        result.expectedTravelTime = seconds;
        constexpr int pieces = 24;
        for (int i = 0; i <= pieces; ++i) {
            const double t = double(i) / pieces;
            const double lift = bend * std::sin(t * M_PI);
            result.line << Geodesy::Coordinate{from.latitude + (to.latitude - from.latitude) * t + lift,
                                               from.longitude + (to.longitude - from.longitude) * t};
        }
        const auto step = [](const QString& text, double metres, const QString& notice = {}) {
            return DirectionsStep{text, notice, metres, PlannedRouteStep::automobile};
        };
        result.steps = {step(u"Head east on Na Poříčí"_s, 450), step(u"Turn left onto Wilsonova"_s, 1800),
                        step(u"Keep right to cross Libeňský most"_s, 2300, u"Road works: one lane closed"_s),
                        step(u"Turn right onto Českomoravská"_s, 1850),
                        step(u"Arrive at the destination, on the left"_s, 0)};
        return result;
    }
};

enum class State { planned, longNames, longDraft };

class RouteScene final : public QWidget {
public:
    RouteScene(State state, const SnapshotContext& context)
    {
        resize(context.windowSize);
        LocationPlannerViewModel& model = m_services.viewModel(&m_directions);
        if (state == State::planned || state == State::longNames) {
            const bool shortNames = state == State::planned;
            const RoutePoint start =
                point(shortNames ? u"Náměstí Republiky"_s : u"Náměstí Republiky 1078/1, Nové Město, Praha 1, Česko"_s,
                      50.0884, 14.4286);
            const RoutePoint destination =
                point(shortNames ? u"O2 arena"_s : u"O2 arena, Českomoravská 2345/17a, Libeň, Praha 9, Česko"_s,
                      50.1047, 14.4944);
            model.setRouteEndpoint(start, LocationPlannerViewModel::RouteEnd::start);
            model.setRouteEndpoint(destination, LocationPlannerViewModel::RouteEnd::destination);
            static_cast<void>(QTest::qWaitFor([&model] { return !model.isPlanningAddressRoute(); }, 3000));
        } else {
            SavedRoute drawn;
            drawn.name = u"Stromovka loop"_s;
            drawn.speedKmh = 5;
            drawn.transportMode = RouteTransportMode::walking;
            for (int i = 0; i < 40; ++i) {
                const double angle = 2 * M_PI * i / 40;
                drawn.points << point(u"Point %1"_s.arg(i + 1), 50.1045 + 0.006 * std::sin(angle),
                                      14.4210 + 0.012 * std::cos(angle));
            }
            model.loadSavedRoute(drawn);
        }

        m_panel = new RoutePanel(model, m_search);
        m_panel->setFixedWidth(308);
        m_panel->setClock([&clock = context.clock] { return clock.wallNow(); });
        if (state == State::planned && m_panel->directionsGroup())
            m_panel->directionsGroup()->setExpanded(true);
        if (state == State::longDraft && m_panel->pointsGroup())
            m_panel->pointsGroup()->setExpanded(true);
        RouteMapView::Options options;
        options.tileCacheFolder = QString();
        options.settings = &m_services.settings();
        options.tileSources = MapTileSources(MapTileSource{}, {}, {});
        model.windowState().setSection(AppSection::route);
        model.focusRoute();
        m_map = new RouteMapView(model, options);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(m_panel);
        layout->addWidget(m_map, 1);
    }

    ~RouteScene() override
    {
        delete m_map;
        delete m_panel;
    }

private:
    ThreeRoutes m_directions;
    PlannerServices m_services;
    FixedPlaceSearchService m_search{{}};
    RoutePanel* m_panel;
    RouteMapView* m_map;
};

const RegisterScenario planned(u"route"_s, u"planned"_s, [](const SnapshotContext& context) {
    return std::make_unique<RouteScene>(State::planned, context);
});
const RegisterScenario longNames(u"route"_s, u"planned-long-names"_s, [](const SnapshotContext& context) {
    return std::make_unique<RouteScene>(State::longNames, context);
});
const RegisterScenario longDraft(u"route"_s, u"long-draft"_s, [](const SnapshotContext& context) {
    return std::make_unique<RouteScene>(State::longDraft, context);
});

} // namespace

} // namespace ostrevin::snapshots
