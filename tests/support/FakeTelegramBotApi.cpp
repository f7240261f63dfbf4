#include "support/FakeTelegramBotApi.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>

namespace ostrevin::test {

FakeTelegramBotApi::FakeTelegramBotApi(FakeHttpServer& server, const QString& token)
{
    const QByteArray path = "/bot" + token.toUtf8() + "/getUpdates";
    server.setRequestCheck([queue = m_queue, path](const FakeHttpRequest& request) -> std::optional<FakeHttpReply> {
        if (request.method != "GET" || request.path() != path)
            return std::nullopt;
        return answer(*queue, request);
    });
}

qint64 FakeTelegramBotApi::add(const QByteArray& member, const QByteArray& message)
{
    QMutexLocker lock(&m_queue->mutex);
    const qint64 id = m_queue->nextID++;
    m_queue->updates.append({id, "{\"update_id\":" + QByteArray::number(id) + ",\"" + member + "\":" + message + '}'});
    return id;
}

qint64 FakeTelegramBotApi::addMessage(qint64 chatID, const QString& text, qint64 date, const QByteArray& chatType)
{
    const QJsonObject from{{QStringLiteral("id"), chatID},
                           {QStringLiteral("is_bot"), false},
                           {QStringLiteral("first_name"), QStringLiteral("Jana")},
                           {QStringLiteral("language_code"), QStringLiteral("cs")}};
    QJsonObject chat{{QStringLiteral("id"), chatID}, {QStringLiteral("type"), QString::fromUtf8(chatType)}};
    if (chatType == "private")
        chat.insert(QStringLiteral("first_name"), QStringLiteral("Jana"));
    else
        chat.insert(QStringLiteral("title"), QStringLiteral("Family"));
    const QJsonObject message{{QStringLiteral("message_id"), static_cast<qint64>(m_queue->nextID % 100000)},
                              {QStringLiteral("from"), from},
                              {QStringLiteral("chat"), chat},
                              {QStringLiteral("date"), date},
                              {QStringLiteral("text"), text}};
    return add("message", QJsonDocument(message).toJson(QJsonDocument::Compact));
}

qint64 FakeTelegramBotApi::addChannelPost(qint64 chatID, const QString& username, const QString& text, qint64 date)
{
    const QJsonObject chat{{QStringLiteral("id"), chatID},
                           {QStringLiteral("title"), QStringLiteral("Ostrevin alerts")},
                           {QStringLiteral("username"), username},
                           {QStringLiteral("type"), QStringLiteral("channel")}};
    const QJsonObject post{{QStringLiteral("message_id"), static_cast<qint64>(m_queue->nextID % 100000)},
                           {QStringLiteral("sender_chat"), chat},
                           {QStringLiteral("chat"), chat},
                           {QStringLiteral("date"), date},
                           {QStringLiteral("text"), text}};
    return add("channel_post", QJsonDocument(post).toJson(QJsonDocument::Compact));
}

void FakeTelegramBotApi::addMessages(int count, qint64 chatID, qint64 date)
{
    for (int i = 1; i <= count; ++i)
        addMessage(chatID, QStringLiteral("hello %1").arg(i), date);
}

int FakeTelegramBotApi::pending() const
{
    QMutexLocker lock(&m_queue->mutex);
    return static_cast<int>(m_queue->updates.size());
}

QList<std::optional<qint64>> FakeTelegramBotApi::offsets() const
{
    QMutexLocker lock(&m_queue->mutex);
    return m_queue->offsets;
}

FakeHttpReply FakeTelegramBotApi::answer(Queue& queue, const FakeHttpRequest& request)
{
    QMutexLocker lock(&queue.mutex);
    const QUrlQuery query(QUrl::fromEncoded("http://x" + request.target));
    bool ok = false;
    const qint64 offset = query.queryItemValue(QStringLiteral("offset")).toLongLong(&ok);
    queue.offsets.append(ok ? std::optional<qint64>(offset) : std::nullopt);
    if (ok && offset < 0) {
        const qsizetype keep = std::min<qsizetype>(-offset, queue.updates.size());
        queue.updates.remove(0, queue.updates.size() - keep);
    } else if (ok) {
        queue.updates.removeIf([offset](const auto& update) { return update.first < offset; });
    }
    const int asked = query.queryItemValue(QStringLiteral("limit")).toInt();
    const qsizetype limit = asked >= 1 && asked <= 100 ? asked : 100;
    QByteArray body = "{\"ok\":true,\"result\":[";
    for (qsizetype i = 0; i < std::min(limit, queue.updates.size()); ++i)
        body += (i > 0 ? "," : "") + queue.updates.at(i).second;
    body += "]}";
    return FakeHttpReply::json(body);
}

} // namespace ostrevin::test
