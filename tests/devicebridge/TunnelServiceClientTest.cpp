#include "devicebridge/TunnelServiceClient.h"

#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"
#include "support/FailureOf.h"
#include "support/FakeHttpServer.h"

#include <QThread>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;

namespace {

const QByteArray listWithTunnel = R"({"OTHER": [], "00008110-0001": [
    {"tunnel-address": "fd7b:e5b:6f53::1", "tunnel-port": 64337, "interface": "utun6"},
    {"tunnel-address": "fd00::9", "tunnel-port": 9, "interface": "utun9"}]})";

const TunneldTunnel heldTunnel{QStringLiteral("fd7b:e5b:6f53::1"), 64337, QStringLiteral("utun6")};

int countPath(const FakeHttpServer& server, const QByteArray& path)
{
    int count = 0;
    for (const FakeHttpRequest& request : server.requests())
        count += request.path() == path ? 1 : 0;
    return count;
}

} // namespace

TEST(TunnelServiceClient, ProbeIsTrueOnlyFor200)
{
    FakeHttpServer server;
    const TunnelServiceClient client(server.url());
    server.setReply("GET", "/hello", FakeHttpReply::json("{}"));
    EXPECT_TRUE(client.isTunneldRunning());
    server.setReply("GET", "/hello", FakeHttpReply::text("starting", 503));
    EXPECT_FALSE(client.isTunneldRunning());
    FakeHttpReply slow = FakeHttpReply::json("{}");
    slow.delayMs = 4000;
    server.setReply("GET", "/hello", slow);
    EXPECT_FALSE(client.isTunneldRunning());
    server.stopListening();
    EXPECT_FALSE(client.isTunneldRunning());
    EXPECT_EQ(server.requests().first().method, "GET");
    EXPECT_TRUE(server.requests().first().body.isEmpty());
}

TEST(TunnelServiceClient, AServiceThatIsDownFailsTheTunnelRequestBeforeAnyStart)
{
    FakeHttpServer server;
    const TunnelServiceClient client(server.url());
    server.stopListening();
    EXPECT_FALSE(client.isTunneldRunning());
    const auto failure = failureOf<DeviceLocationError>([&] { client.startTunnelForDevice(QStringLiteral("U")); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->command(), QStringLiteral("tunneld /"));
    EXPECT_EQ(server.requestCount(), 0);
}

TEST(TunnelServiceClient, AHeldTunnelIsUsedWithoutAStartRequest)
{
    FakeHttpServer server;
    server.setReply("GET", "/", FakeHttpReply::json(listWithTunnel));
    const TunnelServiceClient client(server.url());
    EXPECT_EQ(client.activeTunnel(QStringLiteral("00008110-0001")), heldTunnel);
    EXPECT_EQ(client.activeTunnel(QStringLiteral("OTHER")), std::nullopt);
    EXPECT_EQ(client.activeTunnel(QStringLiteral("ABSENT")), std::nullopt);
    EXPECT_EQ(client.startTunnelForDevice(QStringLiteral("00008110-0001")), heldTunnel);
    EXPECT_EQ(countPath(server, "/start-tunnel"), 0);

    server.setReply("GET", "/", FakeHttpReply::json(R"({"U": [{"tunnel-port": "1"}]})"));
    const auto unreadable = failureOf<DeviceLocationError>([&] { client.activeTunnel(QStringLiteral("U")); });
    ASSERT_TRUE(unreadable);
    EXPECT_EQ(unreadable->command(), QStringLiteral("tunneld /"));
    server.setReply("GET", "/", FakeHttpReply::text("busy", 500));
    EXPECT_EQ(client.activeTunnel(QStringLiteral("U")), std::nullopt);
}

TEST(TunnelServiceClient, StartRepliesAndTheirFailures)
{
    struct Case {
        const char* name;
        QList<FakeHttpReply> lists; // replies to "/" in turn
        FakeHttpReply start;
        std::optional<TunneldTunnel> tunnel;
        QString failureOutput;
    };
    const TunneldTunnel started{QStringLiteral("fd::1"), 50000, QStringLiteral("utun3")};
    const Case cases[] = {
        {"started",
         {FakeHttpReply::json("{}")},
         FakeHttpReply::json(R"({"interface": "utun3", "port": 50000, "address": "fd::1"})"),
         started,
         {}},
        {"listed with an empty list",
         {FakeHttpReply::json(R"({"00008110-0001": []})")},
         FakeHttpReply::json(R"({"interface": "utun3", "port": 50000, "address": "fd::1"})"),
         started,
         {}},
        {"500 without a body",
         {FakeHttpReply::json("{}")},
         FakeHttpReply::text("", 500),
         std::nullopt,
         QStringLiteral("HTTP 500")},
        {"501 with a body",
         {FakeHttpReply::json("{}")},
         FakeHttpReply::json(R"({"error": "task not created"})", 501),
         std::nullopt,
         QStringLiteral(R"({"error": "task not created"})")},
        {"200 without a port, then listed",
         {FakeHttpReply::json("{}"), FakeHttpReply::json(listWithTunnel)},
         FakeHttpReply::json(R"({"interface": "utun6", "address": "fd::1"})"),
         heldTunnel,
         {}},
        {"200 without a port, still not listed",
         {FakeHttpReply::json("{}")},
         FakeHttpReply::json(R"({"interface": "utun6", "address": "fd::1"})"),
         std::nullopt,
         QStringLiteral(R"({"interface": "utun6", "address": "fd::1"})")},
        {"200 with an empty body, not listed",
         {FakeHttpReply::json("{}")},
         FakeHttpReply::text(""),
         std::nullopt,
         QStringLiteral("The tunnel was created, but Ostrevin didn’t receive its RSD address and port.")},
    };
    for (const Case& c : cases) {
        FakeHttpServer server;
        server.setReplies("GET", "/", c.lists);
        server.setReply("GET", "/start-tunnel", c.start);
        const TunnelServiceClient client(server.url());
        if (c.tunnel) {
            EXPECT_EQ(client.startTunnelForDevice(QStringLiteral("00008110-0001")), *c.tunnel) << c.name;
        } else {
            const auto failure =
                failureOf<DeviceLocationError>([&] { client.startTunnelForDevice(QStringLiteral("00008110-0001")); });
            ASSERT_TRUE(failure) << c.name;
            EXPECT_EQ(failure->command(), QStringLiteral("tunneld /start-tunnel")) << c.name;
            EXPECT_EQ(failure->output(), c.failureOutput) << c.name;
        }
        EXPECT_EQ(countPath(server, "/start-tunnel"), 1) << c.name;
    }
}

TEST(TunnelServiceClient, TheUdidIsPercentEncodedAndRequired)
{
    FakeHttpServer server;
    server.setReply("GET", "/", FakeHttpReply::json("{}"));
    server.setReply("GET", "/start-tunnel", FakeHttpReply::text("", 404));
    const TunnelServiceClient client(server.url());
    EXPECT_TRUE(failureOf<DeviceLocationError>([&] { client.startTunnelForDevice(QStringLiteral("A+B C&d=e/é")); }));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests.at(1).target, "/start-tunnel?udid=A%2BB%20C%26d%3De%2F%C3%A9");

    const auto noUdid = failureOf<DeviceLocationError>([&] { client.startTunnelForDevice(std::nullopt); });
    ASSERT_TRUE(noUdid);
    EXPECT_EQ(noUdid->output(), QStringLiteral("Ostrevin doesn’t know the iPhone’s UDID."));
    EXPECT_EQ(server.requestCount(), 2);
}

TEST(TunnelServiceClient, WaitEndsAtTheFirstAnsweringProbeOrFailsAfterTwelve)
{
    FakeHttpServer server;
    server.setReply("GET", "/hello", FakeHttpReply::json("{}"));
    server.dropFirst(3);
    const TunnelServiceClient client(server.url(), 10ms);
    client.waitForTunneld();
    EXPECT_EQ(server.requestCount(), 4);

    FakeHttpServer never;
    never.setReply("GET", "/hello", FakeHttpReply::text("no", 503));
    const TunnelServiceClient waiting(never.url(), 10ms);
    const auto failure = failureOf<DeviceLocationError>([&] { waiting.waitForTunneld(); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(never.requestCount(), 12);
    EXPECT_EQ(failure->command(), QStringLiteral("pymobiledevice3 remote tunneld"));
    EXPECT_EQ(failure->output(), u"tunneld didn’t start at " + never.url().toString() + u".");
}

TEST(TunnelServiceClient, StoppingAbortsAWaitingRequestAndAWait)
{
    FakeHttpServer server;
    FakeHttpReply slow = FakeHttpReply::json("{}");
    slow.delayMs = 60000;
    server.setReply("GET", "/", slow);
    server.setReply("GET", "/hello", FakeHttpReply::text("no", 503));
    const TunnelServiceClient client(server.url(), 60s);

    // The client runs on a worker thread, as on the device pool; the stop comes from here.
    const auto stoppedCall = [&](auto call, int requestsBeforeStop) {
        std::stop_source stop;
        std::exception_ptr failure;
        QThread* worker = QThread::create([&] {
            try {
                call(stop.get_token());
            } catch (...) {
                failure = std::current_exception();
            }
        });
        worker->start();
        const bool reached = server.waitForRequests(requestsBeforeStop);
        stop.request_stop();
        const bool ended = worker->wait(10000);
        delete worker;
        EXPECT_TRUE(reached && ended);
        return failure;
    };
    const auto cancelled = [](const std::exception_ptr& failure) {
        try {
            if (failure)
                std::rethrow_exception(failure);
        } catch (const CancellationError&) {
            return true;
        } catch (...) {
        }
        return false;
    };
    EXPECT_TRUE(cancelled(
        stoppedCall([&](std::stop_token token) { client.startTunnelForDevice(QStringLiteral("U"), token); }, 1)));
    EXPECT_TRUE(cancelled(stoppedCall([&](std::stop_token token) { client.waitForTunneld(token); }, 2)));
}
