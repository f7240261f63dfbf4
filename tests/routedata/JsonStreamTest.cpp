#include "routedata/JsonListCodec.h"
#include "routedata/RouteHistoryItem.h"
#include "routedata/SavedRoute.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

// The reading every file had before the direct one: through a QJsonDocument.
template <typename T> std::variant<QList<T>, QString> documentReading(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return QStringLiteral("not a list");
    try {
        return JsonReader::elements<T>(doc.array(), u"entry");
    } catch (const JsonCodingError& e) {
        return e.description();
    }
}

template <typename T> std::variant<QList<T>, QString> codecReading(const QByteArray& bytes)
{
    try {
        return JsonListCodec::decode<T>(bytes);
    } catch (const JsonCodingError& e) {
        return e.description().contains(u"valid JSON") || e.description().contains(u"hold a list")
                   ? QStringLiteral("not a list")
                   : e.description();
    }
}

QByteArray route(const char* point, const char* rest = R"("speedKmh": 30)")
{
    return QByteArray(R"([{"createdAt": "2026-03-14T09:26:53Z", "id": "6f1c2d0e-8b3a-4c55-9e21-0a1b2c3d4e5f",)") +
           R"( "name": "Plzeň", "points": [)" + point + "], " + rest + "}]";
}

} // namespace

// Whatever the direct reading takes or leaves to the document, the lists and the
// errors are the ones the document reading gives.
TEST(JsonStream, ReadsExactlyWhatTheDocumentReads)
{
    const char* plainPoint = R"({"id": "11111111-2222-3333-4444-555555555555", "latitude": 50.1, "longitude": 14.4,)"
                             R"( "name": "Start"})";
    struct Case {
        QByteArray bytes;
        bool direct; // read without the document
    } cases[] = {
        {route(plainPoint), true},
        {route(plainPoint, R"("speedKmh": -7, "speedProfile": null, "transportMode": "bus")"), true},
        {route(
             R"({"id": "11111111-2222-3333-4444-555555555555", "latitude": 4.9e1, "longitude": -1E-3, "name": "ž😀"})"),
         true},
        {"\n[ ]\r\n", true},
        // Left to the document.
        {route(R"({"id": "11111111-2222-3333-4444-555555555555", "latitude": 1, "longitude": 2, "name": "a\"b"})"),
         false},
        {route(R"({"id": "11111111-2222-3333-4444-555555555555", "latitude": -0, "longitude": 0.0, "name": ""})"),
         false},
        {route(R"({"id": "11111111-2222-3333-4444-555555555555", "latitude": 1e-400, "longitude": 1, "name": ""})"),
         false},
        {route(R"({"id": "11111111-2222-3333-4444-555555555555", "latitude": 1e400, "longitude": 1, "name": ""})"),
         false},
        {route(R"({"id": "11111111-2222-3333-4444-555555555555", "latitude": 1, "longitude": 2, "name": "\ud83d"})"),
         false},
        {route(plainPoint, R"("speedKmh": 30, "speedKmh": 40)"), false},
        {route(plainPoint, R"("speedKmh": 30, "extra": [1, {"a": null}])"), false},
        {route(plainPoint, R"("speedKmh": 1.)"), false},
        {route(plainPoint, R"("speedKmh": 012)"), false},
        {"\xEF\xBB\xBF" + route(plainPoint), false},
        {route(plainPoint) + "x", false},
        {route(plainPoint).replace("Plze\xC5\x88", "Plze\xC5"), false},
        {route(plainPoint).replace("Plze\xC5\x88", "Plze\xC0\x80"), false},
        // Errors.
        {route(plainPoint, R"("speedKmh": "30")"), false},
        {route(plainPoint, R"("speedProfile": "normal")"), false},
        {route(plainPoint, R"("speedKmh": 30, "transportMode": "boat")"), false},
        {route(R"({"id": "{11111111-2222-3333-4444-555555555555}", "latitude": 1, "longitude": 2, "name": ""})"),
         false},
        {route(plainPoint).replace("09:26:53Z", "09:26:53.5Z"), false},
        {route(plainPoint).chopped(1), false},
        {R"({"not": "a list"})", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        JsonStream in(c.bytes);
        const std::optional<QList<SavedRoute>> direct = in.list<SavedRoute>();
        EXPECT_EQ(direct.has_value() && in.atEnd(), c.direct);
        EXPECT_EQ(codecReading<SavedRoute>(c.bytes), documentReading<SavedRoute>(c.bytes));
        EXPECT_EQ(codecReading<RouteHistoryItem>(c.bytes), documentReading<RouteHistoryItem>(c.bytes));
    }
}

TEST(JsonStream, WrittenListsReadBackDirectly)
{
    const QList<SavedRoute> routes{
        SavedRoute{.name = QStringLiteral("Plzeň – Praha"),
                   .createdAt = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC),
                   .speedKmh = 0.1 + 0.2,
                   .points = {RoutePoint{.name = QStringLiteral("A"), .latitude = 49.7384, .longitude = -1e-7},
                              RoutePoint{.name = QStringLiteral("B"), .latitude = 5e-324, .longitude = 180}}},
    };
    const QByteArray bytes = JsonListCodec::encode(routes);
    JsonStream in(bytes);
    const std::optional<QList<SavedRoute>> direct = in.list<SavedRoute>();
    // The subnormal latitude is left to the document; the rest reads directly.
    EXPECT_FALSE(direct.has_value());
    EXPECT_EQ(JsonListCodec::decode<SavedRoute>(bytes), routes);
    QList<SavedRoute> plain = routes;
    plain[0].points[1].latitude = 50;
    const QByteArray plainBytes = JsonListCodec::encode(plain);
    JsonStream plainIn(plainBytes);
    EXPECT_EQ(plainIn.list<SavedRoute>(), plain);
    const QList<RouteHistoryItem> history{
        RouteHistoryItem{.title = QStringLiteral("Trip"), .createdAt = plain[0].createdAt, .points = plain[0].points}};
    const QByteArray historyBytes = JsonListCodec::encode(history);
    JsonStream historyIn(historyBytes);
    EXPECT_EQ(historyIn.list<RouteHistoryItem>(), history);
}
