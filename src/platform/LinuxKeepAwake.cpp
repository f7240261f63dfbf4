#include "platform/LinuxKeepAwake.h"

#include "platform/PlatformLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <memory>
#include <mutex>
#include <optional>

namespace ostrevin {

namespace {

constexpr int callTimeoutMs = 5000;

const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString logindPath = QStringLiteral("/org/freedesktop/login1");
const QString logindInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString screenSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");

// What one begin() obtained, shared by the token and the pending calls.
class Activity {
public:
    explicit Activity(QDBusConnection sessionBus) : m_sessionBus(std::move(sessionBus)) {}

    bool hasEnded() const
    {
        std::lock_guard lock(m_mutex);
        return m_ended;
    }

    void end()
    {
        std::optional<QDBusUnixFileDescriptor> descriptor;
        std::optional<uint> cookie;
        {
            std::lock_guard lock(m_mutex);
            if (m_ended)
                return;
            m_ended = true;
            descriptor.swap(m_descriptor);
            cookie.swap(m_cookie);
        }
        // Dropping our copy of the descriptor closes it, which ends the inhibition.
        descriptor.reset();
        if (cookie)
            unInhibit(*cookie);
    }

    void holdDescriptor(const QDBusUnixFileDescriptor& descriptor)
    {
        std::lock_guard lock(m_mutex);
        if (!m_ended)
            m_descriptor = descriptor;
        // Otherwise the copy in the reply is closed when the reply goes.
    }

    void holdCookie(uint cookie)
    {
        {
            std::lock_guard lock(m_mutex);
            if (!m_ended) {
                m_cookie = cookie;
                return;
            }
        }
        unInhibit(cookie);
    }

private:
    void unInhibit(uint cookie)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(screenSaverService, screenSaverPath, screenSaverInterface,
                                                           QStringLiteral("UnInhibit"));
        call << cookie;
        m_sessionBus.send(call);
    }

    mutable std::mutex m_mutex;
    bool m_ended = false;
    std::optional<QDBusUnixFileDescriptor> m_descriptor;
    std::optional<uint> m_cookie;
    QDBusConnection m_sessionBus;
};

// Calls `call` and hands the finished reply to `handler`, with no object of ours
// needing to outlive the call.
template <typename Handler> void whenAnswered(const QDBusConnection& bus, const QDBusMessage& call, Handler handler)
{
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, callTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [handler = std::move(handler)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         handler(*finished);
                     });
}

void giveUp(const QString& why)
{
    qCWarning(lcPlatform, "Cannot keep this machine awake (%s); it may sleep while holding a location.",
              qUtf8Printable(why));
}

void askScreenSaver(const std::shared_ptr<Activity>& activity, const QDBusConnection& sessionBus, const QString& reason,
                    const QString& logindFailure)
{
    if (!sessionBus.isConnected()) {
        giveUp(logindFailure + QStringLiteral("; no session bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(screenSaverService, screenSaverPath, screenSaverInterface,
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("Ostrevin") << reason;
    whenAnswered(sessionBus, call, [activity, logindFailure](const QDBusPendingCall& answer) {
        const QDBusPendingReply<uint> reply = answer;
        if (reply.isError()) {
            giveUp(logindFailure + QStringLiteral("; screen saver: ") + reply.error().message());
            return;
        }
        activity->holdCookie(reply.value());
    });
}

} // namespace

LinuxKeepAwake::LinuxKeepAwake(QDBusConnection systemBus, QDBusConnection sessionBus)
    : m_systemBus(std::move(systemBus)), m_sessionBus(std::move(sessionBus))
{
}

std::unique_ptr<KeepAwakeToken> LinuxKeepAwake::begin(const QString& reason)
{
    auto activity = std::make_shared<Activity>(m_sessionBus);
    if (m_systemBus.isConnected()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(logindService, logindPath, logindInterface, QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep:idle") << QStringLiteral("Ostrevin") << reason << QStringLiteral("block");
        whenAnswered(m_systemBus, call, [activity, sessionBus = m_sessionBus, reason](const QDBusPendingCall& answer) {
            const QDBusPendingReply<QDBusUnixFileDescriptor> reply = answer;
            if (!reply.isError() && reply.value().isValid()) {
                // Our own duplicate: its closing alone ends the inhibition, whatever
                // happens to the reply that carried it.
                activity->holdDescriptor(QDBusUnixFileDescriptor(reply.value().fileDescriptor()));
                return;
            }
            const QString failure = QStringLiteral("logind: ") +
                                    (reply.isError() ? reply.error().message() : QStringLiteral("no descriptor"));
            // A token that already ended needs no fallback.
            if (!activity->hasEnded())
                askScreenSaver(activity, sessionBus, reason, failure);
        });
    } else {
        askScreenSaver(activity, m_sessionBus, reason, QStringLiteral("no system bus"));
    }
    return std::make_unique<KeepAwakeToken>([activity] { activity->end(); });
}

} // namespace ostrevin
