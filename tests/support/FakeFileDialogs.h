#pragma once

#include "async/ReadyFuture.h"
#include "platform/FileDialogs.h"

#include <QList>

namespace ostrevin::test {

/// Answers every save dialog with the path the test chose (none: the user
/// cancels) and keeps the requests.
class FakeFileDialogs final : public FileDialogs {
public:
    explicit FakeFileDialogs(std::optional<QString> chosen = std::nullopt) : m_chosen(std::move(chosen)) {}

    void choose(std::optional<QString> path) { m_chosen = std::move(path); }
    QList<SaveRequest> requests() const { return m_requests; }

    QFuture<std::optional<QString>> chooseSaveLocation(const SaveRequest& request) override
    {
        m_requests.append(request);
        return readyFuture(m_chosen);
    }

private:
    std::optional<QString> m_chosen;
    QList<SaveRequest> m_requests;
};

} // namespace ostrevin::test
