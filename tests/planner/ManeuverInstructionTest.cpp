#include "planner/ManeuverInstruction.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace ostrevin;

TEST(ManeuverInstruction, EveryManeuverTypeAndModifierReadsAsASentence)
{
    struct Case {
        const char* type;
        const char* modifier;
        std::optional<int> exit;
        const char* name;
        const char* ref;
        const char* expected;
    };
    const Case cases[] = {
        {"depart", "", {}, "Karlova", "", "Head out on Karlova"},
        {"arrive", "", {}, "Karlova", "", "You have arrived at your destination"},
        {"arrive", "slight left", {}, "", "", "Your destination is on the left"},
        {"arrive", "sharp right", {}, "", "", "Your destination is on the right"},
        {"turn", "left", {}, "Celetná", "", "Turn left onto Celetná"},
        {"turn", "right", {}, "", "", "Turn right"},
        {"turn", "sharp left", {}, "", "", "Make a sharp left"},
        {"turn", "sharp right", {}, "Na Příkopě", "", "Make a sharp right onto Na Příkopě"},
        {"turn", "slight left", {}, "", "", "Bear left"},
        {"turn", "slight right", {}, "Evropská", "D6", "Bear right onto Evropská (D6)"},
        {"turn", "uturn", {}, "Dlouhá", "", "Make a U-turn onto Dlouhá"},
        {"turn", "straight", {}, "", "", "Go straight"},
        {"turn", "", {}, "Dlouhá", "", "Continue onto Dlouhá"},
        {"turn", "sideways", {}, "", "", "Continue"},
        {"new name", "slight left", {}, "", "E50", "Continue onto E50"},
        {"notification", "", {}, "", "", "Continue"},
        {"continue", "straight", {}, "D1", "D1", "Continue onto D1"},
        {"continue", "", {}, "", "", "Continue"},
        {"continue", "left", {}, "Rybná", "", "Turn left onto Rybná"},
        {"merge", "slight left", {}, "D1", "", "Merge left onto D1"},
        {"merge", "right", {}, "", "", "Merge right"},
        {"merge", "straight", {}, "D1", "", "Merge onto D1"},
        {"on ramp", "right", {}, "", "D5", "Take the ramp on the right onto D5"},
        {"on ramp", "sharp left", {}, "", "", "Take the ramp on the left"},
        {"on ramp", "", {}, "D5", "", "Take the ramp onto D5"},
        {"off ramp", "slight right", {}, "Chodovská", "", "Take the exit on the right onto Chodovská"},
        {"off ramp", "left", {}, "", "", "Take the exit on the left"},
        {"off ramp", "", {}, "Chodovská", "", "Take the exit onto Chodovská"},
        {"fork", "slight left", {}, "D0", "", "Keep left at the fork onto D0"},
        {"fork", "right", {}, "", "", "Keep right at the fork"},
        {"fork", "straight", {}, "D0", "", "Keep straight at the fork onto D0"},
        {"end of road", "left", {}, "Vinohradská", "", "At the end of the road, turn left onto Vinohradská"},
        {"end of road", "sharp right", {}, "", "", "At the end of the road, turn right"},
        {"end of road", "uturn", {}, "", "", "Make a U-turn"},
        {"roundabout", "right", 2, "Plzeňská", "", "At the roundabout, take exit 2 onto Plzeňská"},
        {"roundabout", "", 3, "", "", "At the roundabout, take exit 3"},
        {"roundabout", "", {}, "Plzeňská", "", "Enter the roundabout and exit onto Plzeňská"},
        {"rotary", "left", {}, "", "", "Enter the roundabout"},
        {"roundabout turn", "left", {}, "Jiráskova", "", "At the roundabout, turn left onto Jiráskova"},
        {"roundabout turn", "slight right", {}, "", "", "At the roundabout, turn right"},
        {"roundabout turn", "straight", 2, "", "", "At the roundabout, take exit 2"},
        {"exit roundabout", "", {}, "Jiráskova", "", "Exit the roundabout onto Jiráskova"},
        {"exit rotary", "right", {}, "", "", "Exit the roundabout"},
        {"use lane", "straight", {}, "", "", "Continue"},
        // OSRM asks clients to read types they do not know as turns.
        {"climb a ladder", "right", {}, "", "", "Turn right"},
        {"turn", "left", {}, "  ", " ", "Turn left"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " / " + c.modifier);
        const ManeuverInstruction::Maneuver maneuver{QString::fromUtf8(c.type), QString::fromUtf8(c.modifier), c.exit,
                                                     QString::fromUtf8(c.name), QString::fromUtf8(c.ref)};
        EXPECT_EQ(ManeuverInstruction::text(maneuver), QString::fromUtf8(c.expected));
    }
}
