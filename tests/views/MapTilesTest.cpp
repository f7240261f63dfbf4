#include "support/FakeHttpServer.h"
#include "support/TempDir.h"
#include "views/kit/Brand.h"
#include "views/map/MapPlaceholder.h"
#include "views/map/MapWidget.h"
#include "views/map/TileLoader.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

namespace ostrevin {
namespace {

using test::FakeHttpReply;
using test::FakeHttpServer;
using test::TempDir;

QByteArray pngTile(const QColor& color)
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray tilePath(const TileKey& key)
{
    return QStringLiteral("/%1/%2/%3.png").arg(key.zoom).arg(key.x).arg(key.y).toUtf8();
}

MapTileSource httpSource(const FakeHttpServer& server)
{
    return {server.url().toString() + QStringLiteral("/{z}/{x}/{y}.png"), QStringLiteral("test tiles")};
}

/// Serves every tile of the zoom levels given, each in a colour of its own.
void serveLevel(FakeHttpServer& server, int zoom, int delayMs = 0)
{
    const int count = 1 << zoom;
    for (int x = 0; x < count; ++x) {
        for (int y = 0; y < count; ++y) {
            FakeHttpReply reply = FakeHttpReply::text(pngTile(QColor(40 * x % 256, 40 * y % 256, 60 * zoom % 256)));
            reply.headers = {{"Content-Type", "image/png"}};
            reply.delayMs = delayMs;
            server.setReply("GET", tilePath({zoom, x, y}), reply);
        }
    }
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    return QTest::qWaitFor(done, timeoutMs);
}

TEST(TileLoader, LoadsOverHttpWithItsUserAgentAndAtMostSixAtATime)
{
    FakeHttpServer server;
    serveLevel(server, 4, 150);
    TileLoader loader({});
    loader.setSource(httpSource(server));
    QList<TileKey> wanted;
    for (int x = 0; x < 10; ++x)
        wanted.append({4, x, 3});
    int mostInFlight = 0;
    QObject::connect(&loader, &TileLoader::tileLoaded, &loader,
                     [&] { mostInFlight = std::max<int>(mostInFlight, int(loader.inFlight().size())); });
    loader.request(wanted);
    EXPECT_EQ(loader.inFlight().size(), TileLoader::maxRequestsInFlight);
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(wanted.cbegin(), wanted.cend(), [&](const TileKey& k) { return loader.image(k); });
    }));
    EXPECT_LE(mostInFlight, TileLoader::maxRequestsInFlight);
    EXPECT_EQ(server.requestCount(), 10);
    for (const test::FakeHttpRequest& request : server.requests())
        EXPECT_TRUE(request.header("User-Agent").startsWith("Ostrevin/")) << request.header("User-Agent").constData();
    EXPECT_FALSE(loader.isOffline());
    // Loaded tiles are served from memory: asking again sends nothing.
    loader.request(wanted);
    EXPECT_TRUE(loader.inFlight().isEmpty());
}

TEST(TileLoader, AbortsTilesThatLeftTheView)
{
    FakeHttpServer server;
    serveLevel(server, 3, 400);
    TileLoader loader({});
    loader.setSource(httpSource(server));
    const QList<TileKey> first{{3, 0, 0}, {3, 1, 0}, {3, 2, 0}, {3, 3, 0}, {3, 4, 0}, {3, 5, 0}};
    const QList<TileKey> second{{3, 0, 7}, {3, 1, 7}};
    loader.request(first);
    loader.request(second);
    const QList<TileKey> running = loader.inFlight();
    EXPECT_EQ(QSet<TileKey>(running.cbegin(), running.cend()), QSet<TileKey>(second.cbegin(), second.cend()));
    ASSERT_TRUE(waitUntil([&] { return loader.image(second[0]) && loader.image(second[1]); }));
    QTest::qWait(500);
    for (const TileKey& key : first)
        EXPECT_FALSE(loader.image(key));
}

TEST(TileLoader, MissingTilesAndUnreachableServers)
{
    struct Case {
        const char* name;
        std::function<void(FakeHttpServer&)> script;
        bool offline;
    };
    const QList<Case> cases{
        {"404", [](FakeHttpServer&) {}, false},
        {"server error", [](FakeHttpServer& s) { s.setReply("GET", "/5/1/1.png", FakeHttpReply::text("x", 503)); },
         true},
        {"throttled", [](FakeHttpServer& s) { s.setReply("GET", "/5/1/1.png", FakeHttpReply::text("x", 429)); }, true},
        {"not an image", [](FakeHttpServer& s) { s.setReply("GET", "/5/1/1.png", FakeHttpReply::text("<html>")); },
         false},
        {"refused", [](FakeHttpServer& s) { s.stopListening(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        c.script(server);
        TileLoader loader({});
        loader.setSource(httpSource(server));
        QSignalSpy offline(&loader, &TileLoader::offlineChanged);
        loader.request({{5, 1, 1}});
        ASSERT_TRUE(waitUntil([&] { return loader.inFlight().isEmpty(); }));
        EXPECT_FALSE(loader.image({5, 1, 1}));
        EXPECT_EQ(loader.isOffline(), c.offline);
        // A tile the server does not have is not asked for again; one that failed for
        // want of a server waits before the next try.
        loader.request({{5, 1, 1}});
        EXPECT_TRUE(loader.inFlight().isEmpty());
    }
}

TEST(TileLoader, TilesSeenOnceComeFromTheDiskCacheWhenTheServerIsGone)
{
    TempDir dir;
    FakeHttpServer server;
    FakeHttpReply reply = FakeHttpReply::text(pngTile(Qt::darkGreen));
    reply.headers = {{"Content-Type", "image/png"}, {"Cache-Control", "max-age=86400"}};
    server.setReply("GET", "/6/10/20.png", reply);
    {
        TileLoader loader(dir.file(QStringLiteral("tiles")));
        loader.setSource(httpSource(server));
        loader.request({{6, 10, 20}});
        ASSERT_TRUE(waitUntil([&] { return loader.image({6, 10, 20}) != nullptr; }));
    }
    server.stopListening();
    TileLoader restarted(dir.file(QStringLiteral("tiles")));
    restarted.setSource(httpSource(server));
    restarted.request({{6, 10, 20}});
    ASSERT_TRUE(waitUntil([&] { return restarted.image({6, 10, 20}) != nullptr; }));
    EXPECT_EQ(restarted.image({6, 10, 20})->pixelColor(5, 5), QColor(Qt::darkGreen));
    EXPECT_EQ(server.requestCount(), 1);
}

TEST(TileLoader, AServerThatComesBackIsAskedAgainWithoutTheMapMoving)
{
    FakeHttpServer server;
    serveLevel(server, 2);
    server.stopListening();
    TileLoader loader({});
    loader.setRetryInterval(200);
    loader.setSource(httpSource(server));
    loader.request({{2, 1, 1}, {2, 2, 1}});
    ASSERT_TRUE(waitUntil([&] { return loader.isOffline(); }));
    ASSERT_TRUE(server.resumeListening());
    ASSERT_TRUE(waitUntil([&] { return loader.image({2, 1, 1}) && loader.image({2, 2, 1}); }));
    EXPECT_FALSE(loader.isOffline());
}

TEST(TileLoader, ReadsTilesFromAFileTemplate)
{
    TempDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("2/1"))));
    QFile tile(dir.file(QStringLiteral("2/1/3.png")));
    ASSERT_TRUE(tile.open(QIODevice::WriteOnly));
    tile.write(pngTile(Qt::magenta));
    tile.close();
    TileLoader loader({});
    loader.setSource({QUrl::fromLocalFile(dir.path()).toString() + QStringLiteral("/{z}/{x}/{y}.png"), {}});
    loader.request({{2, 1, 3}, {2, 0, 0}});
    ASSERT_TRUE(waitUntil([&] { return loader.image({2, 1, 3}) != nullptr; }));
    EXPECT_EQ(loader.image({2, 1, 3})->pixelColor(10, 10), QColor(Qt::magenta));
    EXPECT_FALSE(loader.image({2, 0, 0}));
    EXPECT_FALSE(loader.isOffline());
}

TEST(TileLoader, DecodesOffTheGuiThreadAndDropsATileDecodedAfterTheViewMovedOn)
{
    struct Case {
        const char* name;
        bool moveView;
        bool changeSource;
        std::optional<QColor> shown; // none: the tile is dropped
    };
    const TileKey tile{4, 1, 1};
    // Asked for after the step; its slow answer comes after the held decode is over.
    const TileKey later{4, 3, 3};
    const Case cases[] = {
        {"still wanted", false, false, QColor(40, 40, 240)},
        {"view moved on", true, false, std::nullopt},
        {"source changed", false, true, QColor(Qt::magenta)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        serveLevel(server, 4);
        FakeHttpReply slow = FakeHttpReply::text(pngTile(Qt::gray));
        slow.delayMs = 200;
        server.setReply("GET", tilePath(later), slow);
        FakeHttpServer other;
        other.setReply("GET", tilePath(tile), FakeHttpReply::text(pngTile(Qt::magenta)));
        other.setReply("GET", tilePath(later), slow);

        TileLoader loader({});
        loader.setSource(httpSource(server));
        QSemaphore started, go;
        std::atomic<bool> onGuiThread = false;
        QThread* const gui = QThread::currentThread();
        loader.setDecoder([&](const QByteArray& bytes) {
            onGuiThread = onGuiThread || QThread::currentThread() == gui;
            started.release();
            go.acquire();
            return TileLoader::decode(bytes);
        });
        QList<TileKey> loaded;
        QObject::connect(&loader, &TileLoader::tileLoaded, &loader, [&](const TileKey& key) { loaded.append(key); });
        loader.request({tile});
        // The bytes arrived and the decode is held on its worker.
        ASSERT_TRUE(waitUntil([&] { return started.available() > 0; }));
        if (c.changeSource)
            loader.setSource(httpSource(other));
        loader.request(c.moveView ? QList<TileKey>{later} : QList<TileKey>{tile, later});
        go.release(100);
        ASSERT_TRUE(waitUntil([&] { return loader.image(later) != nullptr; }));
        EXPECT_FALSE(onGuiThread);
        if (!c.shown) {
            EXPECT_FALSE(loader.image(tile));
            EXPECT_FALSE(loaded.contains(tile));
            continue;
        }
        ASSERT_TRUE(waitUntil([&] { return loader.image(tile) != nullptr; }));
        EXPECT_EQ(loader.image(tile)->pixelColor(5, 5), *c.shown);
        EXPECT_EQ(loaded.count(tile), 1);
    }
}

class MapWidgetTiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.resize(512, 512);
        map.setCamera({{0, 0}, 1});
    }
    MapWidget map{QString()};
};

TEST_F(MapWidgetTiles, AStallingServerDoesNotHoldUpPainting)
{
    FakeHttpServer server;
    serveLevel(server, 1, 5000);
    map.setTileSource(httpSource(server));
    map.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&map));
    ASSERT_TRUE(server.waitForRequests(4));
    // All four tiles are asked for and none has come: the frame is the bare land.
    const QImage frame = map.grab().toImage();
    EXPECT_EQ(map.tileLoader().inFlight().size(), 4);
    EXPECT_EQ(frame.pixel(100, 100), MapPlaceholder::landColor(false).rgb());
    EXPECT_FALSE(map.isShowingPlaceholder());
}

TEST_F(MapWidgetTiles, AMissingTileShowsItsParentScaledUp)
{
    FakeHttpServer server;
    serveLevel(server, 1);
    map.setTileSource(httpSource(server));
    map.show();
    ASSERT_TRUE(waitUntil([&] { return map.tileLoader().image({1, 0, 0}) && map.tileLoader().image({1, 1, 1}); }));
    const QColor northWest = map.tileLoader().image({1, 0, 0})->pixelColor(0, 0);
    const QColor southEast = map.tileLoader().image({1, 1, 1})->pixelColor(0, 0);
    // Level 2 does not exist on the server: every tile there is a 404.
    map.setCamera({{0, 0}, 2});
    ASSERT_TRUE(waitUntil([&] { return map.tileLoader().inFlight().isEmpty(); }));
    ASSERT_FALSE(map.tileLoader().image({2, 1, 1}));
    const QImage frame = map.grab().toImage();
    EXPECT_EQ(frame.pixelColor(240, 240), northWest);
    EXPECT_EQ(frame.pixelColor(270, 270), southEast);
    EXPECT_FALSE(map.isShowingPlaceholder());
}

TEST_F(MapWidgetTiles, TheTilesAttributionSitsInTheCornerWheneverTheirTilesShow)
{
    FakeHttpServer server;
    const MapTileSource tiles{server.url().toString() + QStringLiteral("/{z}/{x}/{y}.png"),
                              QStringLiteral("© <a href=\"https://example.org/copyright\">Example</a> contributors")};
    map.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&map));
    const auto attribution = [&]() -> QLabel* {
        for (QLabel* label : map.findChildren<QLabel*>()) {
            if (label->text().contains(u"example.org/copyright") && label->isVisible())
                return label;
        }
        return nullptr;
    };
    const auto inTheCorner = [&](const QLabel* label) {
        return label->geometry().bottomRight() == map.rect().bottomRight() && label->width() > 40;
    };
    // Tiles off, on, off and on again (a style the build has no tiles for, say).
    for (const bool on : {false, true, false, true}) {
        SCOPED_TRACE(on ? "tiles" : "no tiles");
        map.setTileSource(on ? tiles : MapTileSource{QString(), tiles.attribution});
        QLabel* label = attribution();
        ASSERT_EQ(label != nullptr, on);
        if (on) {
            EXPECT_TRUE(inTheCorner(label));
        }
    }
    map.resize(300, 200);
    ASSERT_NE(attribution(), nullptr);
    EXPECT_TRUE(inTheCorner(attribution()));
}

TEST_F(MapWidgetTiles, ThePlaceholderStandsInWithoutTiles)
{
    struct Case {
        const char* name;
        bool tilesOn;
        bool serverUp;
    };
    const Case cases[] = {{"tiles off", false, true}, {"server unreachable", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        if (!c.serverUp)
            server.stopListening();
        MapWidget widget{QString()};
        widget.resize(400, 300);
        widget.setTileSource(c.tilesOn ? httpSource(server) : MapTileSource{});
        widget.show();
        ASSERT_TRUE(waitUntil([&] { return widget.isShowingPlaceholder(); }));
        const QImage before = widget.grab().toImage();
        // A river runs through it.
        bool water = false;
        for (int y = 0; y < before.height() && !water; ++y)
            for (int x = 0; x < before.width() && !water; ++x)
                water = before.pixel(x, y) == MapPlaceholder::waterColor(false).rgb();
        EXPECT_TRUE(water);

        // A drag moves the drawn land with the map, pixel for pixel.
        const QPoint drag(60, 35);
        QTest::mousePress(&widget, Qt::LeftButton, {}, QPoint(150, 120));
        QTest::mouseMove(&widget, QPoint(150, 120) + drag / 2);
        QTest::mouseMove(&widget, QPoint(150, 120) + drag);
        QTest::mouseRelease(&widget, Qt::LeftButton, {}, QPoint(150, 120) + drag);
        const QImage panned = widget.grab().toImage();
        EXPECT_NE(panned, before);
        EXPECT_EQ(panned.copy(QRect(drag, QSize(300, 220))), before.copy(QRect(QPoint(), QSize(300, 220))));

        // The wheel zooms it about the pointer: the point under it stays, the rest grows.
        QWheelEvent wheel(QPointF(200, 150), widget.mapToGlobal(QPointF(200, 150)), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&widget, &wheel);
        EXPECT_NE(widget.grab().toImage(), panned);
    }
}

TEST(MapWidgetPlaceholder, ASquareDrawnAheadForAnotherAppearanceIsNotShown)
{
    // Without tiles the square is drawn on a worker as soon as the map knows it
    // needs it; the desktop may turn dark before the first frame.
    const auto landShown = [](const QImage& frame, bool dark) {
        int land = 0;
        for (int y = 0; y < frame.height(); y += 7)
            for (int x = 0; x < frame.width(); x += 7)
                land += frame.pixel(x, y) == MapPlaceholder::landColor(dark).rgb();
        return land;
    };
    for (const bool turnsDark : {false, true}) {
        SCOPED_TRACE(turnsDark ? "turns dark before the first frame" : "stays light");
        kit::Brand::setCurrent(kit::Brand::resolve(AppearanceState{}, QPalette()));
        MapWidget map{QString()};
        map.resize(400, 300);
        map.setTileSource({});
        if (turnsDark) {
            AppearanceState dark;
            dark.dark = true;
            kit::Brand::setCurrent(kit::Brand::resolve(dark, QPalette()));
        }
        const QImage frame = map.grab().toImage();
        EXPECT_GT(landShown(frame, turnsDark), 100);
        EXPECT_EQ(landShown(frame, !turnsDark), 0);
    }
    kit::Brand::setCurrent(kit::Brand::resolve(AppearanceState{}, QPalette()));
}

TEST(MapWidgetBeacon, PulsesOnlyWhileShownOnScreenWithMotionAllowed)
{
    struct Case {
        const char* name;
        bool beacon;
        bool reducedMotion;
        bool shown;
        RouteMapPresentation::Coordinate where;
        bool pulsing;
    };
    const Case cases[] = {
        {"beacon in view", true, false, true, {0, 0}, true},
        {"reduced motion", true, true, true, {0, 0}, false},
        {"hidden", true, false, false, {0, 0}, false},
        {"no beacon", false, false, true, {0, 0}, false},
        {"beacon out of view", true, false, true, {60, 90}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The desktop's reduced-motion setting reaches the map through the kit's colours.
        AppearanceState appearance;
        appearance.reducedMotion = c.reducedMotion;
        kit::Brand::setCurrent(kit::Brand::resolve(appearance, QPalette()));
        MapWidget map{QString()};
        map.resize(400, 300);
        map.setTileSource({});
        map.setCamera({{0, 0}, 8});
        if (c.beacon)
            map.setBeacon(c.where);
        if (c.shown) {
            map.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&map));
        }
        EXPECT_EQ(map.isPulsing(), c.pulsing);
        // A camera that is not finite is refused and changes nothing.
        const MapCamera before = map.camera();
        map.setCamera({{std::nan(""), 0}, 8});
        map.setCamera({{0, 0}, std::numeric_limits<double>::infinity()});
        map.showRegion({{0, std::nan("")}, 1, 1});
        EXPECT_EQ(map.camera(), before);
        // Panning the beacon into view starts the pulse; hiding stops it.
        if (c.beacon && !c.reducedMotion && c.shown) {
            map.setCamera({c.where, 8});
            EXPECT_TRUE(map.isPulsing());
            map.hide();
            EXPECT_FALSE(map.isPulsing());
        }
    }
}

} // namespace
} // namespace ostrevin
