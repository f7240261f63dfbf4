#include "platform/FixedPlaceSearchService.h"

#include <QFuture>

namespace ostrevin {

QFuture<std::optional<QList<PlaceCandidate>>> FixedPlaceSearchService::search(const PlaceSearchQuery& query,
                                                                              std::stop_token stopToken)
{
    if (stopToken.stop_requested())
        return QtFuture::makeReadyFuture(std::optional<QList<PlaceCandidate>>());
    const QString text = query.text.trimmed();
    QList<PlaceCandidate> found;
    for (const PlaceCandidate& place : m_places) {
        if (found.size() >= query.limit)
            break;
        if (place.title.contains(text, Qt::CaseInsensitive) || place.subtitle.contains(text, Qt::CaseInsensitive))
            found << place;
    }
    return QtFuture::makeReadyFuture(std::optional<QList<PlaceCandidate>>(found));
}

} // namespace ostrevin
