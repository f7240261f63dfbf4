#include "platform/BundledResources.h"

#include "support/TempDir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace ostrevin;

TEST(BundledResources, ABuildTreeUsesItsOwnCopyAnInstalledProgramItsPrefix)
{
    test::TempDir dir;
    const QString buildTree = dir.file(QStringLiteral("build"));
    ASSERT_TRUE(QDir().mkpath(buildTree + u"/share/ostrevin"));
    ASSERT_TRUE(QDir().mkpath(buildTree + u"/lib/ostrevin"));
    EXPECT_EQ(BundledResources::directoryFor(buildTree), buildTree + u"/share/ostrevin");
    EXPECT_EQ(BundledResources::moduleDirectoryFor(buildTree), buildTree + u"/lib/ostrevin");

    const QString prefix = dir.file(QStringLiteral("usr"));
    ASSERT_TRUE(QDir().mkpath(prefix + u"/bin"));
    ASSERT_TRUE(QDir().mkpath(prefix + u"/share/ostrevin"));
    EXPECT_EQ(BundledResources::directoryFor(prefix + u"/bin"), prefix + u"/share/ostrevin");
    EXPECT_EQ(BundledResources::moduleDirectoryFor(prefix + u"/bin"), prefix + u"/lib/ostrevin");
}
