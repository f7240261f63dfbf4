#include "platform/LinuxAppearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

using SettingsMap = QMap<QString, QVariantMap>;

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString appearanceNs = QStringLiteral("org.freedesktop.appearance");
const QString gnomeNs = QStringLiteral("org.gnome.desktop.interface");

// Stands in for the desktop portal's Settings interface.
class FakePortalSettings : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    SettingsMap settings;
    std::atomic<int> answerDelayMs = 0;

public slots:
    SettingsMap ReadAll(const QStringList& namespaces)
    {
        QThread::msleep(static_cast<unsigned long>(answerDelayMs.load()));
        SettingsMap answer;
        for (const QString& ns : namespaces) {
            if (settings.contains(ns))
                answer.insert(ns, settings.value(ns));
        }
        return answer;
    }
};

class AppearancePortal : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "needs the private bus of dbus-run-session";
        qDBusRegisterMetaType<SettingsMap>();
    }
    void TearDown() override
    {
        if (m_served)
            QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
        m_portalThread.quit();
        m_portalThread.wait();
    }

    // The portal answers on a thread of its own, as a separate process would:
    // the appearance reads it with a call that blocks the GUI thread.
    void serve()
    {
        portal.moveToThread(&m_portalThread);
        m_portalThread.start();
        m_connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal"));
        m_served = true;
        ASSERT_TRUE(m_connection.registerObject(portalPath, &portal, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(m_connection.registerService(portalService));
    }

    void emitChange(const QString& ns, const QString& key, const QVariant& value)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, QStringLiteral("org.freedesktop.portal.Settings"),
                                                         QStringLiteral("SettingChanged"));
        signal << ns << key << QVariant::fromValue(QDBusVariant(value));
        ASSERT_TRUE(m_connection.send(signal));
    }

    FakePortalSettings portal;

private:
    QThread m_portalThread;
    QDBusConnection m_connection{QString()};
    bool m_served = false;
};

} // namespace

TEST_F(AppearancePortal, ReadsTheDesktopsSettingsAtStart)
{
    struct Case {
        const char* name;
        SettingsMap settings;
        bool paletteDark;
        AppearanceState expected;
    };
    const std::vector<Case> cases = {
        {"dark, high contrast, animations off",
         {{appearanceNs, {{QStringLiteral("color-scheme"), 1u}, {QStringLiteral("contrast"), 1u}}},
          {gnomeNs, {{QStringLiteral("enable-animations"), false}}}},
         false,
         {true, true, true, false}},
        {"light preferred over a dark palette",
         {{appearanceNs, {{QStringLiteral("color-scheme"), 2u}}}},
         true,
         {false, false, false, false}},
        {"no preference: the palette decides",
         {{appearanceNs, {{QStringLiteral("color-scheme"), 0u}}}},
         true,
         {true, false, false, false}},
        {"the portal's reduced-motion wins over the animation switch",
         {{appearanceNs, {{QStringLiteral("reduced-motion"), 0u}}},
          {gnomeNs, {{QStringLiteral("enable-animations"), false}}}},
         false,
         {false, false, false, false}},
    };
    serve();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        portal.settings = c.settings;
        LinuxAppearance appearance(QDBusConnection::sessionBus(), [&] { return c.paletteDark; });
        EXPECT_EQ(appearance.current(), c.expected);
    }
}

TEST_F(AppearancePortal, StartUpGoesOnWhileThePortalAnswersAndTheLookWaitsForIt)
{
    portal.settings = {{appearanceNs, {{QStringLiteral("color-scheme"), 1u}}}};
    portal.answerDelayMs = 300;
    serve();
    QElapsedTimer clock;
    clock.start();
    LinuxAppearance appearance(QDBusConnection::sessionBus(), [] { return false; });
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_TRUE(appearance.current().dark);
    EXPECT_GE(clock.elapsed(), 250);
}

TEST_F(AppearancePortal, FollowsChangesAndIgnoresOtherSettings)
{
    portal.settings = {{appearanceNs, {{QStringLiteral("color-scheme"), 1u}}}};
    serve();
    LinuxAppearance appearance(QDBusConnection::sessionBus(), [] { return false; });
    ASSERT_TRUE(appearance.current().dark);
    QSignalSpy changed(&appearance, &Appearance::changed);

    // The subscription goes live once the bus has resolved the portal's name:
    // repeat the first change until it arrives (repeats change nothing).
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            emitChange(appearanceNs, QStringLiteral("color-scheme"), 2u);
            return !changed.isEmpty();
        },
        20000));
    EXPECT_FALSE(appearance.current().dark);

    // Signals arrive in order: when the contrast change is seen, the repeats and
    // the two signals before it have been read, and none of them changed anything.
    emitChange(gnomeNs, QStringLiteral("font-name"), QStringLiteral("Cantarell 11"));
    emitChange(appearanceNs, QStringLiteral("color-scheme"), 2u);
    emitChange(appearanceNs, QStringLiteral("contrast"), 1u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return changed.size() >= 2; }, 20000));
    EXPECT_EQ(changed.size(), 2);
    EXPECT_TRUE(appearance.current().highContrast);
}

TEST_F(AppearancePortal, WithoutAPortalThePaletteDecidesAtOnce)
{
    LinuxAppearance appearance(QDBusConnection::sessionBus(), [] { return true; });
    EXPECT_TRUE(appearance.current().dark);
    EXPECT_FALSE(appearance.current().highContrast);
}

#include "AppearancePortalTest.moc"
