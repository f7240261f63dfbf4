#pragma once

#include "support/FakeHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <memory>
#include <optional>

namespace ostrevin::test {

/// The Bot API's update queue as the real service keeps it, answering getUpdates
/// of one bot on a FakeHttpServer: at most `limit` updates (1 to 100, 100 when
/// absent) from the earliest one not yet confirmed; an `offset` confirms, and so
/// forgets, every update below it; a negative offset keeps only that many of the
/// newest. Replies have the real shape, with the fields a client does not read.
class FakeTelegramBotApi {
public:
    /// Serves "/bot<token>/getUpdates" on server (as its request check); other
    /// requests get the server's scripted replies.
    FakeTelegramBotApi(FakeHttpServer& server, const QString& token);

    /// A user's message in a private chat (or another chat type); returns its update_id.
    qint64 addMessage(qint64 chatID, const QString& text, qint64 date, const QByteArray& chatType = "private");
    /// A post in a channel with that @name (without the "@").
    qint64 addChannelPost(qint64 chatID, const QString& username, const QString& text, qint64 date);
    /// count messages "hello 1", "hello 2", … from chatID, all dated date.
    void addMessages(int count, qint64 chatID, qint64 date);

    /// Updates not yet confirmed.
    int pending() const;
    /// The offset of each getUpdates request, in order (none when it sent none).
    QList<std::optional<qint64>> offsets() const;

private:
    struct Queue {
        mutable QMutex mutex;
        QList<std::pair<qint64, QByteArray>> updates;
        qint64 nextID = 815'000'001;
        QList<std::optional<qint64>> offsets;
    };

    qint64 add(const QByteArray& member, const QByteArray& message);
    static FakeHttpReply answer(Queue& queue, const FakeHttpRequest& request);

    std::shared_ptr<Queue> m_queue = std::make_shared<Queue>();
};

} // namespace ostrevin::test
