#include "planner/ManeuverInstruction.h"

namespace ostrevin {

QString ManeuverInstruction::road(const QString& name, const QString& ref)
{
    const QString n = name.trimmed();
    const QString r = ref.trimmed();
    if (!n.isEmpty() && !r.isEmpty() && n != r) {
        //: A road in directions: %1 is its name, %2 its number, e.g. "Evropská (D6)".
        return tr("%1 (%2)").arg(n, r);
    }
    return n.isEmpty() ? r : n;
}

ManeuverInstruction::Side ManeuverInstruction::side(const QString& modifier)
{
    if (modifier.endsWith(u"left"))
        return Side::left;
    if (modifier.endsWith(u"right"))
        return Side::right;
    return Side::none;
}

QString ManeuverInstruction::sideWord(Side side)
{
    if (side == Side::left) {
        //: Side in directions, inserted into texts such as “Keep %1 at the fork” or “Merge %1”.
        return tr("left");
    }
    //: Side in directions, inserted into texts such as “Keep %1 at the fork” or “Merge %1”.
    return tr("right");
}

QString ManeuverInstruction::keepGoing(const QString& road)
{
    //: Directions step. %1 is a road.
    return road.isEmpty() ? tr("Continue") : tr("Continue onto %1").arg(road);
}

QString ManeuverInstruction::turn(const QString& modifier, const QString& road)
{
    // Whole sentences per direction: word order differs between languages.
    const bool onto = !road.isEmpty();
    if (modifier == u"left") {
        //: Directions step. %1 is a road.
        return onto ? tr("Turn left onto %1").arg(road) : tr("Turn left");
    }
    if (modifier == u"right") {
        //: Directions step. %1 is a road.
        return onto ? tr("Turn right onto %1").arg(road) : tr("Turn right");
    }
    if (modifier == u"sharp left") {
        //: Directions step. %1 is a road.
        return onto ? tr("Make a sharp left onto %1").arg(road) : tr("Make a sharp left");
    }
    if (modifier == u"sharp right") {
        //: Directions step. %1 is a road.
        return onto ? tr("Make a sharp right onto %1").arg(road) : tr("Make a sharp right");
    }
    if (modifier == u"slight left") {
        //: Directions step. %1 is a road.
        return onto ? tr("Bear left onto %1").arg(road) : tr("Bear left");
    }
    if (modifier == u"slight right") {
        //: Directions step. %1 is a road.
        return onto ? tr("Bear right onto %1").arg(road) : tr("Bear right");
    }
    if (modifier == u"uturn") {
        //: Directions step. %1 is a road.
        return onto ? tr("Make a U-turn onto %1").arg(road) : tr("Make a U-turn");
    }
    if (modifier == u"straight") {
        //: Directions step. %1 is a road.
        return onto ? tr("Go straight onto %1").arg(road) : tr("Go straight");
    }
    return keepGoing(road);
}

QString ManeuverInstruction::text(const Maneuver& maneuver)
{
    const QString& type = maneuver.type;
    const QString& modifier = maneuver.modifier;
    const QString onto = road(maneuver.name, maneuver.ref);
    const Side to = side(modifier);

    if (type == u"depart") {
        //: First directions step. %1 is a road.
        return onto.isEmpty() ? tr("Head out") : tr("Head out on %1").arg(onto);
    }
    if (type == u"arrive") {
        if (to == Side::none) {
            //: Last directions step.
            return tr("You have arrived at your destination");
        }
        //: Last directions step. %1 is “left” or “right”.
        return tr("Your destination is on the %1").arg(sideWord(to));
    }
    if (type == u"new name" || type == u"notification" || type == u"use lane")
        return keepGoing(onto);
    if (type == u"continue")
        return (modifier.isEmpty() || modifier == u"straight") ? keepGoing(onto) : turn(modifier, onto);
    if (type == u"merge") {
        if (to == Side::none) {
            //: Directions step. %1 is a road.
            return onto.isEmpty() ? tr("Merge") : tr("Merge onto %1").arg(onto);
        }
        //: Directions step. %1 is “left” or “right”, %2 a road.
        return onto.isEmpty() ? tr("Merge %1").arg(sideWord(to)) : tr("Merge %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"on ramp") {
        if (to == Side::none) {
            //: Directions step. %1 is a road.
            return onto.isEmpty() ? tr("Take the ramp") : tr("Take the ramp onto %1").arg(onto);
        }
        //: Directions step. %1 is “left” or “right”, %2 a road.
        return onto.isEmpty() ? tr("Take the ramp on the %1").arg(sideWord(to))
                              : tr("Take the ramp on the %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"off ramp") {
        if (to == Side::none) {
            //: Directions step. %1 is a road.
            return onto.isEmpty() ? tr("Take the exit") : tr("Take the exit onto %1").arg(onto);
        }
        //: Directions step. %1 is “left” or “right”, %2 a road.
        return onto.isEmpty() ? tr("Take the exit on the %1").arg(sideWord(to))
                              : tr("Take the exit on the %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"fork") {
        if (to == Side::none) {
            //: Directions step. %1 is a road.
            return onto.isEmpty() ? tr("Keep straight at the fork") : tr("Keep straight at the fork onto %1").arg(onto);
        }
        //: Directions step. %1 is “left” or “right”, %2 a road.
        return onto.isEmpty() ? tr("Keep %1 at the fork").arg(sideWord(to))
                              : tr("Keep %1 at the fork onto %2").arg(sideWord(to), onto);
    }
    if (type == u"end of road") {
        if (to == Side::none)
            return turn(modifier, onto);
        //: Directions step. %1 is “left” or “right”, %2 a road.
        return onto.isEmpty() ? tr("At the end of the road, turn %1").arg(sideWord(to))
                              : tr("At the end of the road, turn %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"roundabout turn" && to != Side::none) {
        //: Directions step at a small roundabout. %1 is “left” or “right”, %2 a road.
        return onto.isEmpty() ? tr("At the roundabout, turn %1").arg(sideWord(to))
                              : tr("At the roundabout, turn %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"roundabout" || type == u"rotary" || type == u"roundabout turn") {
        if (maneuver.exit && *maneuver.exit > 0) {
            //: Directions step. %1 is the number of the exit, %2 a road.
            return onto.isEmpty() ? tr("At the roundabout, take exit %1").arg(*maneuver.exit)
                                  : tr("At the roundabout, take exit %1 onto %2").arg(*maneuver.exit).arg(onto);
        }
        //: Directions step. %1 is a road.
        return onto.isEmpty() ? tr("Enter the roundabout") : tr("Enter the roundabout and exit onto %1").arg(onto);
    }
    if (type == u"exit roundabout" || type == u"exit rotary") {
        //: Directions step. %1 is a road.
        return onto.isEmpty() ? tr("Exit the roundabout") : tr("Exit the roundabout onto %1").arg(onto);
    }
    // "turn", and any type OSRM adds later: the documentation asks clients to read
    // unknown types as a turn.
    return turn(modifier, onto);
}

} // namespace ostrevin
