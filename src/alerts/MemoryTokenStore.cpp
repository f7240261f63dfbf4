#include "alerts/MemoryTokenStore.h"

#include <QCoro/QCoroSignal>

namespace ostrevin {

MemoryTokenStore::MemoryTokenStore(QObject* parent) : QObject(parent)
{
}

TelegramTokenLoad MemoryTokenStore::current() const
{
    if (m_unavailable)
        return {TelegramTokenLoad::Status::unavailable, {}, *m_unavailable};
    if (m_item)
        return {TelegramTokenLoad::Status::found, *m_item, {}};
    return {TelegramTokenLoad::Status::missing, {}, {}};
}

QCoro::Task<TelegramTokenLoad> MemoryTokenStore::load()
{
    ++m_loadCount;
    if (m_holdLoads)
        co_await qCoro(this, &MemoryTokenStore::released);
    co_return current();
}

QCoro::Task<void> MemoryTokenStore::save(QString token)
{
    ++m_saveCount;
    const QString trimmed = token.trimmed();
    if (trimmed.isEmpty()) {
        m_item.reset();
        co_return;
    }
    if (m_saveFailure)
        throw *m_saveFailure;
    m_item = trimmed;
    co_return;
}

void MemoryTokenStore::release()
{
    m_holdLoads = false;
    emit released();
}

} // namespace ostrevin
