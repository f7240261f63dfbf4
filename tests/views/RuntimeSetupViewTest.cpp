#include "views/setup/RuntimeSetupView.h"

#include "support/FakePyMobileDevice.h"
#include "support/RuntimeInstallBench.h"
#include "views/setup/RuntimeSetupRows.h"

#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace ostrevin;
using Phase = RuntimeInstaller::Phase;
using Step = RuntimeInstaller::Step;
using Rows = RuntimeSetupRows;
using Status = Rows::StepStatus;

TEST(RuntimeSetupRows, AFailureShowsTheEndOfALongErrorOnly)
{
    const QString end = QStringLiteral("ERROR: No matching distribution found for pymobiledevice3");
    struct Case {
        const char* name;
        QString message;
        QString shown;
    };
    const QString fits = QString(16 * 1024, u'x');
    // A pair of surrogates straddles the cut: neither half may be shown alone.
    const QString straddling = QString(100, u'a') + QString::fromUtf8("\U0001F600") + QString(16 * 1024 - 1, u'b');
    const Case cases[] = {
        {"short", end, end},
        {"exactly the limit", fits, fits},
        {"pip's whole output", QString(1 << 20, u'y') + end,
         u'…' + QString(QString(1 << 20, u'y') + end).right(16 * 1024)},
        {"cut inside a surrogate pair", straddling, u'…' + QString(16 * 1024 - 1, u'b')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Rows::of(Phase::failed(c.message), {}).failureMessage, c.shown);
    }
}

TEST(RuntimeSetupRows, EachPhaseShowsItsRows)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QStringList tail{QStringLiteral("Collecting pymobiledevice3"), QStringLiteral("Downloading x.whl")};
    struct Case {
        const char* name;
        Phase phase;
        Rows::Block block;
        QString installTitle;
        bool installEnabled;
        QList<Status> statuses;
        QString percentage;
        std::optional<double> progress;
        QString logLine;
        bool cancelEnabled;
    };
    const QList<Status> atDownload{Status::current, Status::later, Status::later, Status::later, Status::later};
    const QList<Status> atVerify{Status::done, Status::current, Status::later, Status::later, Status::later};
    const QList<Status> atComponents{Status::done, Status::done, Status::done, Status::current, Status::later};
    const QList<Status> atFinish{Status::done, Status::done, Status::done, Status::done, Status::current};
    const Case cases[] = {
        {"checking", Phase::checking(), Rows::Block::facts, QStringLiteral("Install"), false, {}, {}, {}, {}, false},
        {"not installed",
         Phase::notInstalled(),
         Rows::Block::facts,
         QStringLiteral("Install"),
         true,
         {},
         {},
         {},
         {},
         false},
        {"failed",
         Phase::failed(QStringLiteral("No space left.")),
         Rows::Block::failure,
         QStringLiteral("Try again"),
         true,
         {},
         {},
         {},
         {},
         false},
        {"installed",
         Phase::installed(QStringLiteral("10.10.3")),
         Rows::Block::nothing,
         {},
         false,
         {},
         {},
         {},
         {},
         false},
        {"downloading at 42 %",
         Phase::installing(Step::download, 0.42),
         Rows::Block::steps,
         {},
         false,
         atDownload,
         QStringLiteral("42%"),
         0.42,
         {},
         true},
        {"downloading nearly done",
         Phase::installing(Step::download, 0.999),
         Rows::Block::steps,
         {},
         false,
         atDownload,
         QStringLiteral("99%"),
         0.999,
         {},
         true},
        {"download without a size",
         Phase::installing(Step::download),
         Rows::Block::steps,
         {},
         false,
         atDownload,
         {},
         {},
         {},
         true},
        // No size to measure against: the bytes received and a busy bar, never a 0 % that stays.
        {"download of unknown size under way",
         Phase::downloading(std::nullopt, 12'345'678),
         Rows::Block::steps,
         {},
         false,
         atDownload,
         QStringLiteral("12 MB"),
         {},
         {},
         true},
        {"verifying", Phase::installing(Step::verify), Rows::Block::steps, {}, false, atVerify, {}, {}, {}, true},
        {"installing components",
         Phase::installing(Step::components),
         Rows::Block::steps,
         {},
         false,
         atComponents,
         {},
         {},
         QStringLiteral("Downloading x.whl"),
         true},
        // Cancelling once the old runtime is being replaced would leave none.
        {"finishing", Phase::installing(Step::finish), Rows::Block::steps, {}, false, atFinish, {}, {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rows rows = Rows::of(c.phase, tail, english);
        EXPECT_EQ(rows.block, c.block);
        EXPECT_EQ(rows.installTitle, c.installTitle);
        EXPECT_EQ(rows.installEnabled, c.installEnabled);
        EXPECT_EQ(rows.failureMessage, c.phase.message);
        QList<Status> statuses;
        QStringList percentages;
        for (const Rows::StepRow& row : rows.steps) {
            statuses.append(row.status);
            if (!row.percentage.isEmpty())
                percentages.append(row.percentage);
        }
        EXPECT_EQ(statuses, c.statuses);
        EXPECT_EQ(percentages, c.percentage.isEmpty() ? QStringList() : QStringList(c.percentage));
        EXPECT_EQ(rows.progress, c.progress);
        EXPECT_EQ(rows.progressIndeterminate,
                  c.phase.kind == Phase::Kind::installing && c.phase.step == Step::download && !c.progress);
        EXPECT_EQ(rows.lastLogLine, c.logLine);
        EXPECT_EQ(rows.cancelEnabled, c.cancelEnabled);
    }
}

namespace {

QPushButton* button(QWidget& view, const char* name)
{
    return view.findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

TEST(RuntimeSetupView, AnInstallationReportsInstalledOnceAndReturnKeyStartsIt)
{
    test::InstallBench bench;
    RuntimeInstaller runtime(bench.configuration);
    runtime.refresh();
    int installed = 0;
    RuntimeSetupView view(runtime, [&] { ++installed; });
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    ASSERT_EQ(button(view, "installButton")->text(), QStringLiteral("Install"));

    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_TRUE(runtime.isInstalling());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !runtime.isInstalling(); }, 90000));
    EXPECT_EQ(runtime.phase().kind, Phase::Kind::installed);
    EXPECT_EQ(installed, 1);
    // Re-reading the manifest of the same runtime is no new installation.
    runtime.refresh();
    EXPECT_EQ(installed, 1);
}

TEST(RuntimeSetupView, CancelDuringTheComponentInstallReturnsToInstallAndTheKeysReachBoth)
{
    test::InstallBench bench;
    // pip in a build back-end may ignore SIGTERM, and so may what it started.
    bench.setCue(QStringLiteral("pip-mode"), "ignore-term");
    RuntimeInstaller runtime(bench.configuration);
    runtime.refresh();
    int installed = 0;
    RuntimeSetupView view(runtime, [&] { ++installed; });
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    ASSERT_EQ(QApplication::focusWidget(), button(view, "installButton")) << "Install has the first focus";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    const QString pipChildFile = bench.cueFile(QStringLiteral("pip-child"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !runtime.logTail().isEmpty() && QFileInfo::exists(pipChildFile); }, 90000));
    const qint64 pipChild = test::readFile(pipChildFile).trimmed().toLongLong();
    ASSERT_EQ(view.rows().block, Rows::Block::steps);
    QPushButton* cancel = button(view, "cancelInstallButton");
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_TRUE(cancel->isEnabled());
    auto* logLine = view.findChild<QWidget*>(QStringLiteral("componentLogLine"));
    ASSERT_NE(logLine, nullptr);
    EXPECT_TRUE(logLine->isVisible());
    EXPECT_EQ(logLine->toolTip(), QStringLiteral("Collecting pymobiledevice3"));

    QTest::keyClick(&view, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), cancel);
    QTest::keyClick(cancel, Qt::Key_Return); // presses the focused button, not Install
    EXPECT_EQ(cancel->text(), QStringLiteral("Canceling…"));
    EXPECT_FALSE(cancel->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !runtime.isInstalling(); }, 5000));
    EXPECT_TRUE(test::waitForProcessGone(pipChild, 1000));
    EXPECT_EQ(runtime.phase(), Phase::notInstalled());
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(button(view, "installButton")->isVisible());
    EXPECT_EQ(button(view, "installButton")->text(), QStringLiteral("Install"));
    EXPECT_EQ(installed, 0);
}

TEST(RuntimeSetupView, AFailedInstallationGivesTryAgainTheFocusItsScreenLost)
{
    test::InstallBench bench;
    bench.setCue(QStringLiteral("pip-mode"), "fail-output");
    RuntimeInstaller runtime(bench.configuration);
    runtime.refresh();
    RuntimeSetupView view(runtime, [] {});
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // Install goes, and its focus with it
    ASSERT_TRUE(QTest::qWaitFor([&] { return runtime.phase().kind == Phase::Kind::failed; }, 90000));
    EXPECT_EQ(QApplication::focusWidget(), button(view, "installButton"));
}

TEST(RuntimeSetupView, ALongFailureShowsItsEndInABoundedBoxWithTryAgainOnScreen)
{
    test::InstallBench bench;
    RuntimeInstaller runtime(bench.configuration);
    QStringList pip;
    for (int i = 0; pip.join(u'\n').size() < 16 * 1024; ++i)
        pip << QStringLiteral("  Downloading dependency-%1-1.0-py3-none-any.whl (%1 kB) from the index").arg(i);
    pip << QStringLiteral("ERROR: No matching distribution found for pymobiledevice3");
    RuntimeSetupView view(runtime, [] {});
    // The content area of the main window on a 1366 × 768 and a 1024 × 600 screen.
    for (const QSize size : {QSize(1350, 680), QSize(1008, 520)}) {
        SCOPED_TRACE(size.height());
        view.resize(size);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        // Shown, the view reads the runtime's state; the failure comes after.
        view.showRows(Rows::of(Phase::failed(pip.join(u'\n')), {}));
        QApplication::processEvents();
        QPushButton* tryAgain = button(view, "installButton");
        ASSERT_EQ(tryAgain->text(), QStringLiteral("Try again"));
        EXPECT_TRUE(view.rect().contains(QRect(tryAgain->mapTo(&view, QPoint(0, 0)), tryAgain->size())));
        auto* text = view.findChild<QPlainTextEdit*>(QStringLiteral("failureText"));
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_TRUE(text->toPlainText().endsWith(pip.last()));
        EXPECT_EQ(text->verticalScrollBar()->value(), text->verticalScrollBar()->maximum());
        // Whole lines only: the first row shown starts a line, the last line ends inside
        // the box with no room for another under it.
        const auto topLineIsWhole = [text] {
            const QRegion shown = text->viewport()->mask();
            const int firstRow = shown.isEmpty() ? 0 : shown.boundingRect().top();
            return text->cursorRect(text->cursorForPosition(QPoint(8, firstRow))).top() >= firstRow - 1;
        };
        EXPECT_TRUE(topLineIsWhole());
        QTextCursor end(text->document());
        end.movePosition(QTextCursor::End);
        const QRect last = text->cursorRect(end);
        EXPECT_LE(last.bottom(), text->viewport()->height());
        EXPECT_GT(last.bottom() + last.height(), text->viewport()->height()) << "room for a line below the last";
        // Scrolled up by a line, the top line may sit inside a wrapped one.
        for (int up = 1; up <= 2; ++up) {
            text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum() - up);
            EXPECT_TRUE(topLineIsWhole()) << up;
        }
        text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    }
}

TEST(RuntimeSetupView, ScreenReadersSkipTheOnboardingIconAndHearWhichStepsAreDoneRunningOrToDo)
{
    test::InstallBench bench;
    RuntimeInstaller runtime(bench.configuration);
    RuntimeSetupView view(runtime, [] {});
    auto* icon = view.findChild<QWidget*>(QStringLiteral("onboardingIcon"));
    ASSERT_NE(icon, nullptr);
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(icon);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->state().invisible);
    view.showRows(Rows::of(Phase::installing(Step::extract), {})); // some steps done, one running, some to do
    QStringList heard;
    for (QWidget* widget : view.findChildren<QWidget*>())
        heard << QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    for (const Rows::StepRow& row : view.rows().steps)
        EXPECT_TRUE(heard.contains(row.title + std::array{u", done", u", running", u", to do"}[int(row.status)]));
}
