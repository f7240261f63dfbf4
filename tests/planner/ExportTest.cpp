#include "PlannerFixture.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <csignal>
#include <sys/resource.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

using A = PlannerTestAccess;

struct Gpx {
    QString version;
    QString namespaceUri;
    QList<QPair<double, double>> waypoints;
};

Gpx parse(const QByteArray& bytes)
{
    Gpx gpx;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"gpx") {
            gpx.version = xml.attributes().value(QStringLiteral("version")).toString();
            gpx.namespaceUri = xml.namespaceUri().toString();
        } else if (xml.name() == u"wpt") {
            const QXmlStreamAttributes attributes = xml.attributes();
            gpx.waypoints.append(qMakePair(attributes.value(QStringLiteral("lat")).toDouble(),
                                           attributes.value(QStringLiteral("lon")).toDouble()));
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return gpx;
}

class ExportTest : public PlannerFixture {};

TEST(SanitizedFileName, EachForbiddenCharacterBecomesOneHyphen)
{
    const QList<QPair<QString, QString>> cases{
        {QStringLiteral("A/B: C?*"), QStringLiteral("A-B- C--")},
        {QStringLiteral("a::b"), QStringLiteral("a--b")},
        {QStringLiteral("/ "), QStringLiteral("-")},
        {QStringLiteral("   "), QStringLiteral("Route")},
        {QStringLiteral("\\%|\"<>"), QStringLiteral("------")},
        {QStringLiteral("\n Trip to Brno \t"), QStringLiteral("Trip to Brno")},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(LocationPlannerViewModel::sanitizedFileName(name), expected) << name.toStdString();
}

TEST_F(ExportTest, TheDraftIsWrittenAsGpxAndRecordedAsExported)
{
    const QString target = dir.file(QStringLiteral("Trip.gpx"));
    ASSERT_TRUE(writeFile(target, "an older export that is much longer than nothing"));
    LocationPlannerViewModel& model = build();
    model.setRouteName(QStringLiteral("Trip: Prague/Brno"));
    const QList<RoutePoint> points{makePoint(QStringLiteral("Prague"), 50.0875, 14.4213),
                                   makePoint(QStringLiteral("Brno"), 49.1951, 16.6068)};
    A::setPoints(model, points);
    dialogs.choose(target);
    const QFuture<void> exported = model.exportGPX();
    // The draft may change while the dialog is open; the export keeps what was asked for.
    A::setPoints(model, {points.first()});
    ASSERT_TRUE(waitFor(exported));

    ASSERT_EQ(dialogs.requests().size(), 1);
    EXPECT_EQ(dialogs.requests().first().title, QStringLiteral("Export GPX"));
    EXPECT_EQ(dialogs.requests().first().suggestedName, QStringLiteral("Trip- Prague-Brno.gpx"));
    const Gpx gpx = parse(readFile(target));
    EXPECT_EQ(gpx.version, QStringLiteral("1.1"));
    EXPECT_EQ(gpx.namespaceUri, QStringLiteral("http://www.topografix.com/GPX/1/1"));
    ASSERT_EQ(gpx.waypoints.size(), 2);
    for (qsizetype i = 0; i < 2; ++i) {
        EXPECT_NEAR(gpx.waypoints[i].first, points[i].latitude, 1e-6);
        EXPECT_NEAR(gpx.waypoints[i].second, points[i].longitude, 1e-6);
    }
    EXPECT_EQ(model.notice(), QStringLiteral("The GPX file is saved.\n\n") + target);
    ASSERT_EQ(model.history().size(), 1);
    EXPECT_EQ(model.history().first().points, points);
    EXPECT_EQ(model.history().first().title, QStringLiteral("Trip: Prague/Brno"));

    // Nothing to export: the user is told, and no dialog opens.
    A::setPoints(model, {});
    ASSERT_TRUE(waitFor(model.exportGPX()));
    EXPECT_EQ(model.notice(), QStringLiteral("Add at least one point first."));
    EXPECT_EQ(dialogs.requests().size(), 1);
}

TEST_F(ExportTest, AFailedOverwriteKeepsTheEarlierFileByteForByte)
{
    const QString target = dir.file(QStringLiteral("Trip.gpx"));
    const QByteArray earlier = "<gpx>an earlier export</gpx>\n";
    ASSERT_TRUE(writeFile(target, earlier));
    LocationPlannerViewModel& model = build();
    A::setPoints(model, {makePoint(QStringLiteral("Prague"), 50.0875, 14.4213)});
    dialogs.choose(target);

    // A file-size limit below the new text plays a disk that fills up mid-write.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool finished = waitFor(model.exportGPX());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_TRUE(finished);
    EXPECT_EQ(readFile(target), earlier);
    ASSERT_TRUE(model.notice().has_value());
    EXPECT_TRUE(model.notice()->startsWith(QStringLiteral("The file “Trip.gpx” couldn’t be saved: ")))
        << model.notice()->toStdString();
    EXPECT_TRUE(model.history().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("Trip.gpx*")}, QDir::Files), QStringList{QStringLiteral("Trip.gpx")});
}

} // namespace
