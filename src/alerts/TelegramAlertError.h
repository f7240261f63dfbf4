#pragma once

#include <QCoreApplication>
#include <QException>
#include <QString>
#include <chrono>
#include <optional>

namespace ostrevin {

/// The one failure type of the Telegram alerts: the Bot API's refusals, replies
/// that make no sense, a configuration that cannot be used, and keychain writes
/// that failed. Its description is what the user reads in status lines, notices
/// and the event log, so it never carries the bot token.
class TelegramAlertError : public QException {
    Q_DECLARE_TR_FUNCTIONS(TelegramAlertError)

public:
    enum class Kind { api, keychain, invalidConfiguration, invalidResponse };

    /// The Bot API (or this client on its behalf) gave a reason for a failure;
    /// retryAfter: how long it asked us to wait before the next request (429).
    static TelegramAlertError api(QString reason, std::optional<std::chrono::seconds> retryAfter = std::nullopt);
    /// The secret store could not write the token. status is the store's own
    /// error code; platformMessage its text, empty when it has none.
    static TelegramAlertError keychain(int status, QString platformMessage);
    static TelegramAlertError invalidConfiguration();
    static TelegramAlertError invalidResponse();

    Kind kind() const { return m_kind; }
    /// The reason of an api failure, or the platform's message of a keychain failure.
    QString reason() const { return m_reason; }
    /// The store's status of a keychain failure; 0 otherwise.
    int status() const { return m_status; }
    /// How long the Bot API asked us to wait before the next request, if it did.
    std::optional<std::chrono::seconds> retryAfter() const { return m_retryAfter; }

    QString description() const;

    void raise() const override { throw *this; }
    TelegramAlertError* clone() const override { return new TelegramAlertError(*this); }
    const char* what() const noexcept override;

    bool operator==(const TelegramAlertError& other) const
    {
        return m_kind == other.m_kind && m_reason == other.m_reason && m_status == other.m_status &&
               m_retryAfter == other.m_retryAfter;
    }

private:
    TelegramAlertError(Kind kind, QString reason, int status);

    Kind m_kind;
    QString m_reason;
    int m_status = 0;
    std::optional<std::chrono::seconds> m_retryAfter;
    QByteArray m_what;
};

} // namespace ostrevin
