#pragma once

#include <QFuture>
#include <QList>
#include <QString>
#include <optional>
#include <stop_token>

namespace ostrevin {

/// One place a search service found. The coordinates are the place's own, so a
/// chosen suggestion needs no second search (which might find another place).
struct PlaceCandidate {
    /// The place's own name, trimmed; empty when the service gave none.
    QString name;
    /// First line of a suggestion row: the name, else the street.
    QString title;
    /// Second line: where the place lies (city, country); may be empty.
    QString subtitle;
    double latitude = 0;
    double longitude = 0;

    bool operator==(const PlaceCandidate&) const = default;
};

/// What to look for.
struct PlaceSearchQuery {
    QString text;
    int limit = 5;
    /// Results near this point rank first (the map's centre).
    std::optional<std::pair<double, double>> biasLatitudeLongitude;
    /// Two-letter language of the results; services ignore what they do not know.
    QString language;
};

/// Finds places by name, address or point of interest, for the search fields.
class PlaceSearchService {
public:
    PlaceSearchService() = default;
    PlaceSearchService(const PlaceSearchService&) = delete;
    PlaceSearchService& operator=(const PlaceSearchService&) = delete;
    virtual ~PlaceSearchService() = default;

    /// The candidates in the service's order (possibly none), or no value when the
    /// service failed or gave an answer we cannot read. A stop request abandons
    /// the request at once; its future then finishes with no value. The future
    /// always finishes (never cancelled), so it can be co_awaited on the GUI thread.
    virtual QFuture<std::optional<QList<PlaceCandidate>>> search(const PlaceSearchQuery& query,
                                                                 std::stop_token stopToken = {}) = 0;
};

} // namespace ostrevin
