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
    return road.isEmpty()
               //: Directions step.
               ? tr("Continue")
               //: Directions step. %1 is a road.
               : tr("Continue onto %1").arg(road);
}

QString ManeuverInstruction::turn(const QString& modifier, const QString& road)
{
    // Whole sentences per direction: word order differs between languages.
    const bool onto = !road.isEmpty();
    if (modifier == u"left") {
        return onto
                   //: Directions step. %1 is a road.
                   ? tr("Turn left onto %1").arg(road)
                   //: Directions step.
                   : tr("Turn left");
    }
    if (modifier == u"right") {
        return onto
                   //: Directions step. %1 is a road.
                   ? tr("Turn right onto %1").arg(road)
                   //: Directions step.
                   : tr("Turn right");
    }
    if (modifier == u"sharp left") {
        return onto
                   //: Directions step. %1 is a road.
                   ? tr("Make a sharp left onto %1").arg(road)
                   //: Directions step.
                   : tr("Make a sharp left");
    }
    if (modifier == u"sharp right") {
        return onto
                   //: Directions step. %1 is a road.
                   ? tr("Make a sharp right onto %1").arg(road)
                   //: Directions step.
                   : tr("Make a sharp right");
    }
    if (modifier == u"slight left") {
        return onto
                   //: Directions step. %1 is a road.
                   ? tr("Bear left onto %1").arg(road)
                   //: Directions step.
                   : tr("Bear left");
    }
    if (modifier == u"slight right") {
        return onto
                   //: Directions step. %1 is a road.
                   ? tr("Bear right onto %1").arg(road)
                   //: Directions step.
                   : tr("Bear right");
    }
    if (modifier == u"uturn") {
        return onto
                   //: Directions step. %1 is a road.
                   ? tr("Make a U-turn onto %1").arg(road)
                   //: Directions step.
                   : tr("Make a U-turn");
    }
    if (modifier == u"straight") {
        return onto
                   //: Directions step. %1 is a road.
                   ? tr("Go straight onto %1").arg(road)
                   //: Directions step.
                   : tr("Go straight");
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
        return onto.isEmpty()
                   //: First directions step.
                   ? tr("Head out")
                   //: First directions step. %1 is a road.
                   : tr("Head out on %1").arg(onto);
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
            return onto.isEmpty()
                       //: Directions step.
                       ? tr("Merge")
                       //: Directions step. %1 is a road.
                       : tr("Merge onto %1").arg(onto);
        }
        return onto.isEmpty()
                   //: Directions step. %1 is “left” or “right”.
                   ? tr("Merge %1").arg(sideWord(to))
                   //: Directions step. %1 is “left” or “right”, %2 is a road.
                   : tr("Merge %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"on ramp") {
        if (to == Side::none) {
            return onto.isEmpty()
                       //: Directions step.
                       ? tr("Take the ramp")
                       //: Directions step. %1 is a road.
                       : tr("Take the ramp onto %1").arg(onto);
        }
        return onto.isEmpty()
                   //: Directions step. %1 is “left” or “right”.
                   ? tr("Take the ramp on the %1").arg(sideWord(to))
                   //: Directions step. %1 is “left” or “right”, %2 is a road.
                   : tr("Take the ramp on the %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"off ramp") {
        if (to == Side::none) {
            return onto.isEmpty()
                       //: Directions step.
                       ? tr("Take the exit")
                       //: Directions step. %1 is a road.
                       : tr("Take the exit onto %1").arg(onto);
        }
        return onto.isEmpty()
                   //: Directions step. %1 is “left” or “right”.
                   ? tr("Take the exit on the %1").arg(sideWord(to))
                   //: Directions step. %1 is “left” or “right”, %2 is a road.
                   : tr("Take the exit on the %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"fork") {
        if (to == Side::none) {
            return onto.isEmpty()
                       //: Directions step.
                       ? tr("Keep straight at the fork")
                       //: Directions step. %1 is a road.
                       : tr("Keep straight at the fork onto %1").arg(onto);
        }
        return onto.isEmpty()
                   //: Directions step. %1 is “left” or “right”.
                   ? tr("Keep %1 at the fork").arg(sideWord(to))
                   //: Directions step. %1 is “left” or “right”, %2 is a road.
                   : tr("Keep %1 at the fork onto %2").arg(sideWord(to), onto);
    }
    if (type == u"end of road") {
        if (to == Side::none)
            return turn(modifier, onto);
        return onto.isEmpty()
                   //: Directions step. %1 is “left” or “right”.
                   ? tr("At the end of the road, turn %1").arg(sideWord(to))
                   //: Directions step. %1 is “left” or “right”, %2 is a road.
                   : tr("At the end of the road, turn %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"roundabout turn" && to != Side::none) {
        return onto.isEmpty()
                   //: Directions step at a small roundabout. %1 is “left” or “right”.
                   ? tr("At the roundabout, turn %1").arg(sideWord(to))
                   //: Directions step at a small roundabout. %1 is “left” or “right”, %2 is a road.
                   : tr("At the roundabout, turn %1 onto %2").arg(sideWord(to), onto);
    }
    if (type == u"roundabout" || type == u"rotary" || type == u"roundabout turn") {
        if (maneuver.exit && *maneuver.exit > 0) {
            return onto.isEmpty()
                       //: Directions step. %1 is the number of the exit.
                       ? tr("At the roundabout, take exit %1").arg(*maneuver.exit)
                       //: Directions step. %1 is the number of the exit, %2 is a road.
                       : tr("At the roundabout, take exit %1 onto %2").arg(*maneuver.exit).arg(onto);
        }
        return onto.isEmpty()
                   //: Directions step.
                   ? tr("Enter the roundabout")
                   //: Directions step. %1 is a road.
                   : tr("Enter the roundabout and exit onto %1").arg(onto);
    }
    if (type == u"exit roundabout" || type == u"exit rotary") {
        return onto.isEmpty()
                   //: Directions step.
                   ? tr("Exit the roundabout")
                   //: Directions step. %1 is a road.
                   : tr("Exit the roundabout onto %1").arg(onto);
    }
    // "turn", and any type OSRM adds later: the documentation asks clients to read
    // unknown types as a turn.
    return turn(modifier, onto);
}

} // namespace ostrevin
