#include "app/SettingsWindowOpener.h"
#include "planner/PlannerFixture.h"
#include "runtime/RuntimeInstaller.h"


using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

class SettingsWindowOpenerTest : public PlannerFixture {};

TEST_F(SettingsWindowOpenerTest, OneWindowWhileOpenAndAFreshOneOnGeneralAfterClosing)
{
    build();
    RuntimeInstaller::Configuration configuration;
    configuration.runtimeDirectory = dir.file(u"Runtime"_s);
    RuntimeInstaller runtime(configuration);
    QWidget owner;
    auto* opener = new SettingsWindowOpener({*vm, runtime, *settings, [] {}, {}, u"system"_s}, &owner);

    opener->open();
    QPointer<SettingsWindow> first = opener->window();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    first->setCurrentTab(SettingsTab::advanced);
    opener->open();
    EXPECT_EQ(opener->window(), first.data());
    EXPECT_EQ(first->currentTab(), SettingsTab::advanced);

    first->close();
    ASSERT_TRUE(eventually([&] { return first.isNull(); }));
    opener->open();
    ASSERT_NE(opener->window(), nullptr);
    EXPECT_EQ(opener->window()->currentTab(), SettingsTab::general);
}

} // namespace
