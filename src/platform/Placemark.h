#pragma once

#include <QString>
#include <optional>

namespace ostrevin {

/// What a reverse lookup knows of a place; absent fields were not in the answer.
struct Placemark {
    std::optional<QString> name;
    std::optional<QString> thoroughfare;
    std::optional<QString> locality;

    bool operator==(const Placemark&) const = default;
};

} // namespace ostrevin
