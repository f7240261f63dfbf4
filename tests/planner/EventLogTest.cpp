#include "PlannerFixture.h"

#include <QFile>
#include <QRegularExpression>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class EventLogTest : public PlannerFixture {};

TEST_F(EventLogTest, KeepsTheNewestFiftyAndMirrorsEveryEntry)
{
    auto& model = build();
    for (int i = 1; i <= 60; ++i)
        model.logEvent(QStringLiteral("event %1").arg(i), TrackerLogLevel::info);

    const QStringList messages = eventMessages();
    ASSERT_EQ(messages.size(), 50);
    EXPECT_EQ(messages.first(), QStringLiteral("event 60"));
    EXPECT_EQ(messages.last(), QStringLiteral("event 11"));
    // The system log keeps everything, launch included.
    EXPECT_EQ(systemLog.lines().size(), 61);
}

TEST_F(EventLogTest, MirrorKeepsLevelsAndTheMessageUnredacted)
{
    auto& model = build();
    const QString secretLooking = QStringLiteral("Holding location: 50.087000, 14.421000 <user@example.org>.");
    model.logEvent(secretLooking, TrackerLogLevel::info);
    model.logEvent(QStringLiteral("careful"), TrackerLogLevel::warning);
    model.logEvent(QStringLiteral("broken"), TrackerLogLevel::error);
    const auto lines = systemLog.lines();
    ASSERT_EQ(lines.size(), 4);
    using Line = RecordingSystemLog::Line;
    EXPECT_EQ(lines.at(1), (Line{SystemLog::Severity::info, secretLooking}));
    EXPECT_EQ(lines.at(2), (Line{SystemLog::Severity::warning, QStringLiteral("careful")}));
    EXPECT_EQ(lines.at(3), (Line{SystemLog::Severity::error, QStringLiteral("broken")}));
}

TEST_F(EventLogTest, TextHasOneLinePerEntryNewestFirst)
{
    auto& model = build();
    clock.advance(std::chrono::minutes(3));
    model.logEvent(QStringLiteral("Skipped a duplicate point: Home."), TrackerLogLevel::warning);

    const QStringList lines = model.eventLogText().split(u'\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_FALSE(model.eventLogText().endsWith(u'\n'));
    const QRegularExpression line(QStringLiteral(R"(^\S.*\d.*  \[(info|warning|error)\]  (.*)$)"));
    const auto newest = line.match(lines.at(0));
    ASSERT_TRUE(newest.hasMatch()) << lines.at(0).toStdString();
    EXPECT_EQ(newest.captured(1), QStringLiteral("warning"));
    EXPECT_EQ(newest.captured(2), QStringLiteral("Skipped a duplicate point: Home."));
    const auto oldest = line.match(lines.at(1));
    ASSERT_TRUE(oldest.hasMatch()) << lines.at(1).toStdString();
    EXPECT_EQ(oldest.captured(1), QStringLiteral("info"));
}

TEST_F(EventLogTest, ExportWritesTheTextAtomicallyOrSaysWhyNot)
{
    struct Case {
        const char* name;
        std::optional<QString> chosen;
        bool written;
        bool notice;
    };
    const QString target = dir.file(QStringLiteral("exports/Ostrevin-log.txt"));
    ASSERT_TRUE(writeFile(target, "previous export"));
    ASSERT_TRUE(writeFile(dir.file(QStringLiteral("blocker")), "a file where a folder must go"));
    const QList<Case> cases{
        {"cancelled", std::nullopt, false, false},
        {"chosen", target, true, false},
        {"unwritable", dir.file(QStringLiteral("blocker/Ostrevin-log.txt")), false, true},
    };
    auto& model = build();
    model.logEvent(QStringLiteral("second"), TrackerLogLevel::error);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeFile(target, "previous export"));
        model.setNotice(std::nullopt);
        dialogs.choose(c.chosen);
        ASSERT_TRUE(waitFor(model.exportEventLog()));
        EXPECT_EQ(readFile(target), c.written ? model.eventLogText().toUtf8() : QByteArray("previous export"));
        EXPECT_EQ(model.notice().has_value(), c.notice);
        if (c.notice) {
            EXPECT_TRUE(
                model.notice()->startsWith(QStringLiteral("Couldn’t export the event log to “Ostrevin-log.txt”: ")))
                << model.notice()->toStdString();
            EXPECT_EQ(model.noticeOwner(), DialogOwner::settingsWindow);
        }
    }
    ASSERT_FALSE(dialogs.requests().isEmpty());
    EXPECT_EQ(dialogs.requests().first().suggestedName, QStringLiteral("Ostrevin-log.txt"));
    EXPECT_EQ(dialogs.requests().first().title, QStringLiteral("Export event log"));
    EXPECT_EQ(dialogs.requests().first().owner, DialogOwner::settingsWindow);
    // The export itself is not an event.
    EXPECT_EQ(model.eventLog().diagnosticEvents().size(), 2);
}

} // namespace
