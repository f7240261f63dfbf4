#include "views/common/MapTileSources.h"

#include "BuildConfig.h"
#include "support/CapturedWarnings.h"
#include "support/FakeHttpServer.h"
#include "support/QtPrinters.h"
#include "views/map/TileLoader.h"

#include <QBuffer>
#include <QImage>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

namespace ostrevin {
namespace {

using test::FakeHttpReply;
using test::FakeHttpServer;

} // namespace

TEST(MapTileSources, SubdomainsSpreadTilesAndEachTileKeepsItsServer)
{
    // One real tile, as a tile server sends it, under each of the three subdomains.
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    FakeHttpServer server;
    for (const char* subdomain : {"a", "b", "c"}) {
        for (int x = 0; x < 4; ++x) {
            for (int y = 0; y < 4; ++y) {
                FakeHttpReply reply = FakeHttpReply::text(png);
                reply.headers = {{"Content-Type", "image/png"}, {"Cache-Control", "max-age=86400"}};
                server.setReply(
                    "GET", QStringLiteral("/%1/2/%2/%3.png").arg(QLatin1StringView(subdomain)).arg(x).arg(y).toUtf8(),
                    reply);
            }
        }
    }
    const MapTileSource source{server.url().toString() + QStringLiteral("/{s}/{z}/{x}/{y}.png"), {}};
    TileLoader loader({});
    loader.setSource(source);
    QList<TileKey> wanted;
    for (int x = 0; x < 4; ++x)
        wanted.append({2, x, 1});
    loader.request(wanted);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::all_of(wanted.cbegin(), wanted.cend(), [&](const TileKey& k) { return loader.image(k); }); },
        10000));

    QSet<QByteArray> subdomains;
    for (const test::FakeHttpRequest& request : server.requests())
        subdomains.insert(request.path().split('/').value(1));
    EXPECT_EQ(subdomains, (QSet<QByteArray>{"a", "b", "c"}));
    for (const TileKey& key : wanted)
        EXPECT_EQ(source.tileUrl(key.zoom, key.x, key.y), source.tileUrl(key.zoom, key.x, key.y));

    // In the host name, where subdomains usually are.
    const MapTileSource osm{QStringLiteral("https://{s}.tile.openstreetmap.org/{z}/{x}/{y}.png"), {}};
    EXPECT_EQ(osm.tileUrl(5, 17, 11), QUrl(QStringLiteral("https://b.tile.openstreetmap.org/5/17/11.png")));
    EXPECT_TRUE(osm.tileUrl(5, 17, 12).isValid());
}

TEST(MapTileSources, UnknownPlaceholdersAreRefusedByNameAndTheStyleFallsBack)
{
    struct Case {
        const char* name;
        const char* standard;
        const char* satellite;
        QString expectedStandard;
        bool satelliteAvailable;
        QStringList warned; // texts the warnings must name, in order
    };
    const QString built = QString::fromUtf8(BuildConfig::tilesURL);
    const bool builtSatellite = *BuildConfig::satelliteTilesURL != '\0';
    const Case cases[] = {
        {"subdomains are filled in",
         "https://{s}.tile.example.org/{z}/{x}/{y}.png",
         "https://{s}.sat.example.org/{z}/{x}/{y}.jpg",
         QStringLiteral("https://{s}.tile.example.org/{z}/{x}/{y}.png"),
         true,
         {}},
        {"retina marker",
         "https://tile.example.org/{z}/{x}/{y}{r}.png",
         "",
         built,
         builtSatellite,
         {QStringLiteral("OSTREVIN_TILES_URL"), QStringLiteral("{r}")}},
        {"API key left in",
         "https://tile.example.org/{z}/{x}/{y}.png",
         "https://sat.example.org/{z}/{x}/{y}.jpg?key={apikey}",
         QStringLiteral("https://tile.example.org/{z}/{x}/{y}.png"),
         builtSatellite,
         {QStringLiteral("OSTREVIN_SATELLITE_TILES_URL"), QStringLiteral("{apikey}")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("OSTREVIN_TILES_URL"), QString::fromUtf8(c.standard));
        if (*c.satellite)
            environment.insert(QStringLiteral("OSTREVIN_SATELLITE_TILES_URL"), QString::fromUtf8(c.satellite));
        std::optional<test::CapturedWarnings> capture(std::in_place);
        const MapTileSources sources = MapTileSources::configured(environment);
        const QStringList warnings = capture->warnings();
        capture.reset();

        EXPECT_EQ(sources.source(MapStylePreference::standard).urlTemplate, c.expectedStandard);
        EXPECT_EQ(sources.isAvailable(MapStylePreference::satellite), c.satelliteAvailable);
        EXPECT_EQ(warnings.size(), c.warned.isEmpty() ? 0 : 1) << warnings.join(u'\n').toStdString();
        for (const QString& named : c.warned)
            EXPECT_TRUE(warnings.value(0).contains(named)) << warnings.value(0).toStdString();
    }
}

} // namespace ostrevin
