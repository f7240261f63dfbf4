#include "PlannerFixture.h"
#include "planner/PlannerTexts.h"
#include "platform/AppTranslation.h"
#include "routedata/TovrelFormat.h"

#include <QCoreApplication>
#include <QTranslator>
#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class StatusTextsTest : public PlannerFixture {};

using A = PlannerTestAccess;

TEST_F(StatusTextsTest, HeadlineAndDetailFollowTheFirstMatchingState)
{
    const RoutePoint held = makePoint(QStringLiteral("Old Town"), 50.087, 14.421);
    LocationHelperStatus connected;
    connected.helper = LocationHelper{};
    connected.isDeviceConnected = true;
    LocationHelperStatus unplugged;
    unplugged.helper = LocationHelper{};

    struct Case {
        const char* name;
        std::function<void(LocationPlannerViewModel&)> arrange;
        QString headline;
        QString detail;
    };
    const QList<Case> cases{
        {"route plays",
         [](auto& m) {
             m.setRouteName(QStringLiteral("Evening ride"));
             A::setRouteRunning(m, true);
             A::setResetPending(m, true);
         },
         QStringLiteral("Route is playing"), QStringLiteral("Evening ride")},
        {"reset pending", [](auto& m) { A::setResetPending(m, true); }, QStringLiteral("Location reset isn’t finished"),
         QStringLiteral("Connect iPhone to finish the reset.")},
        // Beside a Ready or Needs setup pill, "Connect iPhone" would send the user looking for a cable.
        {"reset pending, iPhone connected",
         [&](auto& m) {
             A::setResetPending(m, true);
             A::setHelperStatus(m, connected);
         },
         QStringLiteral("Location reset isn’t finished"), QStringLiteral("Click Finish reset.")},
        // Finish reset can't be clicked while it runs, nor while another device operation does.
        {"reset running, iPhone connected",
         [&](auto& m) {
             A::setResetPending(m, true);
             A::setHelperStatus(m, connected);
             A::setSafetyState(m, LocationSimulationSafetyState::resetting());
             A::setDeviceBusy(m, true);
         },
         QStringLiteral("Location reset isn’t finished"), QStringLiteral("Resetting location…")},
        {"reset pending, iPhone connected, Prepare iPhone running",
         [&](auto& m) {
             A::setResetPending(m, true);
             A::setHelperStatus(m, connected);
             A::setDeviceBusy(m, true);
         },
         QStringLiteral("Location reset isn’t finished"), QStringLiteral("Communicating with iPhone…")},
        {"confirmed, failures but no error text",
         [&](auto& m) {
             A::holdPoint(m, held, true);
             A::setLockFailureCount(m, 3);
         },
         QStringLiteral("Location is set"), QStringLiteral("Old Town · 3 interruptions")},
        {"confirmed, failures with error text",
         [&](auto& m) {
             A::holdPoint(m, held, true);
             A::setLockFailureCount(m, 3);
             A::setLastDeviceError(m, QStringLiteral("Communication with iPhone failed."));
         },
         QStringLiteral("Restoring location…"), QStringLiteral("Old Town · 3 interruptions")},
        {"confirmed, incident open",
         [&](auto& m) {
             A::holdPoint(m, held, true);
             A::setIncidentActive(m, true);
         },
         QStringLiteral("Restoring location…"), QStringLiteral("Old Town")},
        {"unconfirmed while verifying",
         [&](auto& m) {
             A::holdPoint(m, held, false);
             A::setDeviceBusy(m, true);
         },
         QStringLiteral("Verifying location…"), QStringLiteral("Old Town · waiting for iPhone to confirm")},
        {"unconfirmed, idle", [&](auto& m) { A::holdPoint(m, held, false); }, QStringLiteral("Location isn’t verified"),
         QStringLiteral("Old Town · waiting for iPhone to confirm")},
        {"checking", [](auto& m) { A::setCheckingDevice(m, true); }, QStringLiteral("Checking iPhone…"),
         QStringLiteral("Quit Ostrevin and open it again, then click Install.")},
        {"busy", [](auto& m) { A::setDeviceBusy(m, true); }, QStringLiteral("Communicating with iPhone…"),
         QStringLiteral("Quit Ostrevin and open it again, then click Install.")},
        {"ready, empty draft", [](auto& m) { A::setHelperStatus(m, readyStatus()); }, QStringLiteral("iPhone is ready"),
         QStringLiteral("Choose a place on the map.")},
        {"ready, one point",
         [](auto& m) {
             A::setHelperStatus(m, readyStatus());
             A::setPoints(m, {makePoint(QStringLiteral("A"), 1, 1)});
         },
         QStringLiteral("iPhone is ready"), QStringLiteral("Set the selected point as the iPhone’s location.")},
        {"ready, route",
         [](auto& m) {
             A::setHelperStatus(m, readyStatus());
             A::setPoints(m, {makePoint(QStringLiteral("A"), 1, 1), makePoint(QStringLiteral("B"), 2, 2)});
         },
         QStringLiteral("iPhone is ready"), QStringLiteral("Start the route, or set its destination as the location.")},
        {"no helper", [](auto&) {}, QStringLiteral("Add-on component is missing"),
         QStringLiteral("Quit Ostrevin and open it again, then click Install.")},
        {"connected, not ready", [&](auto& m) { A::setHelperStatus(m, connected); },
         QStringLiteral("iPhone isn’t ready"), QStringLiteral("Click Prepare iPhone.")},
        {"unplugged", [&](auto& m) { A::setHelperStatus(m, unplugged); }, QStringLiteral("iPhone isn’t connected"),
         QStringLiteral("Connect iPhone with a cable and unlock it.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& model = build();
        c.arrange(model);
        EXPECT_EQ(model.activeTrackerHeadline(), c.headline);
        EXPECT_EQ(model.activeTrackerDetail(), c.detail);
    }
}

TEST_F(StatusTextsTest, TimeHeldAndLastVerification)
{
    auto& model = build();
    const QDateTime now = clock.wallNow();
    const RoutePoint held = makePoint(QStringLiteral("Old Town"), 50.087, 14.421);
    EXPECT_EQ(model.trackerLastUpdateSummary(now), QStringLiteral("Not verified yet"));
    A::setLastDeviceCheck(model, now.addSecs(-30));
    EXPECT_EQ(model.trackerLastUpdateSummary(now), QStringLiteral("Verified just now"));
    A::setLastDeviceCheck(model, now.addSecs(-2 * 3600));
    EXPECT_TRUE(model.trackerLastUpdateSummary(now).startsWith(QStringLiteral("Verified ")));
    EXPECT_NE(model.trackerLastUpdateSummary(now), QStringLiteral("Verified just now"));
    // Each restore attempt checks the device, which verifies nothing of the point being restored.
    A::holdPoint(model, held, true);
    A::setIncidentActive(model, true);
    EXPECT_EQ(model.trackerLastUpdateSummary(now), QStringLiteral("Not verified yet"));
    // A refresh wins over the device check, and a future date reads as just now.
    A::setLastLockRefresh(model, now.addSecs(5));
    EXPECT_EQ(model.trackerLastUpdateSummary(now), QStringLiteral("Verified just now"));

    A::setLockStartedAt(model, now.addSecs(-59));
    A::holdPoint(model, held, false);
    EXPECT_FALSE(model.lockRuntimeSummary(now).has_value());
    A::holdPoint(model, held, true);
    EXPECT_EQ(model.lockRuntimeSummary(now), QStringLiteral("Active for less than a minute"));
    A::setLockStartedAt(model, now.addSecs(-61));
    EXPECT_EQ(model.lockRuntimeSummary(now), QStringLiteral("Active for %1").arg(TovrelFormat::duration(1)));
}

TEST_F(StatusTextsTest, CountedTextsTakeTheirPluralFormFromTheTranslation)
{
    // Any language without a translation of its own reads the English one.
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::Czech)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QTranslator* translator = installAppTranslation(locale);
        ASSERT_NE(translator, nullptr);
        auto& model = build();
        const QDateTime now = clock.wallNow();
        const RoutePoint held = makePoint(QStringLiteral("Old Town"), 50.087, 14.421);
        A::holdPoint(model, held, true);
        for (const int count : {1, 2}) {
            SCOPED_TRACE(count);
            const bool one = count == 1;
            EXPECT_EQ(PlannerTexts::pointCountText(count),
                      one ? QStringLiteral("1 point") : QStringLiteral("2 points"));
            A::setLockFailureCount(model, count);
            EXPECT_EQ(model.activeTrackerDetail(),
                      one ? QStringLiteral("Old Town · 1 interruption") : QStringLiteral("Old Town · 2 interruptions"));
            A::setLastDeviceCheck(model, now.addDays(-count));
            EXPECT_EQ(model.trackerLastUpdateSummary(now),
                      one ? QStringLiteral("Verified 1 day ago") : QStringLiteral("Verified 2 days ago"));
        }
        QCoreApplication::removeTranslator(translator);
        delete translator;
        vm.reset();
    }
}

TEST_F(StatusTextsTest, PlaybackProgressIsTruncatedNotRounded)
{
    struct Case {
        double progress;
        QString percent;
        qint64 minutesLeft;
    };
    const QList<Case> cases{
        {0.999, QStringLiteral("99"), 1}, {1.0, QStringLiteral("100"), 0}, {0.5, QStringLiteral("50"), 1}};
    auto& model = build();
    A::setRouteRunning(model, true);
    A::setCachedDuration(model, 120);
    const QLocale locale;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.progress);
        A::setRouteProgress(model, c.progress);
        EXPECT_EQ(model.routeProgressSummary(), c.percent + locale.percent() + QStringLiteral(" · ") +
                                                    TovrelFormat::duration(c.minutesLeft) + QStringLiteral(" left"));
    }
}

TEST_F(StatusTextsTest, SmallHelpers)
{
    EXPECT_EQ(PlannerTexts::transportStepTitle(PlannedRouteStep::walking | PlannedRouteStep::automobile),
              QStringLiteral("Walking"));
    EXPECT_EQ(PlannerTexts::transportStepTitle(PlannedRouteStep::automobile | PlannedRouteStep::transit),
              QStringLiteral("Driving"));
    EXPECT_EQ(PlannerTexts::transportStepTitle(PlannedRouteStep::transit), QStringLiteral("Transit"));
    EXPECT_EQ(PlannerTexts::transportStepTitle(0), QStringLiteral("Travel"));
    EXPECT_EQ(PlannerTexts::displayName(makePoint(QStringLiteral("Selected place"), 50.08, 14.42)),
              QStringLiteral("50.08000, 14.42000"));
    EXPECT_EQ(PlannerTexts::displayName(makePoint(QStringLiteral("Start"), -1.5, 100.123456)),
              QStringLiteral("-1.50000, 100.12346"));
    EXPECT_EQ(PlannerTexts::displayName(makePoint(QStringLiteral("Karlova"), 50.08, 14.42)), QStringLiteral("Karlova"));
    EXPECT_EQ(PlannerTexts::durationText(0), TovrelFormat::duration(0));
    EXPECT_EQ(PlannerTexts::durationText(61), TovrelFormat::duration(2));
    EXPECT_EQ(PlannerTexts::durationText(1), TovrelFormat::duration(1));
    EXPECT_EQ(PlannerTexts::summary(QStringLiteral("Communication with iPhone failed.\n\nCommand: x\n\nout")),
              QStringLiteral("Communication with iPhone failed."));
}

TEST_F(StatusTextsTest, DeviceIndicator)
{
    auto& model = build();
    EXPECT_EQ(model.deviceIndicatorState(), DeviceIndicatorState::working);
    A::setLastDeviceCheck(model, clock.wallNow());
    EXPECT_EQ(model.deviceIndicatorState(), DeviceIndicatorState::needsSetup);
    LocationHelperStatus unplugged;
    unplugged.helper = LocationHelper{};
    A::setHelperStatus(model, unplugged);
    EXPECT_EQ(model.deviceIndicatorState(), DeviceIndicatorState::notConnected);
    A::setHelperStatus(model, readyStatus());
    EXPECT_EQ(model.deviceIndicatorState(), DeviceIndicatorState::ready);
    const auto steps = model.deviceSetupSteps();
    ASSERT_EQ(steps.size(), 3);
    EXPECT_TRUE(steps[0].isDone && steps[1].isDone && steps[2].isDone);
    EXPECT_NE(steps[0].id, model.deviceSetupSteps()[0].id);
    A::setCheckingDevice(model, true);
    EXPECT_EQ(model.deviceIndicatorState(), DeviceIndicatorState::working);
}

} // namespace
