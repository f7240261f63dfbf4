#include "alerts/KeychainTokenStore.h"

#include "alerts/TelegramAlertError.h"

#include <QCoreApplication>
#include <QCoro/QCoroSignal>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringDecoder>
#include <memory>
#include <qt6keychain/keychain.h>

namespace ostrevin {

namespace {

struct JobDeleter {
    // Jobs finish from inside their own signal emission; delete them from the event loop.
    void operator()(QKeychain::Job* job) const { job->deleteLater(); }
};

template <typename JobType> std::unique_ptr<JobType, JobDeleter> makeJob()
{
    std::unique_ptr<JobType, JobDeleter> job(new JobType(QString::fromUtf16(KeychainTokenStore::service)));
    job->setAutoDelete(false);
    job->setKey(QString::fromUtf16(KeychainTokenStore::key));
    // A plain-text file beside the settings is exactly where a credential must not go.
    job->setInsecureFallback(false);
    return job;
}

/// Runs a job to its end without blocking: the finished signal resumes us.
QCoro::Task<void> run(QKeychain::Job* job)
{
    auto finished = qCoro(job, &QKeychain::Job::finished);
    job->start();
    co_await std::move(finished);
}

QString failureText(const QKeychain::Job& job)
{
    return job.errorString();
}

/// The Secret Service's answer to method with argument, an error where there is no
/// session bus.
QCoro::Task<QDBusMessage> callSecretService(QString method, QVariant argument)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return QDBusMessage::createError(QDBusError::Disconnected, QString());
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"),
                                                       QStringLiteral("/org/freedesktop/secrets"),
                                                       QStringLiteral("org.freedesktop.Secret.Service"), method);
    call << argument;
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, 10000));
    if (!watcher.isFinished())
        co_await qCoro(&watcher, &QDBusPendingCallWatcher::finished);
    co_return watcher.reply();
}

/// Whether the Secret Service holds our item only in a locked collection. Asking
/// QtKeychain to read such an item makes the keyring daemon show an unlock prompt,
/// and when no prompt can be shown, QtKeychain reports the item as not found: a
/// locked keyring would read as "no token". SearchItems answers without a prompt.
/// Where there is no Secret Service (another backend, no session bus) the answer
/// is false and QtKeychain decides.
QCoro::Task<bool> itemIsLockedInSecretService()
{
    using Attributes = QMap<QString, QString>;
    qDBusRegisterMetaType<Attributes>();
    // The attributes QtKeychain gives its items in the Secret Service.
    const Attributes attributes{{QStringLiteral("server"), QString::fromUtf16(KeychainTokenStore::service)},
                                {QStringLiteral("user"), QString::fromUtf16(KeychainTokenStore::key)}};
    const QDBusPendingReply<QList<QDBusObjectPath>, QList<QDBusObjectPath>> reply =
        co_await callSecretService(QStringLiteral("SearchItems"), QVariant::fromValue(attributes));
    if (reply.isError())
        co_return false;
    co_return reply.argumentAt<0>().isEmpty() && !reply.argumentAt<1>().isEmpty();
}

/// Whether the Secret Service has no default keyring (on GNOME the "login" one) to
/// store new items in. The write then fails with a D-Bus object path for a
/// reason, which tells the user nothing.
QCoro::Task<bool> hasNoDefaultKeyring()
{
    const QDBusPendingReply<QDBusObjectPath> reply =
        co_await callSecretService(QStringLiteral("ReadAlias"), QStringLiteral("default"));
    // "/" is the Secret Service's "no such collection".
    co_return !reply.isError() && reply.value().path() == u"/";
}

QCoro::Task<TelegramTokenLoad> loadToken()
{
    if (co_await itemIsLockedInSecretService()) {
        //: The Telegram bot token could not be read because the system keyring is locked.
        co_return TelegramTokenLoad{TelegramTokenLoad::Status::unavailable,
                                    {},
                                    QCoreApplication::translate("KeychainTokenStore", "The keyring is locked.")};
    }
    auto job = makeJob<QKeychain::ReadPasswordJob>();
    co_await run(job.get());

    TelegramTokenLoad result;
    switch (job->error()) {
    case QKeychain::NoError: {
        const QByteArray bytes = job->binaryData();
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder(bytes);
        if (decoder.hasError()) {
            result.status = TelegramTokenLoad::Status::missing;
        } else {
            result.status = TelegramTokenLoad::Status::found;
            result.token = std::move(text);
        }
        break;
    }
    case QKeychain::EntryNotFound:
        result.status = TelegramTokenLoad::Status::missing;
        break;
    default:
        result.status = TelegramTokenLoad::Status::unavailable;
        result.failure = failureText(*job);
        if (result.failure.isEmpty())
            //: The secret store failed without a message of its own; %1 is its status code.
            result.failure =
                QCoreApplication::translate("KeychainTokenStore", "error %1").arg(static_cast<int>(job->error()));
        break;
    }
    co_return result;
}

QCoro::Task<void> saveToken(QString token)
{
    const QString trimmed = token.trimmed();
    if (trimmed.isEmpty()) {
        // Nothing to delete is fine, and so, by design, is a deletion that failed.
        auto job = makeJob<QKeychain::DeletePasswordJob>();
        co_await run(job.get());
        co_return;
    }
    auto job = makeJob<QKeychain::WritePasswordJob>();
    job->setBinaryData(trimmed.toUtf8());
    co_await run(job.get());
    if (job->error() == QKeychain::NoError)
        co_return;
    const int status = static_cast<int>(job->error());
    if (co_await hasNoDefaultKeyring()) {
        //: Why the Telegram bot token could not be stored: the system has no default keyring to put it in.
        throw TelegramAlertError::keychain(
            status, QCoreApplication::translate("KeychainTokenStore", "there’s no “login” keyring to keep it in."));
    }
    throw TelegramAlertError::keychain(status, failureText(*job));
}

} // namespace

QCoro::Task<TelegramTokenLoad> KeychainTokenStore::load()
{
    return loadToken();
}

QCoro::Task<void> KeychainTokenStore::save(QString token)
{
    return saveToken(std::move(token));
}

} // namespace ostrevin
