#include "views/kit/KeyedRows.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace ostrevin::kit;
using namespace Qt::StringLiterals;

namespace {

struct Entry {
    QUuid id;
    QString text;

    bool operator==(const Entry&) const = default;
};

/// A list box with a header line above the rows, as the event log has.
class KeyedRowsTest : public ::testing::Test {
protected:
    KeyedRowsTest() : column(new QVBoxLayout(&box))
    {
        column->addWidget(new QLabel(QStringLiteral("header")));
        column->addStretch(1);
        rows = std::make_unique<KeyedRows<Entry, QLabel>>(*column, 1);
    }

    void show(const QList<Entry>& entries)
    {
        rows->sync(
            entries,
            [this](const Entry& entry, qsizetype) {
                ++made;
                return new QLabel(entry.text);
            },
            [this](QLabel& row, const Entry& entry, qsizetype) {
                ++updated;
                row.setText(entry.text);
            });
    }

    /// The texts of the rows in the layout's order, between the header and the stretch.
    QStringList shown() const
    {
        QStringList texts;
        for (int i = 1; i < column->count() - 1; ++i)
            texts << static_cast<QLabel*>(column->itemAt(i)->widget())->text();
        return texts;
    }

    const Entry a{QUuid::createUuid(), QStringLiteral("a")};
    const Entry b{QUuid::createUuid(), QStringLiteral("b")};
    const Entry c{QUuid::createUuid(), QStringLiteral("c")};
    QWidget box;
    QVBoxLayout* column;
    std::unique_ptr<KeyedRows<Entry, QLabel>> rows;
    int made = 0;
    int updated = 0;
};

TEST_F(KeyedRowsTest, RowsAreKeptByIdMadeForNewItemsAndRetiredForGoneOnes)
{
    show({a, b, c});
    const QList<QLabel*> first = rows->rows();
    ASSERT_EQ(made, 3);

    struct Case {
        const char* name;
        QList<Entry> items;
        QStringList shown;
        int made;
        int updated;
    };
    const Entry renamed{b.id, QStringLiteral("b2")};
    const Entry d{QUuid::createUuid(), QStringLiteral("d")};
    const QList<Case> cases{
        {"same list", {a, b, c}, {u"a"_s, u"b"_s, u"c"_s}, 0, 0},
        {"reordered", {c, a, b}, {u"c"_s, u"a"_s, u"b"_s}, 0, 0},
        {"one changed", {c, a, renamed}, {u"c"_s, u"a"_s, u"b2"_s}, 0, 1},
        {"one new on top", {d, c, a, renamed}, {u"d"_s, u"c"_s, u"a"_s, u"b2"_s}, 1, 0},
        {"two gone", {d, renamed}, {u"d"_s, u"b2"_s}, 0, 0},
        {"none", {}, {}, 0, 0},
    };
    for (const Case& step : cases) {
        SCOPED_TRACE(step.name);
        made = updated = 0;
        show(step.items);
        EXPECT_EQ(shown(), step.shown);
        EXPECT_EQ(made, step.made);
        EXPECT_EQ(updated, step.updated);
        EXPECT_EQ(rows->size(), step.items.size());
        // The rows listed are the layout's, and each shows the item it is asked about.
        for (QLabel* row : rows->rows())
            EXPECT_EQ(rows->itemOf(row)->text, row->text());
    }
    // Rows of gone items leave the box and the list at once.
    EXPECT_EQ(box.findChildren<QLabel*>().size(), 1) << "only the header: gone rows leave the box at once";
    EXPECT_EQ(rows->itemOf(first.at(0)), nullptr);
}

TEST_F(KeyedRowsTest, AnIdListedTwiceGetsTwoRowsAndAShownIndexRewritesMovedRows)
{
    show({a, a, b});
    EXPECT_EQ(shown(), (QStringList{u"a"_s, u"a"_s, u"b"_s}));
    const QList<QLabel*> before = rows->rows();
    show({a, b, a});
    EXPECT_EQ(rows->rows(), (QList<QLabel*>{before.at(0), before.at(2), before.at(1)}));

    // A list whose rows show their number rewrites the rows that moved, only those.
    KeyedRows<Entry, QLabel> numbered(*column, 1, KeyedRows<Entry, QLabel>::Index::shown);
    rows->clear();
    const auto number = [](QLabel& row, const Entry& entry, qsizetype index) {
        row.setText(QString::number(index + 1) + entry.text);
    };
    const auto make = [&number](const Entry& entry, qsizetype index) {
        auto* row = new QLabel;
        number(*row, entry, index);
        return row;
    };
    numbered.sync({a, b, c}, make, number);
    QLabel* firstRow = numbered.rows().first();
    numbered.sync({a, c, b}, make, number);
    EXPECT_EQ(shown(), (QStringList{u"1a"_s, u"2c"_s, u"3b"_s}));
    EXPECT_EQ(numbered.rows().first(), firstRow);
}

TEST_F(KeyedRowsTest, AKeptRowKeepsTheFocusAndTabFollowsTheNewOrder)
{
    const auto make = [](const Entry& entry, qsizetype) {
        auto* row = new QLabel(entry.text);
        row->setFocusPolicy(Qt::StrongFocus);
        return row;
    };
    const auto sync = [&](const QList<Entry>& items) { rows->sync(items, make); };
    sync({a, b, c});
    box.show();
    QApplication::setActiveWindow(&box);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QLabel* third = rows->rows().at(2);
    third->setFocus(Qt::TabFocusReason);

    sync({c, a, b});
    EXPECT_EQ(QApplication::focusWidget(), third);
    QTest::keyClick(third, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), rows->rows().at(1)) << "after the first row comes the second";

    // A row retired while it has the focus gives it up, and is deleted once events run.
    QPointer<QLabel> gone = rows->rows().at(1);
    sync({c, b});
    EXPECT_NE(QApplication::focusWidget(), gone.data());
    QTRY_VERIFY_WITH_TIMEOUT(gone.isNull(), 5000);
}

} // namespace
