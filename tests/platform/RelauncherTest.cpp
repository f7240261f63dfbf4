#include "platform/Relauncher.h"

#include "support/Eventually.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace Qt::StringLiterals;

namespace {

TEST(RelauncherTest, ThePathIsAnArgumentOfTheScriptNeverPartOfIt)
{
    const QString path = u"/opt/My \"App\"/$(touch x)/ostrevin"_s;
    const Relauncher::Command command = Relauncher::command(4242, path);
    EXPECT_EQ(command.program, u"/bin/sh"_s);
    ASSERT_EQ(command.arguments.size(), 3);
    EXPECT_EQ(command.arguments[0], u"-c"_s);
    EXPECT_EQ(command.arguments[2], path);
    EXPECT_FALSE(command.arguments[1].contains(u"App"_s));
    EXPECT_TRUE(command.arguments[1].contains(u"kill -0 4242 "_s));
}

TEST(RelauncherTest, StartsTheAppAgainOnlyAfterTheOldProcessEnded)
{
    test::TempDir dir;
    // A folder and a file name that would break any script they were spliced into.
    const QString folder = dir.file(u"Ostrevin's \"build\" $(touch pwned)"_s);
    const QString app = folder + u"/Ostrevin App"_s;
    const QString marker = dir.file(u"relaunched"_s);
    ASSERT_TRUE(test::writeFile(app, "#!/bin/sh\nprintf '%s' \"$0\" > '" + marker.toUtf8() + "'\n"));
    ASSERT_TRUE(QFile::setPermissions(app, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    // Stands in for the running application.
    QProcess old;
    old.start(u"/bin/sleep"_s, {u"30"_s});
    ASSERT_TRUE(old.waitForStarted());
    ASSERT_TRUE(Relauncher::start(Relauncher::command(old.processId(), app)));

    // While the old process lives, the relauncher only waits.
    EXPECT_FALSE(test::eventually([&] { return QFileInfo::exists(marker); }, std::chrono::milliseconds(600)));
    old.kill();
    ASSERT_TRUE(old.waitForFinished());
    ASSERT_TRUE(test::eventually([&] { return test::readFile(marker) == app.toUtf8(); }));
    EXPECT_FALSE(QFileInfo::exists(dir.file(u"pwned"_s)));
    EXPECT_FALSE(QFileInfo::exists(u"pwned"_s));
}

} // namespace
