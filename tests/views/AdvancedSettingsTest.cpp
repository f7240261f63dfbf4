#include "SettingsFixture.h"
#include "views/kit/KitLabel.h"
#include "views/settings/AdvancedSettingsView.h"
#include "views/settings/EventLogList.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

class AdvancedSettingsTest : public SettingsFixture {
protected:
    void logSome(int count)
    {
        for (int i = 1; i <= count; ++i)
            vm->logEvent(u"Event %1"_s.arg(i), i % 3 ? TrackerLogLevel::info : TrackerLogLevel::error);
    }
    kit::KitLabel* footer() const { return child<kit::KitLabel>(u"maintenanceFooter"_s); }

    /// A confirmed action that could not run says why; one that ran says nothing.
    void expectRefusal(const QString& reason)
    {
        auto* box = window->findChild<QMessageBox*>(u"maintenanceRefused"_s);
        EXPECT_EQ(box != nullptr, !reason.isEmpty());
        if (!box)
            return;
        EXPECT_EQ(box->text(), u"Nothing was changed."_s);
        EXPECT_EQ(box->informativeText(), reason);
        delete box;
    }
};

TEST_F(AdvancedSettingsTest, AnEmptyLogOffersNothingToCopyAndSaysSo)
{
    open();
    PlannerTestAccess::setDiagnosticEvents(*vm, {});
    EXPECT_FALSE(child<QPushButton>(u"copyLog"_s)->isEnabled());
    EXPECT_FALSE(child<QPushButton>(u"exportLog"_s)->isEnabled());
    EXPECT_TRUE(child<EventLogList>(u"eventLog"_s)->visibleRows().isEmpty());
    const auto labels = child<EventLogList>(u"eventLog"_s)->findChildren<kit::KitLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](kit::KitLabel* label) {
        return label->text() == u"No events yet."_s && !label->isHidden();
    }));
}

TEST_F(AdvancedSettingsTest, TheListShowsTheWholeLogNewestFirst)
{
    open();
    logSome(60);
    window->setCurrentTab(SettingsTab::advanced);
    window->show();
    auto* log = child<EventLogList>(u"eventLog"_s);
    // Rows for the later entries are made as the list is scrolled to its end.
    EXPECT_LT(log->visibleRows().size(), LocationPlannerViewModel::eventLogCapacity);
    QScrollBar* bar = log->scrollArea()->verticalScrollBar();
    EXPECT_TRUE(eventually([&] {
        bar->setValue(bar->maximum());
        return log->visibleRows().size() == LocationPlannerViewModel::eventLogCapacity;
    }));
    const QList<QWidget*> rows = log->visibleRows();
    ASSERT_EQ(rows.size(), LocationPlannerViewModel::eventLogCapacity);
    EXPECT_TRUE(rows.last()->accessibleName().endsWith(u"Event 11"_s));
    EXPECT_TRUE(rows.first()->accessibleName().endsWith(u"Event 60"_s));
    EXPECT_TRUE(rows.first()->accessibleName().startsWith(u"Error"_s));
    EXPECT_EQ(child<EventLogList>(u"eventLog"_s)->height(), EventLogList::boxHeight);
}

TEST_F(AdvancedSettingsTest, CopyPutsTheLogTextOnTheClipboardAndRowsShowItsSeconds)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); // its short time has no seconds
    open();
    clock.setWallTime(QDateTime(QDate(2026, 3, 9), QTime(14, 5, 37)).toUTC());
    logSome(3);
    QGuiApplication::clipboard()->setText(u"stale"_s);
    child<QPushButton>(u"copyLog"_s)->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), vm->eventLogText());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(u"Event 3"_s));
    EXPECT_TRUE(child<EventLogList>(u"eventLog"_s)->visibleRows().value(0)->accessibleName().contains(u"05:37"_s));
    QLocale::setDefault(saved);
}

TEST_F(AdvancedSettingsTest, ExportWritesTheChosenFileAndACancelWritesNothing)
{
    open();
    logSome(2);
    const QString path = dir.file(u"log.txt"_s);
    dialogs.choose(std::nullopt);
    child<QPushButton>(u"exportLog"_s)->click();
    ManualClock::runPostedEvents();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(vm->notice().has_value());

    dialogs.choose(path);
    child<QPushButton>(u"exportLog"_s)->click();
    ASSERT_TRUE(eventually([&] { return QFileInfo::exists(path); }));
    EXPECT_EQ(QString::fromUtf8(readFile(path)).trimmed(), vm->eventLogText());
    ASSERT_EQ(dialogs.requests().size(), 2);
    EXPECT_EQ(dialogs.requests().last().suggestedName, u"Ostrevin-log.txt"_s);
}

TEST_F(AdvancedSettingsTest, MaintenanceWaitsUntilNothingRunsOnTheIPhone)
{
    struct Case {
        const char* name;
        std::function<void(LocationPlannerViewModel&)> state;
        bool reinstall, reset, footer;
    };
    const auto held = [](LocationPlannerViewModel& m) {
        PlannerTestAccess::holdPoint(m, makePoint(u"Prague"_s, 50.08, 14.42), true);
    };
    for (const Case& c : {
             Case{"idle", [](LocationPlannerViewModel&) {}, true, true, false},
             Case{"held", held, false, false, true},
             Case{"route", [](auto& m) { PlannerTestAccess::setRouteRunning(m, true); }, false, false, true},
             Case{"reset pending", [](auto& m) { PlannerTestAccess::setResetPending(m, true); }, false, false, true},
             Case{"device busy", [](auto& m) { PlannerTestAccess::setDeviceBusy(m, true); }, false, false, true},
             // Reset… waits for Telegram too, and the footer says so.
             Case{"telegram busy", [](auto& m) { PlannerTestAccess::setTelegramBusy(m, false, true, false); }, true,
                  false, true},
         }) {
        SCOPED_TRACE(c.name);
        window.reset();
        build();
        open();
        c.state(*vm);
        EXPECT_EQ(child<QPushButton>(u"reinstall"_s)->isEnabled(), c.reinstall);
        EXPECT_EQ(child<QPushButton>(u"resetAppData"_s)->isEnabled(), c.reset);
        ASSERT_NE(footer(), nullptr);
        EXPECT_EQ(!footer()->isHidden(), c.footer);
        EXPECT_EQ(footer()->text().isEmpty(), !c.footer);
    }
}

TEST_F(AdvancedSettingsTest, ConfirmationsCheckTheirRuleAgainWhenAccepted)
{
    for (bool heldMeanwhile : {true, false}) {
        SCOPED_TRACE(heldMeanwhile ? "held meanwhile" : "still idle");
        window.reset();
        build();
        vm->setTelegramChatID(u"42"_s);
        open();
        QList<RuntimeInstaller::Phase::Kind> phases;
        QObject::connect(runtime.get(), &RuntimeInstaller::phaseChanged, runtime.get(),
                         [&](const RuntimeInstaller::Phase& phase) { phases << phase.kind; });

        child<QPushButton>(u"reinstall"_s)->click();
        child<QPushButton>(u"resetAppData"_s)->click();
        // One question at a time.
        EXPECT_EQ(window->findChild<QMessageBox*>(u"resetConfirmation"_s), nullptr);
        if (heldMeanwhile)
            PlannerTestAccess::holdPoint(*vm, makePoint(u"Prague"_s, 50.08, 14.42), true);
        ASSERT_TRUE(answer(u"reinstallConfirmation"_s, u"Reinstall"_s));
        EXPECT_EQ(phases.contains(RuntimeInstaller::Phase::Kind::installing), !heldMeanwhile);
        expectRefusal(heldMeanwhile ? u"Available when no location is set on iPhone."_s : QString());
        ASSERT_TRUE(eventually([&] { return !runtime->isInstalling(); }));

        ManualClock::runPostedEvents();
        if (heldMeanwhile)
            PlannerTestAccess::stopLocationLock(*vm);
        child<QPushButton>(u"resetAppData"_s)->click();
        if (heldMeanwhile)
            PlannerTestAccess::holdPoint(*vm, makePoint(u"Prague"_s, 50.08, 14.42), true);
        ASSERT_TRUE(answer(u"resetConfirmation"_s, u"Reset app data"_s));
        EXPECT_EQ(vm->telegram().chatID().isEmpty(), !heldMeanwhile);
        expectRefusal(heldMeanwhile ? u"Available when no location is set on iPhone."_s : QString());
    }

    // A Telegram operation that starts while the question is open blocks the reset too, and says so.
    window.reset();
    build();
    vm->setTelegramChatID(u"42"_s);
    open();
    child<QPushButton>(u"resetAppData"_s)->click();
    PlannerTestAccess::setTelegramBusy(*vm, true, false, false);
    ASSERT_TRUE(answer(u"resetConfirmation"_s, u"Reset app data"_s));
    EXPECT_EQ(vm->telegram().chatID(), u"42"_s);
    expectRefusal(footer()->text());
    EXPECT_FALSE(footer()->text().isEmpty());
}

TEST_F(AdvancedSettingsTest, ReturnAndEscapeOnTheMaintenanceQuestionsChangeNothing)
{
    const QString questions[][3] = {{u"reinstall"_s, u"reinstallConfirmation"_s, u"Reinstall the add-on component?"_s},
                                    {u"resetAppData"_s, u"resetConfirmation"_s, u"Reset all app data?"_s}};
    for (int i = 0; i < 4; ++i) {
        const Qt::Key key = i % 2 ? Qt::Key_Escape : Qt::Key_Return;
        const QString* question = questions[i / 2];
        SCOPED_TRACE(question[1].toStdString() + (key == Qt::Key_Return ? ", Return" : ", Escape"));
        window.reset();
        build();
        vm->setTelegramChatID(u"42"_s);
        SettingsWindow& shown = open();
        const RuntimeInstaller::Phase phase = runtime->phase();
        shown.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&shown));
        child<QPushButton>(question[0])->click();
        QPointer<QMessageBox> box = child<QMessageBox>(question[1]);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), question[2]); // some desktops draw the box without a title bar
        box->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box.data(), key);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !box || !box->isVisible(); }, 2000));
        EXPECT_EQ(vm->telegram().chatID(), u"42"_s);
        EXPECT_EQ(runtime->phase(), phase) << "no reinstallation";
    }
}

TEST_F(AdvancedSettingsTest, TechnicalDetailsNameTheToolAndShowEachProblemOnce)
{
    struct Case {
        const char* name;
        LocationHelperStatus status;
        QString error;
        QStringList lines;
    };
    LocationHelperStatus missing;
    missing.message = u"No helper"_s;
    missing.installHint = u"Install it"_s;
    LocationHelperStatus anonymous = readyStatus();
    anonymous.message = u"Ready"_s;
    LocationHelperStatus named = anonymous;
    named.helper->kind = LocationHelper::Kind::iDeviceSetLocation;
    named.helper->deviceIdentifier = u"00008030-X"_s;
    named.isLocationReady = false;
    named.installHint = u"Unlock it"_s;
    for (const Case& c : {
             Case{"no helper", missing, u"Install it"_s, {u"No helper"_s, u"Install it"_s}},
             Case{"no name", anonymous, {}, {u"Ready"_s, u"Tool: pymobiledevice3 · Device: iPhone"_s}},
             Case{"identifier",
                  named,
                  u"Timed out"_s,
                  {u"Ready"_s, u"Tool: idevicesetlocation · Device: 00008030-X"_s, u"Unlock it"_s, u"Timed out"_s}},
         }) {
        SCOPED_TRACE(c.name);
        build();
        PlannerTestAccess::setHelperStatus(*vm, c.status);
        PlannerTestAccess::setLastDeviceError(*vm, c.error);
        EXPECT_EQ(AdvancedSettingsView::diagnosticLines(*vm), c.lines);
    }
}

TEST_F(AdvancedSettingsTest, ExportGPXNeedsAPointInTheDraft)
{
    open();
    auto* button = child<QPushButton>(u"exportGPX"_s);
    EXPECT_FALSE(button->isEnabled());
    PlannerTestAccess::setPoints(*vm, {makePoint(u"A"_s, 50, 14)});
    ASSERT_TRUE(button->isEnabled());
    const QString path = dir.file(u"route.gpx"_s);
    dialogs.choose(path);
    button->click();
    ASSERT_TRUE(eventually([&] { return QFileInfo::exists(path); }));
    EXPECT_TRUE(readFile(path).contains("<gpx"));
    for (kit::KitLabel* label : window->findChildren<kit::KitLabel*>()) // no advice names tools absent here
        EXPECT_FALSE(label->text().contains(u"Xcode"_s) || label->text().contains(u"Simulator"_s))
            << label->text().toStdString();
}

} // namespace

TEST_F(AdvancedSettingsTest, ASecondExportWhileASaveDialogIsOpenIsRefusedWithANotice)
{
    open();
    logSome(2);
    vm->selectPlace(makePoint(u"Prague"_s, 50.08, 14.42), LocationPlannerViewModel::MapFraming::keepCamera);
    dialogs.holdOpen();
    child<QPushButton>(u"exportLog"_s)->click();
    ASSERT_EQ(dialogs.requests().size(), 1);
    for (const char* second : {"exportLog", "exportGPX"}) {
        SCOPED_TRACE(second);
        vm->setNotice(std::nullopt);
        child<QPushButton>(QString::fromLatin1(second))->click();
        EXPECT_EQ(dialogs.requests().size(), 1) << "no second dialog";
        EXPECT_EQ(vm->notice().value_or(QString()), u"Another export is still open. Finish or cancel it first."_s);
    }
    // The first one goes on to write its file.
    vm->setNotice(std::nullopt);
    const QString path = dir.file(u"log.txt"_s);
    dialogs.answer(path);
    ASSERT_TRUE(eventually([&] { return QFileInfo::exists(path); }));
    // The export ends a moment after its file is there; then a click opens a second dialog.
    EXPECT_TRUE(
        eventually([&] { return child<QPushButton>(u"exportGPX"_s)->click(), dialogs.requests().size() >= 2; }));
}

TEST_F(AdvancedSettingsTest, ARowShowsTheStartOfALongMessageAndANewEntryKeepsTheOtherRows)
{
    open();
    auto* log = child<EventLogList>(u"eventLog"_s);
    const qsizetype earlier = log->visibleRows().size();
    const QString huge = u"pip said: "_s + QString(16 * 1024, u'x') + u"\nERROR: at the end"_s;
    vm->logEvent(huge, TrackerLogLevel::error);
    vm->logEvent(u"Second"_s, TrackerLogLevel::info);
    const QList<QWidget*> before = log->visibleRows();
    ASSERT_EQ(before.size(), earlier + 2);
    const auto messageOf = [](QWidget* row) {
        QStringList texts;
        for (QLabel* label : row->findChildren<QLabel*>())
            texts << label->text();
        return texts.join(u'|');
    };
    const QString shown = messageOf(before.at(1));
    EXPECT_LE(shown.size(), EventLogList::shownCharacters + 1);
    EXPECT_TRUE(shown.startsWith(u"pip said: "_s));
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_TRUE(vm->eventLogText().contains(huge));

    vm->logEvent(u"Third"_s, TrackerLogLevel::warning);
    const QList<QWidget*> after = log->visibleRows();
    ASSERT_EQ(after.size(), earlier + 3);
    EXPECT_EQ(after.mid(1), before);
    EXPECT_EQ(messageOf(after.at(0)), u"Third"_s);
    EXPECT_EQ(messageOf(after.at(2)), shown);
}

TEST(EventLogList, ARowShowsAtMostItsLinesAndCharacters)
{
    struct Case {
        const char* name;
        QString message;
        QString shown;
    };
    const QString ellipsis(QChar(0x2026));
    const Case cases[] = {
        {"short", u"Device is not connected"_s, u"Device is not connected"_s},
        {"four lines", u"a\nb\nc\nd"_s, u"a\nb\nc\nd"_s},
        {"six lines", u"a\nb\nc\nd\ne\nf"_s, u"a\nb\nc\nd"_s + ellipsis},
        {"one long line", QString(1000, u'y'), QString(EventLogList::shownCharacters, u'y') + ellipsis},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EventLogList::shownMessage(c.message), c.shown);
    }
}
