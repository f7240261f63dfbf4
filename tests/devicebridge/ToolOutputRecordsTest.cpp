#include "devicebridge/CoreDeviceList.h"
#include "devicebridge/TunneldStartTunnel.h"
#include "devicebridge/TunneldTunnel.h"
#include "devicebridge/USBMuxDevice.h"

#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

QByteArray usbmuxEntry(const char* connection, const char* deviceClass, const char* identifier,
                       const char* name = "\"Phone\"")
{
    return QByteArray("{\"BuildVersion\": \"21F90\", \"ConnectionType\": ") + connection +
           ", \"DeviceClass\": " + deviceClass + ", \"DeviceName\": " + name + ", \"Identifier\": " + identifier +
           ", \"ProductType\": \"iPhone15,2\", \"ProductVersion\": \"17.5.1\", \"UniqueDeviceID\": " + identifier + "}";
}

// One devicectl device; each part can be replaced or left out (nullptr).
QByteArray coreDevice(const char* connection, const char* properties, const char* hardware)
{
    QByteArrayList parts;
    if (connection)
        parts << QByteArray("\"connectionProperties\": {") + connection + "}";
    if (properties)
        parts << QByteArray("\"deviceProperties\": {") + properties + "}";
    if (hardware)
        parts << QByteArray("\"hardwareProperties\": {") + hardware + "}";
    return "{" + parts.join(", ") + "}";
}

QByteArray coreList(const QByteArrayList& devices)
{
    return "{\"info\": {\"outcome\": \"success\"}, \"result\": {\"devices\": [" + devices.join(", ") + "]}}";
}

const char* const goodConnection =
    R"("pairingState": "paired", "transportType": "wired", "tunnelState": "disconnected")";
const char* const goodProperties = R"("bootState": "booted", "name": "Anna’s iPhone")";
const char* const goodHardware = R"("deviceType": "iPhone", "udid": "00008110-0001")";

} // namespace

TEST(USBMuxDevice, PicksAUsbIPhoneBeforeAnyOtherAndFailsWholeListsOnOneBadRecord)
{
    struct Case {
        const char* name;
        QByteArray output;
        bool decodes;
        std::optional<QString> chosen;
    };
    const Case cases[] = {
        {"network iPhone then USB iPhone",
         "[" + usbmuxEntry("\"Network\"", "\"iPhone\"", "\"NET\"") + ",\n" +
             usbmuxEntry("\"USB\"", "\"iPhone\"", "\"USB1\"") + "]",
         true, QStringLiteral("USB1")},
        {"only a network iPhone", "[" + usbmuxEntry("\"Network\"", "\"iPhone\"", "\"NET\"") + "]", true,
         QStringLiteral("NET")},
        {"only an iPad", "[" + usbmuxEntry("\"USB\"", "\"iPad\"", "\"PAD\"") + "]", true, std::nullopt},
        {"class compared exactly", "[" + usbmuxEntry("\"USB\"", "\"iphone\"", "\"LOW\"") + "]", true, std::nullopt},
        {"nulls are absent", "[" + usbmuxEntry("null", "\"iPhone\"", "\"N\"", "null") + "]", true, QStringLiteral("N")},
        {"empty list", "[]", true, std::nullopt},
        {"one record without an identifier",
         "[" + usbmuxEntry("\"USB\"", "\"iPhone\"", "\"USB1\"") + ", {\"DeviceClass\": \"iPad\"}]", false,
         std::nullopt},
        {"identifier null", "[" + usbmuxEntry("\"USB\"", "\"iPhone\"", "null") + "]", false, std::nullopt},
        {"class of the wrong type", "[" + usbmuxEntry("\"USB\"", "7", "\"X\"") + "]", false, std::nullopt},
        {"a log line, not JSON", "2026-01-01 INFO starting\n[]", false, std::nullopt},
        {"an object", "{}", false, std::nullopt},
        {"not UTF-8", "[{\"Identifier\": \"\xff\xfe\"}]", false, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto devices = USBMuxDevice::decodeList(c.output);
        ASSERT_EQ(devices.has_value(), c.decodes) << c.name;
        if (!devices)
            continue;
        const auto chosen = USBMuxDevice::firstIPhone(*devices);
        EXPECT_EQ(chosen ? std::optional<QString>(chosen->identifier) : std::nullopt, c.chosen) << c.name;
    }
    const auto named = USBMuxDevice::decodeList("[" + usbmuxEntry("\"USB\"", "\"iPhone\"", "\"A\"", "null") + "]");
    ASSERT_TRUE(named);
    EXPECT_FALSE(named->first().deviceName);
}

TEST(CoreDeviceList, ChoosesTheFirstUsableIPhoneAndFailsWholeDocumentsOnOneBadDevice)
{
    struct Case {
        const char* name;
        QByteArray json;
        bool decodes;
        std::optional<QString> chosen;
    };
    const QByteArray good = coreDevice(goodConnection, goodProperties, goodHardware);
    const auto iphone = [](const char* connection, const char* properties, const char* udid = "00008110-0002") {
        static QByteArray hardware;
        hardware = QByteArray(R"("deviceType": "iPhone", "udid": ")") + udid + "\"";
        return coreDevice(connection, properties, hardware.constData());
    };
    const Case cases[] = {
        {"a usable iPhone", coreList({good}), true, QStringLiteral("00008110-0001")},
        {"only the transport type", coreList({iphone(R"("transportType": "localNetwork")", R"("name": "N")")}), true,
         QStringLiteral("00008110-0002")},
        {"no transport type", coreList({iphone(R"("pairingState": "paired")", R"("name": "N")"), good}), true,
         QStringLiteral("00008110-0001")},
        {"tunnel unavailable",
         coreList({iphone(R"("transportType": "wired", "tunnelState": "unavailable")", R"("name": "N")"), good}), true,
         QStringLiteral("00008110-0001")},
        {"any other tunnel state",
         coreList({iphone(R"("transportType": "wired", "tunnelState": "connecting")", R"("name": "N")")}), true,
         QStringLiteral("00008110-0002")},
        {"not booted", coreList({iphone(goodConnection, R"("bootState": "shutdown", "name": "N")"), good}), true,
         QStringLiteral("00008110-0001")},
        {"not paired",
         coreList({iphone(R"("pairingState": "unpaired", "transportType": "wired")", R"("name": "N")"), good}), true,
         QStringLiteral("00008110-0001")},
        {"an iPad", coreList({coreDevice(goodConnection, goodProperties, R"("deviceType": "iPad", "udid": "P")")}),
         true, std::nullopt},
        {"no device type", coreList({coreDevice(goodConnection, goodProperties, R"("udid": "P")")}), true,
         std::nullopt},
        {"empty udid", coreList({iphone(goodConnection, goodProperties, "")}), true, std::nullopt},
        {"no devices", coreList({}), true, std::nullopt},
        {"one device without deviceProperties", coreList({good, coreDevice(goodConnection, nullptr, goodHardware)}),
         false, std::nullopt},
        {"a device without a name", coreList({coreDevice(goodConnection, R"("bootState": "booted")", goodHardware)}),
         false, std::nullopt},
        {"a udid of the wrong type", coreList({coreDevice(goodConnection, goodProperties, R"("udid": 5)")}), false,
         std::nullopt},
        {"no result", "{\"info\": {}}", false, std::nullopt},
        {"devices not a list", "{\"result\": {\"devices\": {}}}", false, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto list = CoreDeviceList::decode(c.json);
        ASSERT_EQ(list.has_value(), c.decodes) << c.name;
        if (!list)
            continue;
        const auto chosen = list->firstIPhone();
        EXPECT_EQ(chosen ? std::optional<QString>(chosen->udid) : std::nullopt, c.chosen) << c.name;
    }
    const auto identity = CoreDeviceList::decode(coreList({good}))->firstIPhone();
    ASSERT_TRUE(identity);
    EXPECT_EQ(*identity, (CoreDeviceIdentity{QStringLiteral("Anna’s iPhone"), QStringLiteral("00008110-0001"),
                                             QStringLiteral("wired"), QStringLiteral("disconnected")}));
}

TEST(TunneldRecords, DecodeTheServiceRepliesStrictly)
{
    const auto list = TunneldTunnel::decodeList(R"({"U1": [], "U2": [
        {"tunnel-address": "fd7b:e5b:6f53::1", "tunnel-port": 64337, "interface": "utun6"},
        {"tunnel-address": "fd00::2", "tunnel-port": 1, "interface": "utun7"}]})");
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->value(QStringLiteral("U1")).isEmpty());
    ASSERT_EQ(list->value(QStringLiteral("U2")).size(), 2);
    EXPECT_EQ(list->value(QStringLiteral("U2")).first(),
              (TunneldTunnel{QStringLiteral("fd7b:e5b:6f53::1"), 64337, QStringLiteral("utun6")}));
    EXPECT_TRUE(TunneldTunnel::decodeList("{}"));

    const QByteArray badLists[] = {
        R"({"U": [{"tunnel-address": "a", "tunnel-port": "64337", "interface": "i"}]})",
        R"({"U": [{"tunnel-address": "a", "tunnel-port": 1}]})",
        R"({"U": [{"tunnel-address": "a", "tunnel-port": 0, "interface": "i"}]})",
        R"({"U": [{"tunnel-address": "a", "tunnel-port": 65536, "interface": "i"}]})",
        R"({"U": {"tunnel-address": "a", "tunnel-port": 1, "interface": "i"}})",
        R"([])",
        "Internal Server Error",
    };
    for (const QByteArray& json : badLists)
        EXPECT_FALSE(TunneldTunnel::decodeList(json)) << json.constData();

    const auto started = TunneldStartTunnel::decode(R"({"interface": "utun6", "port": 64337, "address": "fd::1"})");
    ASSERT_TRUE(started);
    EXPECT_EQ(started->tunnel(), (TunneldTunnel{QStringLiteral("fd::1"), 64337, QStringLiteral("utun6")}));
    EXPECT_FALSE(TunneldStartTunnel::decode(R"({"interface": "utun6", "port": "64337", "address": "fd::1"})"));
    EXPECT_FALSE(TunneldStartTunnel::decode(R"({"interface": "utun6", "address": "fd::1"})"));
    EXPECT_FALSE(TunneldStartTunnel::decode(R"({"interface": "utun6", "port": 1.5, "address": "fd::1"})"));
    for (const char* port : {"0", "-1", "65536", "4294967297"})
        EXPECT_FALSE(TunneldStartTunnel::decode(QByteArray(R"({"interface": "utun6", "address": "fd::1", "port": )") +
                                                port + '}'))
            << port;
    EXPECT_TRUE(TunneldStartTunnel::decode(R"({"interface": "utun6", "port": 65535, "address": "fd::1"})"));
}
