#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace ostrevin;

// The shipped start-up hook, run by a real interpreter through its ".pth" file the
// way the runtime's site-packages processes it: loopback must end up exempt from
// any proxy, whatever the user's own exemptions were.
TEST(NetworkPreference, LoopbackIsExemptFromProxiesAtEveryStart)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "no python3 on this machine";
    test::TempDir site;
    for (const QString& name :
         {QStringLiteral("tovrel_network_preference.py"), QStringLiteral("tovrel-network-preference.pth")})
        ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREVIN_SOURCE_DIR "/data/") + name, site.file(name)));

    const struct {
        const char* name;
        const char* noProxy; // nullptr: unset
        const char* expected;
    } cases[] = {
        {"unset", nullptr, "127.0.0.1,localhost,::1"},
        {"other hosts kept", "example.com", "example.com,127.0.0.1,localhost,::1"},
        {"partly exempt", " localhost , 10.0.0.0/8", "localhost,10.0.0.0/8,127.0.0.1,::1"},
        {"everything exempt", "*", "*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HTTP_PROXY"), QStringLiteral("http://proxy.invalid:3128"));
        env.remove(QStringLiteral("no_proxy"));
        env.remove(QStringLiteral("NO_PROXY"));
        if (c.noProxy) {
            env.insert(QStringLiteral("no_proxy"), QString::fromUtf8(c.noProxy));
            env.insert(QStringLiteral("NO_PROXY"), QString::fromUtf8(c.noProxy));
        }
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(python, {QStringLiteral("-I"), QStringLiteral("-c"),
                               QStringLiteral("import os, site, sys; site.addsitedir(sys.argv[1]); "
                                              "print(os.environ['no_proxy']); print(os.environ['NO_PROXY'])"),
                               site.path()});
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_EQ(process.readAllStandardError(), QByteArray());
        const QByteArray expected(c.expected);
        EXPECT_EQ(process.readAllStandardOutput(), expected + '\n' + expected + '\n');
    }
}
