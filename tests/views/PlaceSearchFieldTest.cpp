#include "views/place/PlaceSearchField.h"

#include "platform/FixedPlaceSearchService.h"
#include "views/kit/ElidingLineEdit.h"
#include "views/kit/IconButton.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

PlaceCandidate city(const char* name, double latitude, double longitude)
{
    return {QString::fromUtf8(name), QString::fromUtf8(name), QStringLiteral("Europe"), latitude, longitude};
}

/// A focused field in an active window, with a second widget to move focus to.
class PlaceSearchFieldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        field.setTypingPause(std::chrono::milliseconds(0)); // the list comes once the typing's events are through
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(&field);
        layout->addWidget(&elsewhere);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        focusField();
    }

    void focusField()
    {
        field.lineEdit()->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&] { return field.lineEdit()->hasFocus(); }, 2000));
    }

    void type(const char* text)
    {
        field.lineEdit()->clear();
        QTest::keyClicks(field.lineEdit(), QString::fromUtf8(text));
        QCoreApplication::processEvents();
    }

    void press(Qt::Key key) { QTest::keyClick(field.lineEdit(), key); }

    FixedPlaceSearchService service{{city("Mainz", 50.0, 8.27), city("Mailand", 45.46, 9.19),
                                     city("Maidstone", 51.27, 0.52), city("Maia", 41.23, -8.62),
                                     city("Mainburg", 48.64, 11.78)}};
    QWidget window;
    PlaceSearchField field{service, QStringLiteral("Search")};
    QLineEdit elsewhere;
    QSignalSpy picked{&field, &PlaceSearchField::picked};
    QSignalSpy failed{&field, &PlaceSearchField::failed};
    QSignalSpy cleared{&field, &PlaceSearchField::cleared};
};

QString pickedName(const QSignalSpy& spy)
{
    return spy.isEmpty() ? QString() : spy.last().first().value<RoutePoint>().name;
}

} // namespace

TEST_F(PlaceSearchFieldTest, ArrowsMoveTheHighlightWithinTheListAndReturnPicksIt)
{
    struct Case {
        const char* name;
        QList<Qt::Key> keys;
        int highlighted;
        const char* picks;
    };
    const Case cases[] = {
        {"Return right after typing picks the first row", {}, 0, "Mainz"},
        {"Down twice", {Qt::Key_Down, Qt::Key_Down}, 2, "Maidstone"},
        {"Up on the first row stays", {Qt::Key_Up}, 0, "Mainz"},
        {"Down past the last row stays on it",
         {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down},
         4,
         "Mainburg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        focusField();
        type("Ma");
        ASSERT_TRUE(field.showsSuggestions());
        for (Qt::Key key : c.keys)
            press(key);
        EXPECT_EQ(field.highlightedIndex(), c.highlighted);
        press(Qt::Key_Return);
        EXPECT_EQ(pickedName(picked), QString::fromUtf8(c.picks));
        EXPECT_EQ(field.text(), QString()) << "a field without a value is empty after a pick";
        EXPECT_FALSE(field.lineEdit()->hasFocus());
        EXPECT_FALSE(field.showsSuggestions());
    }

    // Typing again puts the highlight back on the first row.
    focusField();
    type("Ma");
    press(Qt::Key_Down);
    QTest::keyClicks(field.lineEdit(), QStringLiteral("i"));
    EXPECT_EQ(field.highlightedIndex(), 0);
}

TEST_F(PlaceSearchFieldTest, KeysWithoutAListAndReturnOnNothingNewDoNothing)
{
    field.setValue(QStringLiteral("Prague"));
    struct Case {
        const char* name;
        const char* text;
        Qt::Key key;
    };
    const Case cases[] = {
        {"Down with no list", "zzz", Qt::Key_Down},
        {"Return on spaces", "   ", Qt::Key_Return},
        {"Return on the committed value", "Prague", Qt::Key_Return},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        type(c.text);
        press(c.key);
        EXPECT_EQ(field.text(), QString::fromUtf8(c.text));
        EXPECT_EQ(field.highlightedIndex(), 0);
    }
    EXPECT_TRUE(picked.isEmpty());
    EXPECT_TRUE(failed.isEmpty());
}

TEST_F(PlaceSearchFieldTest, TypedCoordinatesPickASelectedPlaceAndOutOfRangeOnesReportTheRange)
{
    field.setValue(QStringLiteral("Start"));
    // The caller commits what it was handed, as the route panel does.
    QObject::connect(&field, &PlaceSearchField::picked, &field, [&](const RoutePoint& p) { field.setValue(p.name); });
    type("48.8584, 2.2945");
    ASSERT_EQ(field.suggestions().size(), 1);
    EXPECT_EQ(field.suggestions().first().title, QStringLiteral("48.85840, 2.29450"));
    press(Qt::Key_Return);
    ASSERT_EQ(picked.size(), 1);
    const auto point = picked.first().first().value<RoutePoint>();
    EXPECT_EQ(point.name, QStringLiteral("Selected place"));
    EXPECT_DOUBLE_EQ(point.latitude, 48.8584);
    EXPECT_EQ(field.text(), QStringLiteral("Selected place")) << "a field with a value shows the pick's name";

    focusField();
    type("95, 10");
    EXPECT_FALSE(field.showsSuggestions());
    press(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failed.isEmpty(); }, 5000));
    EXPECT_EQ(failed.first().first().toString(), QStringLiteral("Latitude must be between −90 and 90."));
    EXPECT_EQ(field.text(), QStringLiteral("95, 10")) << "a failure keeps the typed text";
}

TEST_F(PlaceSearchFieldTest, EscapeFocusLossAndANewValueRespectWhatIsTyped)
{
    // A long value ends in an ellipsis until the user edits it.
    window.resize(240, window.height());
    elsewhere.setFocus(Qt::TabFocusReason);
    field.setValue(QStringLiteral("600 Pennsylvania Avenue NW, Washington, District of Columbia, United States"));
    auto* edit = qobject_cast<kit::ElidingLineEdit*>(field.lineEdit());
    ASSERT_NE(edit, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(edit->shownText().endsWith(u'…'), 5000);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(edit->shownText(), field.text(), 5000);
    field.setValue(QStringLiteral("Prague"));
    type("Mai");
    field.setValue(QStringLiteral("Rome")); // arrives while typing
    EXPECT_EQ(field.text(), QStringLiteral("Mai"));
    press(Qt::Key_Escape);
    EXPECT_EQ(field.text(), QStringLiteral("Rome"));
    EXPECT_FALSE(field.lineEdit()->hasFocus());

    focusField();
    type("Mai");
    elsewhere.setFocus(Qt::TabFocusReason);
    EXPECT_EQ(field.text(), QStringLiteral("Rome"));
    EXPECT_TRUE(field.suggestions().isEmpty());

    // So does one the program moves the keyboard from (handing it back to a control work took), list and all.
    focusField();
    type("Mai");
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.showsSuggestions(); }, 5000));
    elsewhere.setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(field.text(), QStringLiteral("Mai"));
    focusField();
    EXPECT_TRUE(field.showsSuggestions());

    // A field disabled while the user types keeps the text.
    focusField();
    type("Mai");
    field.setEnabled(false);
    EXPECT_EQ(field.text(), QStringLiteral("Mai"));
    EXPECT_FALSE(field.showsSuggestions());
    EXPECT_TRUE(picked.isEmpty());
}

TEST_F(PlaceSearchFieldTest, AFieldHiddenWhileTheTypingRestsAsksForNothing)
{
    field.setTypingPause(std::chrono::milliseconds(50));
    QTest::keyClicks(field.lineEdit(), QStringLiteral("Mai"));
    window.hide();
    QTest::qWait(300);
    EXPECT_TRUE(field.suggestions().isEmpty());
}

TEST_F(PlaceSearchFieldTest, TheClearButtonCallsBackOnlyForACommittedValue)
{
    auto* clear = field.findChild<kit::IconButton*>();
    ASSERT_NE(clear, nullptr);
    for (const std::optional<QString>& value : {std::optional<QString>(), std::optional(QStringLiteral("Prague"))}) {
        field.setValue(value);
        type("Mai");
        clear->click();
        EXPECT_EQ(field.text(), QString());
        EXPECT_TRUE(field.suggestions().isEmpty());
    }
    EXPECT_EQ(cleared.size(), 1);
}
