#include "platform/LinuxKeepAwake.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusUnixFileDescriptor>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

using namespace ostrevin;

namespace {

const QString reason = QStringLiteral("Ostrevin is holding the iPhone's simulated location.");

// Stands in for logind: each inhibition is the write end of a pipe whose read end
// the test keeps, so the test sees when the last copy of the descriptor closes.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    struct Call {
        QString what, who, why, mode;
    };
    QList<Call> calls;
    int readEnd = -1;

    ~FakeLogind() override
    {
        if (readEnd >= 0)
            ::close(readEnd);
    }

    /// The inhibition was given back: every write end is closed.
    bool released() const
    {
        pollfd fd{readEnd, POLLIN, 0};
        return ::poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP);
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        calls.append({what, who, why, mode});
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        readEnd = ends[0];
        QDBusUnixFileDescriptor handed(ends[1]); // a duplicate
        ::close(ends[1]);
        return handed;
    }
};

// Stands in for the desktop's screen saver.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QStringList inhibitedFor;
    QList<uint> unInhibited;

public slots:
    uint Inhibit(const QString& application, const QString& why)
    {
        inhibitedFor << application + u": " + why;
        return 4242;
    }
    void UnInhibit(uint cookie) { unInhibited << cookie; }
};

// A second connection to the private bus, so calls really travel through the bus.
class ServiceConnection {
public:
    explicit ServiceConnection(const QString& name)
        : m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)), m_name(name)
    {
    }
    ~ServiceConnection() { QDBusConnection::disconnectFromBus(m_name); }

    bool serve(const QString& service, const QString& path, QObject* object)
    {
        return m_connection.registerObject(path, object, QDBusConnection::ExportAllSlots) &&
               m_connection.registerService(service);
    }

private:
    QDBusConnection m_connection;
    QString m_name;
};

bool waitFor(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 20000);
}

// Lets calls and replies in flight arrive (there is nothing to wait for).
void settle()
{
    QTest::qWait(200);
}

} // namespace

class KeepAwakeOnPrivateBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "needs the private bus of dbus-run-session";
    }
    QDBusConnection bus() const { return QDBusConnection::sessionBus(); }
};

TEST_F(KeepAwakeOnPrivateBus, LogindsDescriptorIsHeldUntilTheTokenEndsOnce)
{
    FakeLogind logind;
    ServiceConnection service(QStringLiteral("fake-logind"));
    ASSERT_TRUE(
        service.serve(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"), &logind));
    FakeScreenSaver screenSaver;
    ServiceConnection desktop(QStringLiteral("fake-desktop"));
    ASSERT_TRUE(desktop.serve(QStringLiteral("org.freedesktop.ScreenSaver"),
                              QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver));

    LinuxKeepAwake keepAwake(bus(), bus());
    auto token = keepAwake.begin(reason);
    ASSERT_TRUE(waitFor([&] { return logind.calls.size() == 1; }));
    EXPECT_EQ(logind.calls.first().what, QStringLiteral("sleep:idle"));
    EXPECT_EQ(logind.calls.first().who, QStringLiteral("Ostrevin"));
    EXPECT_EQ(logind.calls.first().why, reason);
    EXPECT_EQ(logind.calls.first().mode, QStringLiteral("block"));

    settle();
    EXPECT_FALSE(logind.released());
    EXPECT_TRUE(screenSaver.inhibitedFor.isEmpty());

    token->end();
    ASSERT_TRUE(waitFor([&] { return logind.released(); }));
    token->end();
    token.reset();
    settle();
    EXPECT_TRUE(screenSaver.unInhibited.isEmpty());
}

TEST_F(KeepAwakeOnPrivateBus, ATokenEndedBeforeLogindAnswersGivesTheDescriptorBackOnArrival)
{
    FakeLogind logind;
    ServiceConnection service(QStringLiteral("fake-logind"));
    ASSERT_TRUE(
        service.serve(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"), &logind));

    LinuxKeepAwake keepAwake(bus(), bus());
    keepAwake.begin(reason).reset();
    ASSERT_TRUE(waitFor([&] { return logind.calls.size() == 1; }));
    EXPECT_TRUE(waitFor([&] { return logind.released(); }));
}

TEST_F(KeepAwakeOnPrivateBus, WithoutLogindTheScreenSaverIsInhibitedAndReleasedExactlyOnce)
{
    FakeScreenSaver screenSaver;
    ServiceConnection desktop(QStringLiteral("fake-desktop"));
    ASSERT_TRUE(desktop.serve(QStringLiteral("org.freedesktop.ScreenSaver"),
                              QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver));

    const QDBusConnection noSystemBus(QStringLiteral("ostrevin-no-such-connection"));
    struct Case {
        const char* name;
        bool systemBusWithoutLogind; // else no system bus at all
        bool endBeforeAnswer;
    };
    const Case cases[] = {
        {"logind absent, ended after the answer", true, false},
        {"no system bus, ended after the answer", false, false},
        // Without a system bus the screen saver is asked at once, so the token can
        // end while that call is still out.
        {"no system bus, ended before the answer", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        screenSaver.inhibitedFor.clear();
        screenSaver.unInhibited.clear();
        LinuxKeepAwake keepAwake(c.systemBusWithoutLogind ? bus() : noSystemBus, bus());
        auto token = keepAwake.begin(reason);
        if (!c.endBeforeAnswer) {
            ASSERT_TRUE(waitFor([&] { return screenSaver.inhibitedFor.size() == 1; }));
        }
        token->end();
        token->end();
        token.reset();
        ASSERT_TRUE(waitFor([&] { return screenSaver.unInhibited.size() == 1; }));
        settle();
        EXPECT_EQ(screenSaver.inhibitedFor, QStringList{u"Ostrevin: " + reason});
        EXPECT_EQ(screenSaver.unInhibited, QList<uint>{4242});
    }
}

TEST_F(KeepAwakeOnPrivateBus, WithNeitherServiceTheActivityIsANoOpThatSaysSo)
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg)
                warnings << text;
        });
    LinuxKeepAwake keepAwake(bus(), bus());
    auto token = keepAwake.begin(reason);
    const bool warned = waitFor([&] { return !warnings.isEmpty(); });
    qInstallMessageHandler(previous);
    ASSERT_TRUE(warned);
    EXPECT_TRUE(warnings.first().contains(u"logind")) << warnings.first().toStdString();
    EXPECT_TRUE(warnings.first().contains(u"screen saver")) << warnings.first().toStdString();
    token.reset();
}

#include "KeepAwakeDBusTest.moc"
