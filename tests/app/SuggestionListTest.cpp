#include "ShellFixture.h"
#include "app/MainWindowView.h"
#include "planner/MainWindowState.h"
#include "views/kit/DisclosureGroup.h"
#include "views/place/PlaceSearchField.h"
#include "views/place/PlaceSuggestionList.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

/// The search fields of the real window, used with the mouse and keyboard as a user would.
class SuggestionListTest : public ShellFixture {
protected:
    PlaceSearchField* field(const char* name) const
    {
        return window->findChild<PlaceSearchField*>(QString::fromLatin1(name));
    }

    /// Clicks into the field, types and waits for the list.
    PlaceSuggestionList* typeInto(PlaceSearchField* searchField, const char* text)
    {
        // Scrolled into view first, as the user would.
        QScrollArea* scroll = nullptr;
        for (QWidget* up = searchField; up && !scroll; up = up->parentWidget())
            scroll = qobject_cast<QScrollArea*>(up);
        const auto inView = [&] {
            scroll->ensureWidgetVisible(searchField);
            const QRect field(searchField->mapTo(scroll->viewport(), QPoint()), searchField->size());
            return scroll->viewport()->rect().contains(field);
        };
        if (scroll && !QTest::qWaitFor(inView, 2000)) {
            ADD_FAILURE() << "the field cannot be scrolled into view";
            return nullptr;
        }
        QTest::mouseClick(searchField->lineEdit(), Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return searchField->lineEdit()->hasFocus(); }, 2000)) {
            ADD_FAILURE() << "a click does not focus the field";
            return nullptr;
        }
        QTest::keyClick(searchField->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(searchField->lineEdit(), QString::fromUtf8(text));
        auto* list = searchField->findChild<PlaceSuggestionList*>();
        if (!QTest::qWaitFor([&] { return list->isVisible() && list->suggestionCount() > 0; }, 2000)) {
            ADD_FAILURE() << "no suggestions for " << text << " in " << searchField->text().toStdString();
            return nullptr;
        }
        return list;
    }
};

} // namespace

TEST_F(SuggestionListTest, ClickingASuggestionPicksItInEverySearchField)
{
    build();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    struct Case {
        const char* name;
        AppSection section;
        const char* field;
        int row;
        const char* title;
        std::function<QString(LocationPlannerViewModel&)> picked;
    };
    const auto name = [](const std::optional<RoutePoint>& point) { return point ? point->name : QString(); };
    const Case cases[] = {
        {"place search", AppSection::place, "placeSearchField", 1, "Mailand",
         [&](LocationPlannerViewModel& m) { return name(m.draft().selectedPoint()); }},
        {"route start", AppSection::route, "startField", 1, "Mailand",
         [&](LocationPlannerViewModel& m) { return name(m.draft().routeStartPoint()); }},
        {"route destination", AppSection::route, "destinationField", 2, "Maidstone",
         [&](LocationPlannerViewModel& m) { return name(m.draft().routeDestinationPoint()); }},
        {"add point", AppSection::route, "addPointField", 0, "Mainz",
         [&](LocationPlannerViewModel& m) {
             return m.draft().points().isEmpty() ? QString() : m.draft().points().last().name;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vm->windowState().setSection(c.section);
        if (QString::fromLatin1(c.field) == u"addPointField") {
            // Both ends plan a route, which has no directions service here: its notice goes first.
            ASSERT_TRUE(QTest::qWaitFor([&] { return !vm->isPlanningAddressRoute(); }, 10000));
            vm->setNotice(std::nullopt);
            // The window manager's part: the window is active again once its alert is gone.
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
            SavedRoute route;
            route.name = QStringLiteral("Trip");
            route.points = {makePoint(QStringLiteral("A"), 50, 14), makePoint(QStringLiteral("B"), 50.1, 14.1)};
            vm->loadSavedRoute(route);
        }
        PlaceSearchField* searchField = nullptr;
        // A route block rebuilt for the new draft leaves its old fields until they are deleted.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const auto found = window->findChildren<PlaceSearchField*>(QString::fromLatin1(c.field));
                searchField = found.size() == 1 ? found.first() : nullptr;
                return searchField && searchField->isEnabled();
            },
            10000));
        // Add point sits in the folded "Route points" group: open it as a user would.
        kit::DisclosureGroup* group = nullptr;
        for (QWidget* up = searchField; up && !group; up = up->parentWidget())
            group = qobject_cast<kit::DisclosureGroup*>(up);
        if (group) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return group->isVisible(); }, 2000));
            QTest::mouseClick(group->header(), Qt::LeftButton);
        }
        ASSERT_TRUE(searchField->isVisible());
        PlaceSuggestionList* list = typeInto(searchField, "Ma");
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->suggestionCount(), 3);

        // The press leaves the typing where it is; only the release picks.
        const QPoint row = list->rowRect(c.row).center();
        QTest::mousePress(list, Qt::LeftButton, {}, row);
        EXPECT_TRUE(searchField->lineEdit()->hasFocus());
        EXPECT_TRUE(list->isVisible());
        EXPECT_EQ(searchField->text(), QStringLiteral("Ma"));
        QTest::mouseRelease(list, Qt::LeftButton, {}, row);
        EXPECT_TRUE(QTest::qWaitFor([&] { return c.picked(*vm) == QString::fromLatin1(c.title); }, 2000))
            << c.picked(*vm).toStdString();
        EXPECT_FALSE(list->isVisible());
    }
}

TEST_F(SuggestionListTest, EachSuggestionIsAnAccessibleItemThatCanBePressed)
{
    build();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    PlaceSearchField* searchField = field("placeSearchField");
    ASSERT_NE(searchField, nullptr);
    PlaceSuggestionList* list = typeInto(searchField, "Mai");
    ASSERT_NE(list, nullptr);

    QAccessibleInterface* listItem = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(listItem, nullptr);
    EXPECT_EQ(listItem->role(), QAccessible::List);
    EXPECT_EQ(listItem->text(QAccessible::Name), QStringLiteral("Suggestions"));
    ASSERT_EQ(listItem->childCount(), 3);
    const char* titles[] = {"Mainz", "Mailand", "Maidstone"};
    const char* subtitles[] = {"Germany", "Italy", "England"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(titles[i]);
        QAccessibleInterface* row = listItem->child(i);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->role(), QAccessible::ListItem);
        EXPECT_EQ(row->text(QAccessible::Name), QString::fromLatin1(titles[i]));
        EXPECT_EQ(row->text(QAccessible::Description), QString::fromLatin1(subtitles[i]));
        EXPECT_EQ(row->state().selected, i == 0);
        EXPECT_EQ(row->parent(), listItem);
        EXPECT_EQ(listItem->indexOfChild(row), i);
        EXPECT_EQ(listItem->childAt(row->rect().center().x(), row->rect().center().y()), row);
    }

    // The highlight moved by the keyboard is the selected item.
    QTest::keyClick(searchField->lineEdit(), Qt::Key_Down);
    EXPECT_TRUE(listItem->child(1)->state().selected);
    EXPECT_FALSE(listItem->child(0)->state().selected);

    // Narrowing the list leaves fewer items, and pressing one picks it.
    QTest::keyClicks(searchField->lineEdit(), QStringLiteral("d"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return listItem->childCount() == 1; }, 2000));
    QAccessibleInterface* row = listItem->child(0);
    EXPECT_EQ(row->text(QAccessible::Name), QStringLiteral("Maidstone"));
    QAccessibleActionInterface* actions = row->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return vm->draft().selectedPoint() && vm->draft().selectedPoint()->name == QStringLiteral("Maidstone"); },
        2000));
}
