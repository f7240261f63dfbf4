// The settings window on a small screen: every tab fits, long technical text stays
// in its bounded box, and the keyboard reaches the buttons and closes the window.
#include "SettingsFixture.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/TailTextBox.h"
#include "views/settings/SettingsSection.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

class SettingsWindowFitTest : public SettingsFixture {};

/// An error of `lines` lines of pip-like output; the last line says what went wrong.
QString longError(int lines)
{
    QStringList text;
    for (int i = 1; i < lines; ++i)
        text << u"  Collecting dependency-%1 from the package index (line %1 of the output)"_s.arg(i);
    text << u"ERROR: the last line"_s;
    return text.join(u'\n');
}

TEST_F(SettingsWindowFitTest, EveryTabFitsTheScreenAndALongErrorShowsItsEndInABoundedBox)
{
    SettingsWindow& settings = open();
    settings.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
    settings.findChild<kit::DisclosureGroup*>(u"technicalDetails"_s)->setExpanded(true);
    auto* box = child<kit::TailTextBox>(u"diagnostics"_s);
    auto* scroll = child<QScrollArea>(u"settingsScroll"_s);
    auto* reset = child<QPushButton>(u"resetAppData"_s);
    const QRect available = settings.screen()->availableGeometry();

    std::optional<int> shortHeight;
    for (const int lines : {1, 42}) {
        SCOPED_TRACE(lines);
        PlannerTestAccess::setLastDeviceError(*vm, longError(lines));
        for (SettingsTab tab : allCases<SettingsTab>()) {
            SCOPED_TRACE(toRaw(tab).toStdString());
            settings.setCurrentTab(tab);
            QApplication::processEvents();
            EXPECT_LE(settings.frameGeometry().height(), available.height());
        }
        settings.setCurrentTab(SettingsTab::advanced);
        QApplication::processEvents();
        EXPECT_TRUE(box->toPlainText().endsWith(u"ERROR: the last line"_s));
        EXPECT_EQ(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum());
        // The tab grows by the box's bound at most, whatever the error's length.
        const int pageHeight = settings.tabContent(SettingsTab::advanced)->heightForWidth(SettingsForm::width);
        if (!shortHeight)
            shortHeight = pageHeight;
        EXPECT_LE(pageHeight - *shortHeight, 160);
        // "Reset…" is in reach: scrolled to, it lies inside the window.
        scroll->ensureWidgetVisible(reset);
        const QRect resetRect(reset->mapTo(&settings, QPoint(0, 0)), reset->size());
        EXPECT_TRUE(settings.rect().contains(resetRect));
    }
}

TEST_F(SettingsWindowFitTest, ReturnPressesTheFocusedButtonTabEntersThePageAndEscapeAndCtrlWClose)
{
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(u"Ctrl+W"_s)}) {
        SCOPED_TRACE(key.toString().toStdString());
        SettingsWindow& settings = open();
        settings.show();
        settings.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&settings));
        if (key == QKeySequence(Qt::Key_Escape)) { // in an open drop-down list, it closes the list only
            auto* units = child<QComboBox>(u"unitsPicker"_s);
            QTest::keyClick(units, Qt::Key_Down, Qt::AltModifier);
            QTRY_VERIFY_WITH_TIMEOUT(units->view()->isVisible(), 5000);
            QTest::keyClick(units->view(), Qt::Key_Escape);
            ASSERT_TRUE(settings.isVisible());
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &settings, 5000);
        }
        QAbstractButton* advanced = settings.tabButton(SettingsTab::advanced);
        advanced->setFocus(Qt::TabFocusReason);
        QTest::keyClick(advanced, Qt::Key_Return);
        EXPECT_EQ(settings.currentTab(), SettingsTab::advanced);
        QTest::keyClick(advanced, Qt::Key_Tab); // from the last tab into the page, not onto the scroll area
        EXPECT_TRUE(settings.tabContent(SettingsTab::advanced)->isAncestorOf(QApplication::focusWidget()));
        QTest::keySequence(&settings, key);
        EXPECT_FALSE(settings.isVisible());
        window.reset();
    }
}

} // namespace
