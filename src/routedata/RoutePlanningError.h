#pragma once

#include "routedata/RouteTransportMode.h"

#include <QException>
#include <QString>

namespace ostrevin {

/// A place search or route planning that found nothing or took too long.
class RoutePlanningError : public QException {
public:
    enum class Kind { addressNotFound, transportUnavailable, routeNotFound, timedOut, searchUnavailable };

    /// The typed text was not found.
    static RoutePlanningError addressNotFound(QString text);
    /// No route for the travel mode asked for.
    static RoutePlanningError transportUnavailable(RouteTransportMode mode);
    static RoutePlanningError routeNotFound();
    static RoutePlanningError timedOut();
    /// The place search service failed or sent nothing readable: the typed text
    /// may well exist.
    static RoutePlanningError searchUnavailable();

    Kind kind() const { return m_kind; }
    /// The typed text of addressNotFound; empty otherwise.
    QString address() const { return m_address; }
    /// The mode of transportUnavailable; automobile otherwise.
    RouteTransportMode transportMode() const { return m_mode; }
    QString description() const;

    bool operator==(const RoutePlanningError& other) const
    {
        return m_kind == other.m_kind && m_address == other.m_address && m_mode == other.m_mode;
    }

    void raise() const override { throw *this; }
    RoutePlanningError* clone() const override { return new RoutePlanningError(*this); }

private:
    explicit RoutePlanningError(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    QString m_address;
    RouteTransportMode m_mode = RouteTransportMode::automobile;
};

} // namespace ostrevin
