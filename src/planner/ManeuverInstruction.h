#pragma once

#include <QCoreApplication>
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
    };

    static QString text(const Maneuver& maneuver);

    /// "Name (Ref)", the one that exists, or empty.
    static QString road(const QString& name, const QString& ref);

private:
    enum class Side { none, left, right };
    static Side side(const QString& modifier);
    static QString sideWord(Side side);
    static QString turn(const QString& modifier, const QString& road);
    static QString keepGoing(const QString& road);
};

} // namespace ostrevin
