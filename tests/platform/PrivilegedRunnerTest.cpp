#include "platform/AppleScriptPrivilegedRunner.h"
#include "platform/PkexecPrivilegedRunner.h"
#include "support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

// Reads an AppleScript string literal the way AppleScript does: \\ and \" are the
// escapes, an unescaped quote ends the literal.
std::optional<QString> readStringLiteral(const QString& script, qsizetype& pos)
{
    if (pos >= script.size() || script.at(pos) != u'"')
        return std::nullopt;
    QString value;
    for (++pos; pos < script.size(); ++pos) {
        const QChar c = script.at(pos);
        if (c == u'"') {
            ++pos;
            return value;
        }
        if (c == u'\\') {
            if (++pos >= script.size())
                return std::nullopt;
            value += script.at(pos);
        } else {
            value += c;
        }
    }
    return std::nullopt;
}

const QString awkwardLines[] = {
    QStringLiteral(R"(/bin/echo 'Port 49151 is already used' >&2; exit 1)"),
    QStringLiteral(R"(printf "%s\n" "a\"b" 'c\d' "\\\\server")"),
    QStringLiteral(R"('/Users/o'\''brien/bin/pymobiledevice3' --no-color)"),
    QStringLiteral("\\\"\\\\\""),
};

} // namespace

TEST(AppleScriptPrivilegedRunner, EscapedLinesReadBackUnchanged)
{
    EXPECT_EQ(AppleScriptPrivilegedRunner::escapedForStringLiteral(QStringLiteral(R"(a\"b)")),
              QStringLiteral(R"(a\\\"b)"));
    for (const QString& line : awkwardLines) {
        const AppleScriptPrivilegedRunner runner(QStringLiteral("/usr/bin/osascript"));
        const auto invocation = runner.invocation(line);
        ASSERT_EQ(invocation.arguments.size(), 2);
        EXPECT_EQ(invocation.arguments.at(0), QStringLiteral("-e"));
        const QString script = invocation.arguments.at(1);
        const QString prefix = QStringLiteral("do shell script ");
        ASSERT_TRUE(script.startsWith(prefix));
        qsizetype pos = prefix.size();
        EXPECT_EQ(readStringLiteral(script, pos), line);
        EXPECT_EQ(script.mid(pos), QStringLiteral(" with administrator privileges"));
    }
}

TEST(PkexecPrivilegedRunner, TheLineReachesTheShellAsOneArgument)
{
    test::TempDir dir;
    // A stand-in for pkexec that runs what it is given without asking anyone.
    const QString pkexec = dir.file(QStringLiteral("pkexec"));
    ASSERT_TRUE(test::writeFile(pkexec, "#!/bin/sh\nexec \"$@\"\n"));
    QFile::setPermissions(pkexec, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser);
    const PkexecPrivilegedRunner runner(pkexec);
    const QString line = QStringLiteral(R"sh(printf '%s|' "a\"b" 'c\d' "$((1+2))"; /bin/echo done >&2; exit 3)sh");
    const auto invocation = runner.invocation(line);
    EXPECT_EQ(invocation.executablePath, pkexec);
    EXPECT_EQ(invocation.arguments, (QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"), line}));

    QProcess run;
    run.start(invocation.executablePath, invocation.arguments);
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.readAllStandardOutput(), R"(a"b|c\d|3|)");
    EXPECT_EQ(run.readAllStandardError(), "done\n");
    EXPECT_EQ(run.exitCode(), 3);
}
