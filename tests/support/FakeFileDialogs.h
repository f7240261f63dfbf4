#pragma once

#include "async/ReadyFuture.h"
#include "platform/FileDialogs.h"

#include <QList>
#include <QPromise>
#include <memory>
#include <vector>

namespace ostrevin::test {

/// Answers every save dialog with the path the test chose (none: the user
/// cancels) and keeps the requests.
class FakeFileDialogs final : public FileDialogs {
public:
    explicit FakeFileDialogs(std::optional<QString> chosen = std::nullopt) : m_chosen(std::move(chosen)) {}

    void choose(std::optional<QString> path) { m_chosen = std::move(path); }
    QList<SaveRequest> requests() const { return m_requests; }

    /// From now on a dialog stays open until answer() closes it.
    void holdOpen() { m_holdsOpen = true; }
    /// Closes the open dialogs with this path (none: cancelled).
    void answer(const std::optional<QString>& path)
    {
        for (const auto& open : std::exchange(m_open, {})) {
            open->addResult(path);
            open->finish();
        }
        m_holdsOpen = false;
    }

    QFuture<std::optional<QString>> chooseSaveLocation(const SaveRequest& request) override
    {
        m_requests.append(request);
        if (!m_holdsOpen)
            return readyFuture(m_chosen);
        auto open = std::make_shared<QPromise<std::optional<QString>>>();
        open->start();
        m_open.push_back(open);
        return open->future();
    }

private:
    bool m_holdsOpen = false;
    std::vector<std::shared_ptr<QPromise<std::optional<QString>>>> m_open;
    std::optional<QString> m_chosen;
    QList<SaveRequest> m_requests;
};

} // namespace ostrevin::test
