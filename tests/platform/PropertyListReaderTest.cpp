#include "platform/PropertyListReader.h"

#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

QByteArray plist(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n" +
           body + "\n</plist>\n";
}

} // namespace

TEST(PropertyListReader, ReadsTheImageListReplyAsLibplistWritesIt)
{
    const auto value =
        PropertyListReader::read(plist("<dict>\n"
                                       "\t<key>ImageSignature</key>\n"
                                       "\t<array>\n"
                                       "\t\t<data>\n"
                                       "\t\tAAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKiss\n"
                                       "\t\tLS4v\n"
                                       "\t\t</data>\n"
                                       "\t</array>\n"
                                       "\t<key>Empty</key>\n"
                                       "\t<array>\n"
                                       "\t</array>\n"
                                       "\t<key>ImagePresent</key>\n"
                                       "\t<true/>\n"
                                       "\t<key>Count</key>\n"
                                       "\t<integer>-42</integer>\n"
                                       "\t<key>Status</key>\n"
                                       "\t<string>Complete &amp; ready</string>\n"
                                       "</dict>"));
    ASSERT_TRUE(value);
    const QVariantMap map = value->toMap();
    const QVariantList signatures = map.value(QStringLiteral("ImageSignature")).toList();
    ASSERT_EQ(signatures.size(), 1);
    EXPECT_EQ(signatures.first().typeId(), QMetaType::QByteArray);
    EXPECT_EQ(signatures.first().toByteArray().size(), 48);
    EXPECT_EQ(signatures.first().toByteArray().at(47), '/');
    EXPECT_TRUE(map.value(QStringLiteral("Empty")).toList().isEmpty());
    EXPECT_EQ(map.value(QStringLiteral("ImagePresent")).typeId(), QMetaType::Bool);
    EXPECT_TRUE(map.value(QStringLiteral("ImagePresent")).toBool());
    EXPECT_EQ(map.value(QStringLiteral("Count")).toLongLong(), -42);
    EXPECT_EQ(map.value(QStringLiteral("Status")).typeId(), QMetaType::QString);
    EXPECT_EQ(map.value(QStringLiteral("Status")).toString(), QStringLiteral("Complete & ready"));
}

TEST(PropertyListReader, RejectsAnythingThatIsNotAWholePropertyList)
{
    const QByteArray cases[] = {
        "",
        "No device found.",
        "ERROR: Could not connect to lockdown, error code -17.",
        plist("<dict><key>A</key></dict>"),
        plist("<dict><string>no key</string></dict>"),
        plist("<dict><key>A</key><date>2020-01-01T00:00:00Z</date></dict>"),
        plist("<dict><key>A</key><integer>twelve</integer></dict>"),
        plist("<dict><key>A</key><data>!!!</data></dict>"),
        plist("<dict><key>A</key><true>yes</true></dict>"),
        plist("<dict><key>A</key><string>x</string>"),
        plist("<dict/><dict/>"),
        plist("<dict/>") + "trailing",
    };
    for (const QByteArray& text : cases)
        EXPECT_FALSE(PropertyListReader::read(text)) << text.constData();
    EXPECT_TRUE(PropertyListReader::read(plist("<dict/>")));
    EXPECT_TRUE(PropertyListReader::read("<array><false/></array>"));
}
