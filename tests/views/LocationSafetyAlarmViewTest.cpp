#include "views/alarm/LocationSafetyAlarmView.h"

#include "alerts/LocationSafetyAlarmPanel.h"
#include "views/alarm/FittedText.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace ostrevin;

namespace {

LocationSafetyAlarmEvent alarm(std::optional<double> latitude, std::optional<double> longitude, bool recovered = false,
                               const QString& name = QStringLiteral("Prague"))
{
    LocationSafetyAlarmEvent event;
    event.detectedAt = event.lastUpdatedAt = QDateTime(QDate(2026, 3, 9), QTime(14, 5, 7), Qt::UTC);
    event.pointName = name;
    event.latitude = latitude;
    event.longitude = longitude;
    event.reason = QStringLiteral("The helper ended.");
    event.isRecoveryConfirmed = recovered;
    return event;
}

QStringList texts(const QWidget& view)
{
    QStringList all;
    for (const FittedText* text : view.findChildren<FittedText*>())
        all << text->text();
    return all;
}

} // namespace

TEST(LocationSafetyAlarmView, ThePointShowsItsCoordinatesOnlyWhenBothAreKnownWithADecimalPointInAnyLocale)
{
    struct Case {
        const char* name;
        LocationSafetyAlarmEvent event;
        const char* expected;
    };
    const Case cases[] = {
        {"both", alarm(50.0874654, 14.4212535), "Prague\n50.08747, 14.42125"},
        {"negative and small", alarm(-33.8688, 0.000004), "Prague\n-33.86880, 0.00000"},
        {"latitude only", alarm(50.08, std::nullopt), "Prague"},
        {"none", alarm(std::nullopt, std::nullopt, false, QStringLiteral("Unknown location")), "Unknown location"},
    };
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LocationSafetyAlarmView::pointDescription(c.event), QString::fromUtf8(c.expected));
    }
    QLocale::setDefault(before);
}

TEST(LocationSafetyAlarmView, TheDetectionTimeHasDayShortMonthYearAndSecondsInTheLocalesOrder)
{
    qputenv("TZ", "UTC");
    struct Case {
        QLocale locale;
        const char* expected;
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "Mar 9, 2026 2:05:07 PM"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "9 Mar 2026 14:05:07"},
        {QLocale(QLocale::German, QLocale::Germany), "9. März 2026 14:05:07"},
        {QLocale(QLocale::Czech, QLocale::CzechRepublic), "9. bře 2026 14:05:07"},
        {QLocale(QLocale::Japanese, QLocale::Japan), "2026年3月9日 14時05分07秒"},
    };
    const QDateTime at(QDate(2026, 3, 9), QTime(14, 5, 7), Qt::UTC);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        EXPECT_EQ(LocationSafetyAlarmView::detectedAtDescription(at, c.locale), QString::fromUtf8(c.expected));
    }
}

TEST(FittedText, LongTextShrinksToItsMinimumThenCutsTheLastOfItsLines)
{
    QFont font;
    font.setPixelSize(20);
    const QString word = QStringLiteral("interrupted ");
    struct Case {
        const char* name;
        QString text;
        int maximumLines;
        qreal minimumScale;
        int lines;
        int pixelSize;
        bool cut;
    };
    const Case cases[] = {
        {"short text stays whole", QStringLiteral("Helper ended"), 3, 0.8, 1, 20, false},
        {"a blank line takes one line", QStringLiteral("Helper ended\n\nat once"), 3, 0.8, 3, 20, false},
        {"four lines' worth shrinks into three", word.repeated(7), 3, 0.8, 3, 0, false},
        {"far too long is cut at the smallest size", word.repeated(40), 3, 0.8, 3, 16, true},
        {"a title shrinks further", word.repeated(6), 2, 0.55, 2, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FittedText text(c.text, font, Qt::white);
        text.setMaximumLines(c.maximumLines);
        text.setMinimumScale(c.minimumScale);
        const FittedText::Fit fit = text.fitForWidth(300);
        EXPECT_EQ(fit.lines.size(), c.lines);
        if (c.pixelSize > 0)
            EXPECT_EQ(fit.font.pixelSize(), c.pixelSize);
        else
            EXPECT_TRUE(fit.font.pixelSize() < 20 && fit.font.pixelSize() >= qRound(20 * c.minimumScale))
                << fit.font.pixelSize();
        EXPECT_EQ(fit.lines.last().endsWith(QChar(0x2026)), c.cut);
        for (const QString& line : fit.lines)
            EXPECT_LE(QFontMetricsF(fit.font).horizontalAdvance(line), 300.5) << line.toStdString();
    }
}

TEST(LocationSafetyAlarmView, TheRestoredFormChangesTitleExplanationAndStatusAndKeepsTheButton)
{
    for (const bool recovered : {false, true}) {
        SCOPED_TRACE(recovered ? "restored" : "interrupted");
        int acknowledged = 0;
        LocationSafetyAlarmView view(alarm(50.08, 14.42, recovered), [&] { ++acknowledged; });
        const QStringList shown = texts(view);
        EXPECT_EQ(shown.contains(QStringLiteral("Simulated location is set again")), recovered);
        EXPECT_EQ(shown.contains(QStringLiteral("iPhone may be using its real location")), !recovered);
        EXPECT_TRUE(shown.contains(LocationSafetyAlarmView::alarmExplanation(recovered)));
        EXPECT_TRUE(shown.contains(LocationSafetyAlarmView::recoveryStatus(alarm(50.08, 14.42, recovered))));
        EXPECT_TRUE(shown.contains(QStringLiteral("The helper ended.")));
        EXPECT_TRUE(shown.contains(QStringLiteral("The sound and alert stay on until you acknowledge them.")));
        // A restore that only the user can take further says what it waits for, not that it tries.
        LocationSafetyAlarmEvent waiting = alarm(50.08, 14.42, recovered);
        waiting.recoveryWait = QStringLiteral("Waiting for Prepare iPhone: it needs the administrator password.");
        view.setAlarm(waiting);
        EXPECT_EQ(texts(view).contains(waiting.recoveryWait), !recovered);

        auto* button = view.findChild<QPushButton*>();
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(acknowledged, 1);
    }
}

TEST(LocationSafetyAlarmView, FillsEachScreenFromTheSmallestUpWithTheButtonOnItAndNoTextCut)
{
    LocationSafetyAlarmEvent event = alarm(50.0874654, 14.4212535, false, QStringLiteral("Old Town Square, Prague"));
    event.reason = QStringLiteral("The location helper ended unexpectedly (exit code 1). iPhone stopped answering the "
                                  "location service while it was being restarted over the tunnel.");
    const QString square = event.pointName;
    for (const QSize screen :
         {QSize(1600, 1000), QSize(1366, 768), QSize(1280, 720), QSize(1024, 600), QSize(800, 600)}) {
        // A name of any length may end in an ellipsis but leaves the coordinates whole under it.
        for (const auto& [recovered, name] :
             {std::pair(false, square), {true, square}, {false, QStringLiteral("Nábřeží ").repeated(32)}}) {
            SCOPED_TRACE(QStringLiteral("%1x%2 %3 %4")
                             .arg(screen.width())
                             .arg(screen.height())
                             .arg(recovered ? u"restored" : u"interrupted", name.left(8))
                             .toStdString());
            event.isRecoveryConfirmed = recovered;
            event.pointName = name;
            LocationSafetyAlarmPanel panel(nullptr);
            panel.setContent(new LocationSafetyAlarmView(event, [] {}));
            panel.setGeometry(QRect(QPoint(0, 0), screen));
            panel.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
            QApplication::processEvents();
            EXPECT_EQ(panel.size(), screen);

            const QRect onScreen(QPoint(0, 0), screen);
            auto* button = panel.findChild<QPushButton*>();
            ASSERT_NE(button, nullptr);
            const QRect buttonRect(button->mapTo(&panel, QPoint(0, 0)), button->size());
            EXPECT_TRUE(onScreen.contains(buttonRect)) << buttonRect.y() << "+" << buttonRect.height();

            // Every line of every text is drawn: each text has the height its width needs
            // and lies on the screen.
            for (const FittedText* text : panel.findChildren<FittedText*>()) {
                SCOPED_TRACE(text->text().toStdString());
                EXPECT_GE(text->height(), text->heightForWidth(text->width()));
                EXPECT_FALSE(text->text() != name && text->fitForWidth(text->width()).lines.join(u' ').endsWith(u'…'));
                EXPECT_TRUE(onScreen.contains(QRect(text->mapTo(&panel, QPoint(0, 0)), text->size())));
            }
        }
    }
}

TEST(LocationSafetyAlarmView, ALaterStateShownInPlaceReadsAsAViewBuiltForIt)
{
    const AlarmViewFactory factory = LocationSafetyAlarmView::factory();
    LocationSafetyAlarmEvent later = alarm(48.85, 2.35, true, QStringLiteral("Louvre"));
    later.reason = QStringLiteral("iPhone stopped responding.");
    later.detectedAt = later.detectedAt.addSecs(61);
    std::unique_ptr<QWidget> fresh(factory.make(later, {}));
    std::unique_ptr<QWidget> refreshed(factory.make(alarm(50.08, 14.42), {}));
    const QPushButton* button = refreshed->findChild<QPushButton*>();
    factory.update(refreshed.get(), later);
    EXPECT_EQ(texts(*refreshed), texts(*fresh));
    EXPECT_EQ(refreshed->findChild<QPushButton*>(), button);
}

TEST(LocationSafetyAlarmView, ScreenReadersHearTheTitleAsAHeadingAndSkipTheIcon)
{
    LocationSafetyAlarmView view(alarm(50.08, 14.42), [] {});
    view.resize(1366, 768);
    view.show();
    FittedText* title = nullptr;
    for (FittedText* text : view.findChildren<FittedText*>())
        if (text->text() == QStringLiteral("iPhone may be using its real location"))
            title = text;
    ASSERT_NE(title, nullptr);
    QAccessibleInterface* heading = QAccessible::queryAccessibleInterface(title);
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->role(), QAccessible::Heading);
    EXPECT_EQ(heading->text(QAccessible::Name), title->text());

    // The warning triangle is the one widget of the view that is neither text nor a box.
    int hidden = 0;
    for (QWidget* widget : view.findChildren<QWidget*>()) {
        QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
        if (item && item->state().invisible && widget->isVisible())
            ++hidden;
    }
    EXPECT_EQ(hidden, 1);
}
