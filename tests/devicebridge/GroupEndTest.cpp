#include "DriveFixture.h"
#include "support/Eventually.h"
#include "support/FakeTool.h"

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

/// A tool whose leader obeys SIGTERM and sleeps, beside a grandchild that ignores
/// SIGTERM and holds none of our pipes: only a group SIGKILL ends that one.
class GroupEnd : public DriveTest {
protected:
    GroupEnd() : stubborn(dir.path(), QStringLiteral("stubborn-helper"))
    {
        stubborn.writesPidFile().leavesDetachedGrandchild(60, true).sleeps(60).write();
    }

    bool groupIsGone() const
    {
        return eventually([&] { return liveProcessesInGroup(*stubborn.recordedPid()).isEmpty(); });
    }

    FakeTool stubborn;
};

} // namespace

TEST_F(GroupEnd, ATimedOutRunLeavesNoMemberThatIgnoresSigterm)
{
    ProcessCancellationState cancellation;
    EXPECT_THROW(controller->executeLocked(QUrl::fromLocalFile(stubborn.path()), {}, 0.5, QUuid::createUuid(),
                                           cancellation, DeviceLocationController::ProcessTracking::asActiveProcess),
                 DeviceLocationError);
    ASSERT_TRUE(stubborn.recordedPid() && stubborn.recordedGrandchildPid());
    EXPECT_TRUE(groupIsGone());
}

TEST_F(GroupEnd, StoppingTheHeldProcessLeavesNoMemberThatIgnoresSigterm)
{
    LocationHelper helper = pyHelper();
    helper.executableURL = QUrl::fromLocalFile(stubborn.path());
    EXPECT_EQ(controller->setLocationSync(point(50.08, 14.42), helper), QStringLiteral("Simulated location is set."));
    ASSERT_TRUE(eventually([&] { return stubborn.recordedPid() && stubborn.recordedGrandchildPid(); }));
    controller->stopPersistentLocationProcess();
    EXPECT_TRUE(groupIsGone());
}
