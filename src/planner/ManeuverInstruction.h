#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <optional>

namespace ostrevin {

/// Turns an OSRM maneuver into a sentence for the directions list. OSRM sends no
/// text of its own, only the kind of maneuver, its direction and the road.
class ManeuverInstruction {
    Q_DECLARE_TR_FUNCTIONS(ManeuverInstruction)

public:
    struct Maneuver {
        /// "turn", "depart", "roundabout", ...; an unknown type reads as a turn.
        QString type;
        /// "left", "slight right", "uturn", ...; empty when absent.
        QString modifier;
        /// The exit to take at a roundabout, counted from 1.
        std::optional<int> exit;
        /// The road after the maneuver; either may be empty.
        QString name;
        QString ref;
        /// The ramp's exit numbers as signposted, ";" between several ("12A;12B").
        QString exits;
        /// The signposted destinations: "A 7, A 1: Hamburg, Kiel" (road numbers, then places).
        QString destinations;
        /// The rotary's own name, such as "Place Charles de Gaulle".
        QString rotaryName;
        /// The heading after the maneuver in degrees clockwise from north.
        std::optional<double> bearingAfter;
        /// Whether each lane before the maneuver, left to right, leads on; empty
        /// when the step tells nothing of its lanes.
        QList<bool> lanes;
    };

    static QString text(const Maneuver& maneuver);

    /// Whether next only says again what previous already said: leaving a
    /// roundabout onto the road that entering it named.
    static bool repeats(const Maneuver& previous, const Maneuver& next);

    /// "Name (Ref)", the one that exists, or empty. Road numbers the name already
    /// carries are not repeated.
    static QString road(const QString& name, const QString& ref);

private:
    enum class Side { none, left, right };
    /// Where the lanes that lead on lie among all lanes.
    enum class LaneGroup { anywhere, left, middle, right };
    static Side side(const QString& modifier);
    static LaneGroup laneGroup(const QList<bool>& lanes);
    static QString useLane(const Maneuver& maneuver, Side to, const QString& road);
    static QString sideWord(Side side);
    static QString turn(const QString& modifier, const QString& road);
    static QString keepGoing(const QString& road);
    static QString depart(std::optional<double> bearing, const QString& road);
    static QString roundabout(const Maneuver& maneuver, const QString& road);
    static QString offRamp(const Maneuver& maneuver, Side to, const QString& road);
    /// "1st" to "10th"; empty beyond, where exits are told by number.
    static QString ordinal(int number);
    /// The places of a destinations sign, else its road numbers; empty without a sign.
    static QString towards(const QString& destinations);
};

} // namespace ostrevin
