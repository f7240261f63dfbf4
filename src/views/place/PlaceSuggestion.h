#pragma once

#include "platform/PlaceSearchService.h"
#include "routedata/CoordinateParser.h"

#include <QString>
#include <variant>

namespace ostrevin {

/// One line of a search field's suggestion list: typed coordinates, or a place
/// the search service found.
struct PlaceSuggestion {
    /// "coordinates:<title>" for typed coordinates; "<position>:<title>:<subtitle>"
    /// for a found place. Unique within one list.
    QString id;
    QString title;
    QString subtitle;
    std::variant<CoordinateParser::Result, PlaceCandidate> kind;

    bool isCoordinates() const { return std::holds_alternative<CoordinateParser::Result>(kind); }

    bool operator==(const PlaceSuggestion&) const = default;
};

} // namespace ostrevin
