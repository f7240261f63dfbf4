#pragma once

#include "alerts/TelegramAlertConfiguration.h"
#include "async/CancelToken.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>

class QNetworkAccessManager;

namespace ostrevin {

/// The client of the Telegram Bot API: sends a text message to the configured chat,
/// finds the chat of the newest private message to the bot, and tells whether that
/// chat replied with an acknowledgement. Every operation is one request and the
/// judgement of its reply; the client keeps no state between calls.
///
/// Operations run on the thread of the network access manager (the GUI thread)
/// without blocking it. They throw TelegramAlertError for refusals, malformed
/// replies and unusable settings, and NetworkTransportError when no HTTP reply
/// came back. No text they produce contains the bot token. Cancelling the token
/// given to an operation aborts its request, which then fails with
/// NetworkTransportError::Kind::cancelled.
class TelegramAlertService {
    Q_DECLARE_TR_FUNCTIONS(TelegramAlertService)

public:
    /// The public Bot API host.
    static QUrl defaultBaseUrl();
    static constexpr std::chrono::milliseconds defaultTimeout{12000};
    /// Updates per getUpdates reply: the Bot API's largest page.
    static constexpr int updatesPageLimit = 100;
    /// Pages read per operation at most (a queue keeps a day of updates).
    static constexpr int updatesPageCount = 50;

    /// network must outlive every pending operation. baseUrl replaces the public
    /// host (tests point it at a local server); timeout bounds each request.
    explicit TelegramAlertService(QNetworkAccessManager* network, QUrl baseUrl = defaultBaseUrl(),
                                  std::chrono::milliseconds timeout = defaultTimeout);

    /// Sends message, as plain text with a notification, to the configuration's chat.
    /// Returns the message's date by Telegram's clock (whole seconds), none when the
    /// reply carries no date: replies are judged by that clock, not this computer's.
    QCoro::Task<std::optional<QDateTime>> send(QString message, TelegramAlertConfiguration configuration,
                                               CancelToken cancel = {}) const;
    /// The chat ID (decimal text) of the newest private message among the pending
    /// updates, read page by page to the end of the queue.
    QCoro::Task<QString> latestPrivateChatID(QString botToken, CancelToken cancel = {}) const;
    /// Whether the chat chatID (trimmed, as it is sent to; a numeric ID or a
    /// channel's "@name") sent an acknowledgement word at or after since, a date by
    /// Telegram's clock; with an invalid since no message counts (nothing has been
    /// sent yet that a reply could answer). Reads the waiting updates page by page
    /// until it finds one.
    QCoro::Task<bool> hasAcknowledgement(QString botToken, QString chatID, QDateTime since,
                                         CancelToken cancel = {}) const;

    /// The replies that count as an acknowledgement, compared after trimming and lower-casing.
    static const QStringList& acknowledgementWords();
    /// Whether a trimmed token has the form the Bot API issues: digits, a colon, then
    /// letters, digits, "_" or "-". Anything else is refused before it reaches a URL.
    static bool isWellFormedToken(const QString& trimmedToken);

    struct Chat;
    struct Message;
    struct Update;
    struct UpdatesResponse;

private:
    struct Endpoint {
        QPointer<QNetworkAccessManager> network;
        QUrl baseUrl;
        std::chrono::milliseconds timeout;
        CancelToken cancel;
    };

    // Coroutines are static and take everything by value, so the service may go away
    // while a request is pending.
    static Endpoint withCancel(Endpoint endpoint, CancelToken cancel);
    static QCoro::Task<std::optional<QDateTime>> sendTo(Endpoint endpoint, QString message,
                                                        TelegramAlertConfiguration configuration);
    /// One page of the queue; offset confirms every update below it.
    static QCoro::Task<UpdatesResponse> updates(Endpoint endpoint, QString botToken, std::optional<qint64> offset);
    /// The offset of the page after this one, none at the end of the queue.
    static std::optional<qint64> nextPageOffset(const QList<Update>& page, std::optional<qint64> offset);
    static QCoro::Task<QString> latestPrivateChatIDFrom(Endpoint endpoint, QString botToken);
    static QCoro::Task<bool> hasAcknowledgementFrom(Endpoint endpoint, QString botToken, QString chatID,
                                                    QDateTime since);

    Endpoint m_endpoint;
};

} // namespace ostrevin
