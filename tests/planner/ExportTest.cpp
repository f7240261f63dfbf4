#include "PlannerFixture.h"
#include "planner/PlannerTexts.h"

#include <QDir>
#include <QXmlStreamReader>
#include <csignal>
#include <sys/resource.h>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

using A = PlannerTestAccess;

class ExportTest : public PlannerFixture {};

TEST(SanitizedFileName, EachForbiddenCharacterBecomesOneHyphen)
{
    const QList<std::pair<QString, QString>> cases{
        {u"A/B: C?*"_s, u"A-B- C--"_s},
        {u"a::b"_s, u"a--b"_s},
        {u"/ "_s, u"-"_s},
        {u"   "_s, u"Route"_s},
        {u"\\%|\"<>"_s, u"------"_s},
        {u"\n Trip \t"_s, u"Trip"_s},
        // Cut to whole characters that fit 255 bytes with ".gpx": 👍🏽 is two code points, 8 bytes.
        {u"Trip to"_s + u"👍🏽"_s.repeated(40), u"Trip to"_s + u"👍🏽"_s.repeated(30)},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(PlannerTexts::sanitizedFileName(name), expected) << name.toStdString();
    EXPECT_LE((PlannerTexts::sanitizedFileName(u"ž"_s.repeated(300)) + u".gpx"_s).toUtf8().size(), 255);
}

TEST_F(ExportTest, TheDraftAsAskedForIsWrittenAsGpxAndAFailedOverwriteKeepsTheEarlierFile)
{
    const QString target = dir.file(u"Trip.gpx"_s);
    ASSERT_TRUE(writeFile(target, "an older and longer export that the new one replaces"));
    build();
    vm->setRouteName(u"Trip: Prague/Brno"_s);
    const QList<RoutePoint> points{makePoint(u"Prague"_s, 50.0875, 14.4213), makePoint(u"Brno"_s, 49.1951, 16.6068)};
    A::setPoints(*vm, points);
    dialogs.choose(target);
    const QFuture<void> exported = vm->exportGPX();
    A::setPoints(*vm, {}); // a change while the dialog is open
    ASSERT_TRUE(waitFor(exported));

    EXPECT_EQ(dialogs.requests().value(0).suggestedName, u"Trip- Prague-Brno.gpx"_s);
    const QByteArray written = readFile(target);
    QXmlStreamReader xml(written);
    QList<RoutePoint> waypoints;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"gpx") {
            EXPECT_EQ(xml.attributes().value(u"version"_s), u"1.1"_s);
            EXPECT_EQ(xml.namespaceUri(), u"http://www.topografix.com/GPX/1/1"_s);
        } else if (xml.isStartElement() && xml.name() == u"wpt") {
            waypoints << makePoint(QString(), xml.attributes().value(u"lat"_s).toDouble(),
                                   xml.attributes().value(u"lon"_s).toDouble());
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_EQ(waypoints.size(), points.size());
    for (qsizetype i = 0; i < points.size(); ++i) {
        EXPECT_NEAR(waypoints[i].latitude, points[i].latitude, 1e-6);
        EXPECT_NEAR(waypoints[i].longitude, points[i].longitude, 1e-6);
    }
    EXPECT_EQ(vm->notice(), u"The GPX file is saved.\n\n"_s + target);
    EXPECT_EQ(vm->library().history().value(0).points, points);

    // A file-size limit below the new text plays a disk that fills up mid-write.
    A::setPoints(*vm, points + points);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool finished = waitFor(vm->exportGPX());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_TRUE(finished);
    EXPECT_EQ(readFile(target), written);
    EXPECT_TRUE(vm->notice().value_or(QString()).startsWith(u"Couldn’t export the route to “Trip.gpx”: "_s));
    EXPECT_EQ(vm->library().history().size(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList({u"Trip.gpx*"_s}, QDir::Files), QStringList{u"Trip.gpx"_s});

    // A history that cannot be written is said after the saved file, not instead of it.
    ASSERT_TRUE(vm->store().waitForWrites(std::chrono::seconds(10)));
    ASSERT_TRUE(QDir(dir.file(u"data"_s)).removeRecursively());
    ASSERT_TRUE(writeFile(dir.file(u"data"_s), "not a folder"));
    ASSERT_TRUE(waitFor(vm->exportGPX()));
    ASSERT_TRUE(eventually([&] { return vm->notice().value_or(QString()).contains(u"history"_s); }));
    EXPECT_TRUE(
        vm->notice()->startsWith(u"The GPX file is saved.\n\n"_s + target + u"\n\nCouldn’t save the history: "_s));
}

} // namespace
