#pragma once

#include "alerts/TelegramAlertError.h"
#include "alerts/TelegramTokenStore.h"

#include <QObject>
#include <optional>

namespace ostrevin {

/// A token store in memory, for tests of the code that uses the store. It follows
/// the real store's rules (trimming, deletion by an empty token) and can play the
/// secret store's failures. Loads can be held back to test code that must cope
/// with a read still in flight.
class MemoryTokenStore final : public QObject, public TelegramTokenStore {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MemoryTokenStore)

public:
    explicit MemoryTokenStore(QObject* parent = nullptr);

    QCoro::Task<TelegramTokenLoad> load() override;
    QCoro::Task<void> save(QString token) override;

    /// The stored item, if any.
    std::optional<QString> item() const { return m_item; }
    void setItem(std::optional<QString> item) { m_item = std::move(item); }

    /// While set, loads report the store unavailable with this text.
    void setUnavailable(std::optional<QString> failure) { m_unavailable = std::move(failure); }
    /// While set, saves of a non-empty token throw this and change nothing.
    void setSaveFailure(std::optional<TelegramAlertError> failure) { m_saveFailure = std::move(failure); }

    /// Held loads wait until release() and then read the item as it stands then.
    void holdLoads(bool hold) { m_holdLoads = hold; }
    void release();

    int loadCount() const { return m_loadCount; }
    int saveCount() const { return m_saveCount; }

signals:
    void released();

private:
    TelegramTokenLoad current() const;

    std::optional<QString> m_item;
    std::optional<QString> m_unavailable;
    std::optional<TelegramAlertError> m_saveFailure;
    bool m_holdLoads = false;
    int m_loadCount = 0;
    int m_saveCount = 0;
};

} // namespace ostrevin
