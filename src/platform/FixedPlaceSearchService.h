#pragma once

#include "platform/PlaceSearchService.h"

namespace ostrevin {

/// Answers every search from a fixed list, without a network: the places whose
/// title or subtitle contains the text (case-insensitive), up to the limit. For
/// pictures of the interface and for runs without a geocoder.
class FixedPlaceSearchService final : public PlaceSearchService {
public:
    explicit FixedPlaceSearchService(QList<PlaceCandidate> places) : m_places(std::move(places)) {}

    QFuture<std::optional<QList<PlaceCandidate>>> search(const PlaceSearchQuery& query,
                                                         std::stop_token stopToken = {}) override;

private:
    QList<PlaceCandidate> m_places;
};

} // namespace ostrevin
