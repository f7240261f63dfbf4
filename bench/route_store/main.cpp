// Load and save of a saved-routes file of 1,000 routes with 500 points each,
// against a bare QJsonDocument parse and serialise of the same bytes.

#include "../support/BestOf.h"
#include "routedata/RouteStore.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <algorithm>
#include <iomanip>
#include <iostream>

using namespace ostrevin;

namespace {

constexpr int routeCount = 1000;
constexpr int pointsPerRoute = 500;
constexpr int rounds = 5;

QList<SavedRoute> makeRoutes()
{
    QList<SavedRoute> routes;
    routes.reserve(routeCount);
    const QDateTime created(QDate(2026, 1, 1), QTime(12, 0, 0), Qt::UTC);
    for (int r = 0; r < routeCount; ++r) {
        SavedRoute route{.name = QStringLiteral("Route %1 – Plzeň to Praha").arg(r),
                         .createdAt = created.addSecs(r),
                         .speedKmh = 30.0 + r % 50,
                         .speedProfile = RouteSpeedProfile::fast,
                         .transportMode = RouteTransportMode::automobile};
        route.points.reserve(pointsPerRoute);
        for (int p = 0; p < pointsPerRoute; ++p) {
            route.points.append(RoutePoint{.name = QStringLiteral("Point %1").arg(p),
                                           .latitude = 49.7384 + p * 0.000731 + r * 1e-7,
                                           .longitude = 13.3736 + p * 0.00213 - r * 1e-7});
        }
        routes.append(std::move(route));
    }
    return routes;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    RouteStore store(dir.path() + QStringLiteral("/Ostrevin"));
    const QList<SavedRoute> routes = makeRoutes();

    const double saveMs = bench::bestMs(rounds, [&] { store.save(routes, store.savedRoutesPath()); });
    QList<SavedRoute> loaded;
    const double loadMs = bench::bestMs(rounds, [&] { loaded = store.load<SavedRoute>(store.savedRoutesPath()); });
    if (loaded != routes || !store.recoveryMessages().isEmpty()) {
        std::cerr << "round trip changed the routes\n";
        return 1;
    }

    QFile file(store.savedRoutesPath());
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    QJsonDocument doc;
    const double parseMs = bench::bestMs(rounds, [&] { doc = QJsonDocument::fromJson(bytes); });
    QByteArray out;
    const double serialiseMs = bench::bestMs(rounds, [&] { out = doc.toJson(QJsonDocument::Indented); });

    std::cout << std::fixed << std::setprecision(1);
    std::cout << "saved-routes.json: " << routeCount << " routes x " << pointsPerRoute << " points, "
              << bytes.size() / (1024.0 * 1024.0) << " MiB\n";
    std::cout << "RouteStore save:            " << saveMs << " ms\n";
    std::cout << "RouteStore load:            " << loadMs << " ms\n";
    std::cout << "QJsonDocument serialise:    " << serialiseMs << " ms\n";
    std::cout << "QJsonDocument parse:        " << parseMs << " ms\n";
    std::cout << std::setprecision(2);
    std::cout << "ratio save / serialise:     " << saveMs / serialiseMs << "\n";
    std::cout << "ratio load / parse:         " << loadMs / parseMs << "\n";
    std::cout << "ratio (load+save) / (parse+serialise): " << (loadMs + saveMs) / (parseMs + serialiseMs)
              << " (aim: <= 1.5)\n";
    return 0;
}
