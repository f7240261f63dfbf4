#pragma once

#include "routedata/RoutePoint.h"

namespace ostrevin {

/// What the device controller can ask of a helper tool. developerInfo and
/// mountDeveloperDiskImage are asked only of pymobiledevice3.
class HelperAction {
public:
    enum class Case { set, clear, developerInfo, mountDeveloperDiskImage };

    /// Set the simulated location to the point.
    static HelperAction set(RoutePoint point) { return HelperAction(Case::set, std::move(point)); }
    static HelperAction clear() { return HelperAction(Case::clear); }
    static HelperAction developerInfo() { return HelperAction(Case::developerInfo); }
    static HelperAction mountDeveloperDiskImage() { return HelperAction(Case::mountDeveloperDiskImage); }

    Case kind() const { return m_case; }
    /// The point of a set action.
    const RoutePoint& point() const { return m_point; }

    friend bool operator==(const HelperAction&, const HelperAction&) = default;

private:
    explicit HelperAction(Case kind, RoutePoint point = {}) : m_case(kind), m_point(std::move(point)) {}
    Case m_case;
    RoutePoint m_point;
};

} // namespace ostrevin
