#include "views/kit/AdaptiveRow.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/FlowLayout.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace ostrevin::kit;

namespace {

QWidget* box(int width, int height)
{
    auto* widget = new QWidget;
    widget->setFixedSize(width, height);
    return widget;
}

} // namespace

TEST(FlowLayout, WrapsItsItemsAndGrowsTallerAsItNarrows)
{
    // Three chips of 60 × 20, 6 apart: 192 wide on one line.
    struct Case {
        int width;
        int height;
        int lines;
    };
    const Case cases[] = {{400, 20, 1}, {192, 20, 1}, {191, 46, 2}, {126, 46, 2}, {125, 72, 3}, {30, 72, 3}};
    QWidget grid;
    auto* flow = new FlowLayout(&grid);
    for (int i = 0; i < 3; ++i)
        flow->addWidget(box(60, 20));
    grid.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(flow->heightForWidth(c.width), c.height);
        flow->setGeometry(QRect(0, 0, c.width, c.height));
        QSet<int> tops;
        for (int i = 0; i < flow->count(); ++i) {
            const QRect placed = flow->itemAt(i)->geometry();
            tops << placed.top();
            EXPECT_LE(placed.right(), qMax(c.width, 60) - 1) << "item " << i << " sticks out";
        }
        EXPECT_EQ(tops.size(), c.lines);
    }
}

TEST(AdaptiveRow, PutsTheGroupsOnTwoLinesOnlyWhenOneIsTooNarrow)
{
    AdaptiveRow row(box(200, 30), box(100, 24), nullptr, 8);
    struct Case {
        int width;
        bool stacked;
        int height;
    };
    const Case cases[] = {{400, false, 30}, {308, false, 30}, {307, true, 62}, {150, true, 62}};
    row.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(row.stacksAt(c.width), c.stacked);
        EXPECT_EQ(row.heightForWidth(c.width), c.height);
        row.resize(c.width, c.height);
        const auto children = row.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_EQ(children.size(), 2);
        EXPECT_EQ(children[1]->y() > children[0]->geometry().bottom(), c.stacked);
    }
    // A row held narrower than its column measures itself at its own width.
    row.setMaximumWidth(150);
    EXPECT_EQ(row.heightForWidth(400), 62);
}

TEST(DisclosureGroup, FoldsItsContentUnderTheHeader)
{
    auto* content = new QWidget;
    DisclosureGroup group(QStringLiteral("Directions"), content);
    group.show();
    QSignalSpy changed(&group, &DisclosureGroup::expandedChanged);
    EXPECT_FALSE(content->isVisible());
    QTest::mouseClick(group.header(), Qt::LeftButton);
    EXPECT_TRUE(content->isVisible());
    group.setExpanded(true);
    EXPECT_EQ(changed.size(), 1) << "no signal without a change";
    QTest::mouseClick(group.header(), Qt::LeftButton);
    EXPECT_FALSE(content->isVisible());
    EXPECT_EQ(changed.size(), 2);
}
