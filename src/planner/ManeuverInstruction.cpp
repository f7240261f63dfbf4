#include "planner/ManeuverInstruction.h"

#include <QStringList>
#include <cmath>

namespace ostrevin {

QString ManeuverInstruction::road(const QString& name, const QString& ref)
{
    const QString n = name.trimmed();
    // OSRM's names often carry the number already ("Van Ness Avenue (US 101 South)"),
    // and its ref lists several numbers with ";".
    QStringList numbers;
    for (const QString& part : ref.split(u';')) {
        const QString number = part.trimmed();
        if (!number.isEmpty() && !n.contains(number, Qt::CaseInsensitive) && !numbers.contains(number))
            numbers << number;
    }
    const QString r = numbers.join(QStringLiteral("; "));
    if (!n.isEmpty() && !r.isEmpty()) {
        //: A road in directions: %1 is its name, %2 its number, e.g. "Evropská (D6)".
        return tr("%1 (%2)").arg(n, r);
    }
    return n.isEmpty() ? r : n;
}

bool ManeuverInstruction::repeats(const Maneuver& previous, const Maneuver& next)
{
    const bool leaving = next.type == u"exit roundabout" || next.type == u"exit rotary";
    const bool entered = previous.type == u"roundabout" || previous.type == u"rotary";
    if (!leaving || !entered)
        return false;
    const QString onto = road(next.name, next.ref);
    return onto.isEmpty() || onto == road(previous.name, previous.ref);
}

QString ManeuverInstruction::ordinal(int number)
{
    switch (number) {
    case 1:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("1st");
    case 2:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("2nd");
    case 3:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("3rd");
    case 4:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("4th");
    case 5:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("5th");
    case 6:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("6th");
    case 7:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("7th");
    case 8:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("8th");
    case 9:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("9th");
    case 10:
        //: Ordinal of a roundabout exit, inserted into “At %1, take the %2 exit”.
        return tr("10th");
    default:
        return {};
    }
}

QString ManeuverInstruction::towards(const QString& destinations)
{
    // "A 7, A 1: Hamburg, Kiel": the places are what the sign shows largest.
    const qsizetype colon = destinations.indexOf(u':');
    const QString places = colon < 0 ? destinations : destinations.mid(colon + 1);
    const QString numbers = colon < 0 ? QString() : destinations.left(colon);
    QStringList shown;
    for (const QString& part : (places.trimmed().isEmpty() ? numbers : places).split(u',')) {
        if (!part.trimmed().isEmpty() && shown.size() < 2)
            shown << part.trimmed();
    }
    return shown.join(QStringLiteral(", "));
}

ManeuverInstruction::Side ManeuverInstruction::side(const QString& modifier)
{
    if (modifier.endsWith(u"left"))
        return Side::left;
    if (modifier.endsWith(u"right"))
        return Side::right;
    return Side::none;
}

ManeuverInstruction::LaneGroup ManeuverInstruction::laneGroup(const QList<bool>& lanes)
{
    if (!lanes.contains(true) || !lanes.contains(false))
        return LaneGroup::anywhere;
    const bool leftmost = lanes.first();
    const bool rightmost = lanes.last();
    if (leftmost && rightmost)
        return LaneGroup::anywhere;
    if (leftmost)
        return LaneGroup::left;
    return rightmost ? LaneGroup::right : LaneGroup::middle;
}

QString ManeuverInstruction::useLane(const Maneuver& maneuver, Side to, const QString& road)
{
    // A lane step mostly goes straight on: only its lanes tell which of them to be in.
    const LaneGroup group = laneGroup(maneuver.lanes);
    if (group == LaneGroup::middle) {
        return road.isEmpty()
                   //: Directions step: stay in the lanes between the outer ones.
                   ? tr("Keep in the middle")
                   //: Directions step: stay in the lanes between the outer ones. %1 is a road.
                   : tr("Keep in the middle onto %1").arg(road);
    }
    if (group == LaneGroup::left)
        to = Side::left;
    else if (group == LaneGroup::right)
        to = Side::right;
    if (to == Side::none)
        return keepGoing(road);
    return road.isEmpty()
               //: Directions step: stay in the lanes on one side. %1 is “left” or “right”.
               ? tr("Keep %1").arg(sideWord(to))
               //: Directions step: stay in the lanes on one side. %1 is “left” or “right”, %2 is a road.
               : tr("Keep %1 onto %2").arg(sideWord(to), road);
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

QString ManeuverInstruction::depart(std::optional<double> bearing, const QString& road)
{
    if (!bearing || !std::isfinite(*bearing)) {
        return road.isEmpty()
                   //: First directions step.
                   ? tr("Head out")
                   //: First directions step. %1 is a road.
                   : tr("Head out on %1").arg(road);
    }
    const QString compass[] = {
        //: Compass direction, inserted into “Head %1” and “Head %1 on %2”.
        tr("north"),
        //: Compass direction, inserted into “Head %1” and “Head %1 on %2”.
        tr("northeast"),
        //: Compass direction, inserted into “Head %1” and “Head %1 on %2”.
        tr("east"),
        //: Compass direction, inserted into “Head %1” and “Head %1 on %2”.
        tr("southeast"),
        //: Compass direction, inserted into “Head %1” and “Head %1 on %2”.
        tr("south"),
        //: Compass direction, inserted into “Head %1” and “Head %1 on %2”.
        tr("southwest"),
        //: Compass direction, inserted into “Head %1” and “Head %1 on %2”.
        tr("west"),
        //: Compass direction, inserted into “Head %1” and “Head %1 on %2”.
        tr("northwest"),
    };
    const double degrees = std::fmod(std::fmod(*bearing, 360.0) + 360.0, 360.0);
    const QString& heading = compass[std::lround(degrees / 45.0) % 8];
    return road.isEmpty()
               //: First directions step. %1 is a compass direction such as “north”.
               ? tr("Head %1").arg(heading)
               //: First directions step. %1 is a compass direction such as “north”, %2 a road.
               : tr("Head %1 on %2").arg(heading, road);
}

QString ManeuverInstruction::roundabout(const Maneuver& maneuver, const QString& road)
{
    const QString name = maneuver.rotaryName.trimmed();
    const QString where =
        name.isEmpty()
            //: Inserted into “At %1, take the %2 exit” and “Enter %1” for a roundabout without a name.
            ? tr("the roundabout")
            : name;
    const int exit = maneuver.exit.value_or(0);
    if (exit <= 0) {
        return road.isEmpty()
                   //: Directions step. %1 is “the roundabout” or the roundabout's name.
                   ? tr("Enter %1").arg(where)
                   //: Directions step. %1 is “the roundabout” or the roundabout's name, %2 a road.
                   : tr("Enter %1 and exit onto %2").arg(where, road);
    }
    const QString nth = ordinal(exit);
    if (nth.isEmpty()) {
        // One pass over the pattern: a name from the server may itself hold "%2".
        const QString number = QString::number(exit);
        return road.isEmpty()
                   //: Directions step. %1 is “the roundabout” or its name, %2 the exit's number.
                   ? tr("At %1, take exit %2").arg(where, number)
                   //: Directions step. %1 is “the roundabout” or its name, %2 the exit's number, %3 a road.
                   : tr("At %1, take exit %2 onto %3").arg(where, number, road);
    }
    return road.isEmpty()
               //: Directions step. %1 is “the roundabout” or its name, %2 an ordinal such as “2nd”.
               ? tr("At %1, take the %2 exit").arg(where, nth)
               //: Directions step. %1 is “the roundabout” or its name, %2 an ordinal such as “2nd”, %3 a road.
               : tr("At %1, take the %2 exit onto %3").arg(where, nth, road);
}

QString ManeuverInstruction::offRamp(const Maneuver& maneuver, Side to, const QString& road)
{
    QString number;
    for (const QString& part : maneuver.exits.split(u';')) {
        if (number.isEmpty())
            number = part.trimmed();
    }
    const QString sign = towards(maneuver.destinations);
    if (!number.isEmpty() && to == Side::none) {
        if (!sign.isEmpty()) {
            //: Directions step. %1 is the exit's number, %2 where the signs point, e.g. “Colfax”.
            return tr("Take exit %1 towards %2").arg(number, sign);
        }
        return road.isEmpty()
                   //: Directions step. %1 is the exit's number.
                   ? tr("Take exit %1").arg(number)
                   //: Directions step. %1 is the exit's number, %2 a road.
                   : tr("Take exit %1 onto %2").arg(number, road);
    }
    // The side stays with the number: an exit on the left of a motorway is easy to miss.
    if (!number.isEmpty()) {
        if (!sign.isEmpty()) {
            //: Directions step. %1 is the exit's number, %2 “left” or “right”, %3 where the signs point.
            return tr("Take exit %1 on the %2 towards %3").arg(number, sideWord(to), sign);
        }
        return road.isEmpty()
                   //: Directions step. %1 is the exit's number, %2 “left” or “right”.
                   ? tr("Take exit %1 on the %2").arg(number, sideWord(to))
                   //: Directions step. %1 is the exit's number, %2 “left” or “right”, %3 a road.
                   : tr("Take exit %1 on the %2 onto %3").arg(number, sideWord(to), road);
    }
    if (!sign.isEmpty()) {
        return to == Side::none
                   //: Directions step. %1 is where the signs point, e.g. “Colfax”.
                   ? tr("Take the exit towards %1").arg(sign)
                   //: Directions step. %1 is “left” or “right”, %2 where the signs point.
                   : tr("Take the exit on the %1 towards %2").arg(sideWord(to), sign);
    }
    if (to == Side::none) {
        return road.isEmpty()
                   //: Directions step.
                   ? tr("Take the exit")
                   //: Directions step. %1 is a road.
                   : tr("Take the exit onto %1").arg(road);
    }
    return road.isEmpty()
               //: Directions step. %1 is “left” or “right”.
               ? tr("Take the exit on the %1").arg(sideWord(to))
               //: Directions step. %1 is “left” or “right”, %2 is a road.
               : tr("Take the exit on the %1 onto %2").arg(sideWord(to), road);
}

QString ManeuverInstruction::text(const Maneuver& maneuver)
{
    const QString& type = maneuver.type;
    const QString& modifier = maneuver.modifier;
    const QString onto = road(maneuver.name, maneuver.ref);
    const Side to = side(modifier);

    if (type == u"depart")
        return depart(maneuver.bearingAfter, onto);
    if (type == u"arrive") {
        if (to == Side::none) {
            //: Last directions step.
            return tr("You have arrived at your destination");
        }
        //: Last directions step. %1 is “left” or “right”.
        return tr("Your destination is on the %1").arg(sideWord(to));
    }
    const bool straightOn = modifier.isEmpty() || modifier == u"straight";
    // A road that changes its name can still bend or turn back: the direction is
    // what the driver has to do, the new name only where it leads.
    if (type == u"new name" || type == u"notification" || type == u"continue")
        return straightOn ? keepGoing(onto) : turn(modifier, onto);
    // Nothing else in these sentences could say "turn back". A ramp is the
    // exception: a loop ramp turns the driver round by itself, and its exit number
    // and signs are what the driver looks for.
    if (modifier == u"uturn" && (type == u"use lane" || type == u"merge" || type == u"fork"))
        return turn(modifier, onto);
    if (type == u"use lane")
        return useLane(maneuver, to, onto);
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
    const QString sign = towards(maneuver.destinations);
    if (type == u"on ramp") {
        if (!sign.isEmpty()) {
            return to == Side::none
                       //: Directions step. %1 is where the signs point, e.g. “Hamburg, Kiel”.
                       ? tr("Take the ramp towards %1").arg(sign)
                       //: Directions step. %1 is “left” or “right”, %2 where the signs point.
                       : tr("Take the ramp on the %1 towards %2").arg(sideWord(to), sign);
        }
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
    if (type == u"off ramp")
        return offRamp(maneuver, to, onto);
    if (type == u"fork") {
        if (!sign.isEmpty()) {
            return to == Side::none
                       //: Directions step. %1 is where the signs point, e.g. “Hamburg, Kiel”.
                       ? tr("Keep straight at the fork towards %1").arg(sign)
                       //: Directions step. %1 is “left” or “right”, %2 where the signs point.
                       : tr("Keep %1 at the fork towards %2").arg(sideWord(to), sign);
        }
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
    // A small roundabout taken as a crossing: its direction is the instruction.
    if (type == u"roundabout turn" && modifier == u"straight") {
        return onto.isEmpty()
                   //: Directions step at a small roundabout.
                   ? tr("At the roundabout, go straight")
                   //: Directions step at a small roundabout. %1 is a road.
                   : tr("At the roundabout, go straight onto %1").arg(onto);
    }
    if (type == u"roundabout turn" && modifier == u"uturn") {
        return onto.isEmpty()
                   //: Directions step at a small roundabout: go round it and back the way you came.
                   ? tr("At the roundabout, make a U-turn")
                   //: Directions step at a small roundabout: go round it and back. %1 is a road.
                   : tr("At the roundabout, make a U-turn onto %1").arg(onto);
    }
    if (type == u"roundabout" || type == u"rotary" || type == u"roundabout turn")
        return roundabout(maneuver, onto);
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
