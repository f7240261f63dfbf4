#include "alerts/TelegramAlertService.h"

#include "BuildConfig.h"
#include "alerts/TelegramAlertError.h"
#include "platform/NetworkTransportError.h"

#include <QCoro/QCoroNetworkReply>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace ostrevin {

struct TelegramAlertService::Chat {
    qint64 id = 0;
    QString type;
    /// The @name of a channel, group or user, without the "@".
    std::optional<QString> username;
};

struct TelegramAlertService::Message {
    Chat chat;
    std::optional<QString> text;
    std::optional<qint64> date;
};

struct TelegramAlertService::Update {
    qint64 updateID = 0;
    std::optional<Message> message;
    std::optional<Message> editedMessage;
    /// A post in a channel the bot belongs to (a channel's messages come only so).
    std::optional<Message> channelPost;
    std::optional<Message> editedChannelPost;

    /// The message an update is judged by: the message, else its edited version,
    /// else a channel post or its edited version.
    const Message* effectiveMessage() const
    {
        for (const std::optional<Message>* candidate : {&message, &editedMessage, &channelPost, &editedChannelPost}) {
            if (*candidate)
                return &**candidate;
        }
        return nullptr;
    }
};

struct TelegramAlertService::UpdatesResponse {
    bool ok = false;
    QList<Update> result;
    std::optional<QString> description;
};

namespace {

// Strict readers of the Bot API's JSON: a required member that is missing or of the
// wrong type, or an optional one of the wrong type, makes the whole reply unreadable.
// A null optional member counts as absent; members we do not name are ignored.

bool readBool(const QJsonValue& value, bool& out)
{
    if (!value.isBool())
        return false;
    out = value.toBool();
    return true;
}

bool readInt64(const QJsonValue& value, qint64& out)
{
    if (!value.isDouble())
        return false;
    // toInteger answers its default for fractions and out-of-range values; two
    // different defaults tell that apart from a genuine 0 or 1.
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (a != b)
        return false;
    out = a;
    return true;
}

bool readOptionalString(const QJsonObject& object, QLatin1StringView key, std::optional<QString>& out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool readOptionalInt64(const QJsonObject& object, QLatin1StringView key, std::optional<qint64>& out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    qint64 number = 0;
    if (!readInt64(value, number))
        return false;
    out = number;
    return true;
}

std::optional<QJsonObject> parseObject(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

/// The members every Bot API reply has, and those of a refusal:
/// {"ok":false,"error_code":429,"description":"...","parameters":{"retry_after":5}}.
struct ApiReply {
    bool ok = false;
    std::optional<QString> description;
    std::optional<qint64> errorCode;
    std::optional<qint64> retryAfter;
};

std::optional<ApiReply> decodeApiReply(const QByteArray& body)
{
    const auto object = parseObject(body);
    if (!object)
        return std::nullopt;
    ApiReply response;
    if (!readBool(object->value(QLatin1StringView("ok")), response.ok) ||
        !readOptionalString(*object, QLatin1StringView("description"), response.description) ||
        !readOptionalInt64(*object, QLatin1StringView("error_code"), response.errorCode))
        return std::nullopt;
    const QJsonValue parameters = object->value(QLatin1StringView("parameters"));
    if (parameters.isObject() &&
        !readOptionalInt64(parameters.toObject(), QLatin1StringView("retry_after"), response.retryAfter))
        return std::nullopt;
    return response;
}

/// The refusal a reply carries, or none when it says nothing usable. The Bot API
/// never repeats the token, but whatever answers at the base address might; the
/// token must not reach a status line or the event log through it.
std::optional<TelegramAlertError> refusalOf(const ApiReply& reply, const QString& trimmedToken)
{
    if (!reply.description)
        return std::nullopt;
    QString reason = *reply.description;
    if (!trimmedToken.isEmpty())
        reason.replace(trimmedToken, QStringLiteral("…"));
    std::optional<std::chrono::seconds> retryAfter;
    if (reply.retryAfter && *reply.retryAfter > 0)
        retryAfter = std::chrono::seconds(std::min<qint64>(*reply.retryAfter, 3600));
    return TelegramAlertError::api(reason, retryAfter);
}

struct Decoder {
    using Chat = TelegramAlertService::Chat;
    using Message = TelegramAlertService::Message;
    using Update = TelegramAlertService::Update;
    using UpdatesResponse = TelegramAlertService::UpdatesResponse;

    static std::optional<Chat> chat(const QJsonValue& value)
    {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject object = value.toObject();
        Chat chat;
        const QJsonValue type = object.value(QLatin1StringView("type"));
        if (!readInt64(object.value(QLatin1StringView("id")), chat.id) || !type.isString() ||
            !readOptionalString(object, QLatin1StringView("username"), chat.username))
            return std::nullopt;
        chat.type = type.toString();
        return chat;
    }

    // false when the member is present but unreadable.
    static bool optionalMessage(const QJsonObject& parent, QLatin1StringView key, std::optional<Message>& out)
    {
        const QJsonValue value = parent.value(key);
        if (value.isUndefined() || value.isNull())
            return true;
        if (!value.isObject())
            return false;
        const QJsonObject object = value.toObject();
        Message message;
        const auto decodedChat = chat(object.value(QLatin1StringView("chat")));
        if (!decodedChat || !readOptionalString(object, QLatin1StringView("text"), message.text) ||
            !readOptionalInt64(object, QLatin1StringView("date"), message.date))
            return false;
        message.chat = *decodedChat;
        out = std::move(message);
        return true;
    }

    static std::optional<Update> update(const QJsonValue& value)
    {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject object = value.toObject();
        Update update;
        if (!readInt64(object.value(QLatin1StringView("update_id")), update.updateID) ||
            !optionalMessage(object, QLatin1StringView("message"), update.message) ||
            !optionalMessage(object, QLatin1StringView("edited_message"), update.editedMessage) ||
            !optionalMessage(object, QLatin1StringView("channel_post"), update.channelPost) ||
            !optionalMessage(object, QLatin1StringView("edited_channel_post"), update.editedChannelPost))
            return std::nullopt;
        return update;
    }

    static std::optional<UpdatesResponse> updatesResponse(const QByteArray& body)
    {
        const auto object = parseObject(body);
        if (!object)
            return std::nullopt;
        UpdatesResponse response;
        const QJsonValue result = object->value(QLatin1StringView("result"));
        if (!readBool(object->value(QLatin1StringView("ok")), response.ok) || !result.isArray() ||
            !readOptionalString(*object, QLatin1StringView("description"), response.description))
            return std::nullopt;
        const QJsonArray updates = result.toArray();
        response.result.reserve(updates.size());
        for (const QJsonValue& element : updates) {
            auto decoded = update(element);
            if (!decoded)
                return std::nullopt;
            response.result.append(std::move(*decoded));
        }
        return response;
    }
};

/// What came back for a request: the HTTP status (absent when the reply was not
/// HTTP) and the body.
struct HttpReply {
    std::optional<int> status;
    QByteArray body;

    bool isSuccess() const { return status && *status >= 200 && *status <= 299; }
};

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const { reply->deleteLater(); }
};

/// The request address, or nothing when the token cannot safely go into a URL.
std::optional<QUrl> methodUrl(const QUrl& baseUrl, const QString& trimmedToken, const QString& method)
{
    if (!TelegramAlertService::isWellFormedToken(trimmedToken))
        return std::nullopt;
    const QString base = baseUrl.toString(QUrl::StripTrailingSlash);
    QUrl url(base % u"/bot" % trimmedToken % method, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return std::nullopt;
    return url;
}

} // namespace

QUrl TelegramAlertService::defaultBaseUrl()
{
    return QUrl(QStringLiteral("https://api.telegram.org"));
}

TelegramAlertService::TelegramAlertService(QNetworkAccessManager* network, QUrl baseUrl,
                                           std::chrono::milliseconds timeout)
    : m_endpoint{network, std::move(baseUrl), timeout, {}}
{
}

TelegramAlertService::Endpoint TelegramAlertService::withCancel(Endpoint endpoint, CancelToken cancel)
{
    endpoint.cancel = std::move(cancel);
    return endpoint;
}

const QStringList& TelegramAlertService::acknowledgementWords()
{
    static const QStringList words{QStringLiteral("/ok"), QStringLiteral("/ack"), QStringLiteral("/potvrdit"),
                                   QStringLiteral("ok"), QStringLiteral("potvrzuji")};
    return words;
}

bool TelegramAlertService::isWellFormedToken(const QString& trimmedToken)
{
    return TelegramAlertConfiguration::isWellFormedToken(trimmedToken);
}

namespace {

QCoro::Task<HttpReply> perform(QPointer<QNetworkAccessManager> network, QNetworkRequest request,
                               std::chrono::milliseconds timeout, CancelToken cancel,
                               std::optional<QByteArray> postBody)
{
    if (!network || cancel.isCancelled())
        throw NetworkTransportError(NetworkTransportError::Kind::cancelled);
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QByteArray(QByteArrayLiteral("Ostrevin/") + ostrevin::BuildConfig::version));
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(postBody ? network->post(request, *postBody)
                                                                : network->get(request));
    {
        // Dropped before the reply: unregistering waits for a callback running elsewhere.
        QNetworkReply* const pending = reply.get();
        const CancelRegistration registration = cancel.onCancel([pending] {
            // Cancellation may come from any thread; the reply lives on this one.
            QMetaObject::invokeMethod(pending, &QNetworkReply::abort, Qt::QueuedConnection);
        });
        co_await pending;
    }

    const QNetworkReply::NetworkError error = reply->error();
    if (cancel.isCancelled())
        throw NetworkTransportError(NetworkTransportError::Kind::cancelled, static_cast<int>(error));
    if (NetworkTransportError::isTransportFailure(error)) {
        // Qt reports its transfer time-out as a cancelled operation; requests that
        // were not cancelled by their caller can only have been cut short by it.
        throw NetworkTransportError::fromReply(error, error == QNetworkReply::OperationCanceledError);
    }
    HttpReply result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        result.status = status.toInt();
    result.body = reply->readAll();
    co_return result;
}

qint64 secondsAtOrAfter(const QDateTime& since)
{
    // The first whole second not before since: messages carry whole seconds, since
    // may carry a fraction.
    const qint64 ms = since.toMSecsSinceEpoch();
    qint64 seconds = ms / 1000;
    if (ms % 1000 > 0)
        ++seconds;
    return seconds;
}

/// The date of the message a sendMessage reply returns. The message was delivered
/// either way: a reply without a readable date only leaves the date unknown.
std::optional<QDateTime> sentMessageDate(const QByteArray& body)
{
    const auto object = parseObject(body);
    if (!object)
        return std::nullopt;
    const QJsonValue result = object->value(QLatin1StringView("result"));
    std::optional<qint64> date;
    if (!result.isObject() || !readOptionalInt64(result.toObject(), QLatin1StringView("date"), date) || !date)
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(*date, Qt::UTC);
}

} // namespace

QCoro::Task<std::optional<QDateTime>> TelegramAlertService::sendTo(Endpoint endpoint, QString message,
                                                                   TelegramAlertConfiguration configuration)
{
    const QString token = configuration.botToken.trimmed();
    const QString chatID = configuration.chatID.trimmed();
    if (token.isEmpty() || chatID.isEmpty())
        throw TelegramAlertError::invalidConfiguration();
    const auto url = methodUrl(endpoint.baseUrl, token, QStringLiteral("/sendMessage"));
    if (!url)
        throw TelegramAlertError::invalidConfiguration();

    QNetworkRequest request(*url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    const QJsonObject body{{QStringLiteral("chat_id"), chatID},
                           {QStringLiteral("text"), message},
                           {QStringLiteral("disable_notification"), false}};
    const HttpReply reply = co_await perform(endpoint.network, request, endpoint.timeout, endpoint.cancel,
                                             QJsonDocument(body).toJson(QJsonDocument::Compact));

    const auto decoded = decodeApiReply(reply.body);
    if (reply.isSuccess()) {
        if (!decoded)
            throw TelegramAlertError::invalidResponse();
        if (decoded->ok)
            co_return sentMessageDate(reply.body);
        if (auto refusal = refusalOf(*decoded, token))
            throw *refusal;
        //: Reason shown after "Telegram: " when the Bot API refused a message without saying why.
        throw TelegramAlertError::api(tr("sending failed"));
    }
    if (decoded) {
        if (auto refusal = refusalOf(*decoded, token))
            throw *refusal;
    }
    throw TelegramAlertError::invalidResponse();
}

QCoro::Task<TelegramAlertService::UpdatesResponse> TelegramAlertService::updates(Endpoint endpoint, QString botToken,
                                                                                 std::optional<qint64> offset)
{
    const QString token = botToken.trimmed();
    if (token.isEmpty())
        throw TelegramAlertError::invalidConfiguration();
    QString method = QStringLiteral("/getUpdates?limit=%1&timeout=0").arg(updatesPageLimit);
    if (offset)
        method += QStringLiteral("&offset=%1").arg(*offset);
    const auto url = methodUrl(endpoint.baseUrl, token, method);
    if (!url)
        throw TelegramAlertError::invalidConfiguration();

    const HttpReply reply =
        co_await perform(endpoint.network, QNetworkRequest(*url), endpoint.timeout, endpoint.cancel, std::nullopt);
    auto decoded = Decoder::updatesResponse(reply.body);
    if (!reply.isSuccess() || !decoded) {
        // A refusal (wrong token, another poller or a webhook, too many requests)
        // keeps its reason, as it does for a message.
        const auto refusal = decodeApiReply(reply.body);
        if (!reply.isSuccess() && refusal) {
            if (auto error = refusalOf(*refusal, token))
                throw *error;
        }
        throw TelegramAlertError::invalidResponse();
    }
    if (!decoded->ok) {
        if (auto refusal = refusalOf(ApiReply{false, decoded->description, {}, {}}, token))
            throw *refusal;
        //: Reason shown after "Telegram: " when the Bot API refused to list messages without saying why.
        throw TelegramAlertError::api(tr("couldn’t load messages"));
    }
    co_return std::move(*decoded);
}

std::optional<qint64> TelegramAlertService::nextPageOffset(const QList<Update>& page, std::optional<qint64> offset)
{
    // A page that is not full was the end of the queue. Asking for the next one
    // confirms this one to the server, which is only done for updates read here.
    if (page.size() < updatesPageLimit)
        return std::nullopt;
    qint64 highest = page.first().updateID;
    for (const Update& update : page)
        highest = std::max(highest, update.updateID);
    if (highest == std::numeric_limits<qint64>::max() || (offset && highest + 1 <= *offset))
        return std::nullopt;
    return highest + 1;
}

QCoro::Task<std::optional<QDateTime>>
TelegramAlertService::send(QString message, TelegramAlertConfiguration configuration, CancelToken cancel) const
{
    return sendTo(withCancel(m_endpoint, std::move(cancel)), std::move(message), std::move(configuration));
}

namespace {

QString chatOfLatestPrivateMessage(const QList<TelegramAlertService::Update>& updates)
{
    // Reply order, newest last; an update's message decides, and only when it is
    // absent does the edited message stand in for it.
    for (auto it = updates.crbegin(); it != updates.crend(); ++it) {
        const TelegramAlertService::Message* message = it->effectiveMessage();
        if (message && message->chat.type == u"private")
            return QString::number(message->chat.id);
    }
    return {};
}

/// Whether a message came from the configured chat: a numeric ID, or a channel's
/// or group's "@name" (Telegram names ignore letter case).
bool isFromChat(const TelegramAlertService::Chat& chat, const QString& chatID)
{
    const QString wanted = chatID.trimmed();
    if (wanted.startsWith(u'@'))
        return chat.username && wanted.mid(1).compare(*chat.username, Qt::CaseInsensitive) == 0;
    return QString::number(chat.id) == wanted;
}

bool containsAcknowledgement(const QList<TelegramAlertService::Update>& updates, const QString& chatID,
                             const QDateTime& since)
{
    if (!since.isValid())
        return false;
    const qint64 earliest = secondsAtOrAfter(since);
    for (const TelegramAlertService::Update& update : updates) {
        const TelegramAlertService::Message* message = update.effectiveMessage();
        if (!message || !isFromChat(message->chat, chatID))
            continue;
        if (!message->date || *message->date < earliest || !message->text)
            continue;
        if (TelegramAlertService::acknowledgementWords().contains(message->text->trimmed().toLower()))
            return true;
    }
    return false;
}

} // namespace

QCoro::Task<QString> TelegramAlertService::latestPrivateChatIDFrom(Endpoint endpoint, QString botToken)
{
    // The newest message may wait behind pages of older ones.
    QString chatID;
    std::optional<qint64> offset;
    for (int page = 0; page < updatesPageCount; ++page) {
        const UpdatesResponse response = co_await updates(endpoint, botToken, offset);
        const QString latest = chatOfLatestPrivateMessage(response.result);
        if (!latest.isEmpty())
            chatID = latest;
        offset = nextPageOffset(response.result, offset);
        if (!offset)
            break;
    }
    if (chatID.isEmpty()) {
        //: Shown after "Telegram: " when no one has written to the bot yet; "/start" is a command, keep it.
        throw TelegramAlertError::api(tr("Open the bot first and send it /start."));
    }
    co_return chatID;
}

QCoro::Task<bool> TelegramAlertService::hasAcknowledgementFrom(Endpoint endpoint, QString botToken, QString chatID,
                                                               QDateTime since)
{
    // The reply may wait behind pages of earlier messages; each page is read
    // before the next request confirms it, so no reply is confirmed unread.
    std::optional<qint64> offset;
    for (int page = 0; page < updatesPageCount; ++page) {
        const UpdatesResponse response = co_await updates(endpoint, botToken, offset);
        if (containsAcknowledgement(response.result, chatID, since))
            co_return true;
        offset = nextPageOffset(response.result, offset);
        if (!offset)
            break;
    }
    co_return false;
}

QCoro::Task<QString> TelegramAlertService::latestPrivateChatID(QString botToken, CancelToken cancel) const
{
    return latestPrivateChatIDFrom(withCancel(m_endpoint, std::move(cancel)), std::move(botToken));
}

QCoro::Task<bool> TelegramAlertService::hasAcknowledgement(QString botToken, QString chatID, QDateTime since,
                                                           CancelToken cancel) const
{
    return hasAcknowledgementFrom(withCancel(m_endpoint, std::move(cancel)), std::move(botToken), std::move(chatID),
                                  std::move(since));
}

} // namespace ostrevin
