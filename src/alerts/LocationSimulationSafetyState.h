#pragma once

#include <QUuid>

namespace ostrevin {

/// Whether losing the simulated location right now is an interruption to warn
/// about. Only a confirmed hold or a confirmed route playback may open an
/// incident; every other state is a transition the user asked for (or none).
class LocationSimulationSafetyState {
public:
    /// In case-index order: the incident rule tests the index.
    enum class Case {
        routeConfirmed,
        inactive,
        starting,
        holdingConfirmed,
        intentionalTransition,
        resetting,
        shuttingDown
    };

    LocationSimulationSafetyState() = default;

    static LocationSimulationSafetyState routeConfirmed(const QUuid& playbackID)
    {
        return LocationSimulationSafetyState(Case::routeConfirmed, playbackID);
    }
    static LocationSimulationSafetyState inactive() { return LocationSimulationSafetyState(Case::inactive); }
    static LocationSimulationSafetyState starting() { return LocationSimulationSafetyState(Case::starting); }
    static LocationSimulationSafetyState holdingConfirmed()
    {
        return LocationSimulationSafetyState(Case::holdingConfirmed);
    }
    static LocationSimulationSafetyState intentionalTransition()
    {
        return LocationSimulationSafetyState(Case::intentionalTransition);
    }
    static LocationSimulationSafetyState resetting() { return LocationSimulationSafetyState(Case::resetting); }
    static LocationSimulationSafetyState shuttingDown() { return LocationSimulationSafetyState(Case::shuttingDown); }

    Case kind() const { return m_case; }
    /// The confirmed playback's identifier; null for every other case.
    QUuid playbackID() const { return m_playbackID; }

    /// True only for routeConfirmed and holdingConfirmed.
    bool mayOpenIncident() const
    {
        constexpr unsigned refusingCases = 0x76;
        return ((1u << static_cast<unsigned>(m_case)) & refusingCases) == 0;
    }

    bool operator==(const LocationSimulationSafetyState&) const = default;

private:
    explicit LocationSimulationSafetyState(Case kind, QUuid playbackID = {}) : m_case(kind), m_playbackID(playbackID) {}

    Case m_case = Case::inactive;
    QUuid m_playbackID;
};

} // namespace ostrevin
