#include "app/SettingsWindowOpener.h"

#include "ShellFixture.h"
#include "app/AppCommands.h"
#include "app/MainWindowView.h"
#include "views/kit/KitLabel.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

class SettingsWindowOpenerTest : public ShellFixture {};

TEST_F(SettingsWindowOpenerTest, TheMenuAndTheToolbarLinkOpenOneWindowAndAClosedOneOpensAgainOnGeneral)
{
    build();
    ASSERT_NE(window->content(), nullptr);
    auto* opener = new SettingsWindowOpener({*vm, *runtime, *settings, [] {}, {}, u"system"_s}, *window);

    window->commands()->action(u"settings"_s)->trigger();
    QPointer<SettingsWindow> first = opener->window();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->currentTab(), SettingsTab::general);
    first->setCurrentTab(SettingsTab::advanced);
    window->content()->settingsLink()->trigger();
    EXPECT_EQ(opener->window(), first.data());
    EXPECT_EQ(first->currentTab(), SettingsTab::advanced);
    // The installed runtime's version stands under the add-on component.
    const auto labels = first->findChildren<kit::KitLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](kit::KitLabel* label) {
        return label->text().startsWith(u"Installed version: "_s) && !label->isHidden();
    }));

    first->close();
    ASSERT_TRUE(eventually([&] { return first.isNull(); }));
    window->commands()->action(u"settings"_s)->trigger();
    ASSERT_NE(opener->window(), nullptr);
    EXPECT_EQ(opener->window()->currentTab(), SettingsTab::general);
}

TEST_F(SettingsWindowOpenerTest, CtrlQInTheSettingsWindowQuitsAsTheMenuDoes)
{
    build();
    auto* opener = new SettingsWindowOpener({*vm, *runtime, *settings, [] {}, {}, u"system"_s}, *window);
    window->commands()->action(u"settings"_s)->trigger();
    SettingsWindow* settingsWindow = opener->window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(settingsWindow));
    QSignalSpy quit(window.get(), &MainWindow::quitRequested);
    QTest::keyClick(settingsWindow, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1);
}

} // namespace
