<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>ostrevin::IPhoneSettingsView</name>
    <message numerus="yes">
        <source>Check location every %n seconds</source>
        <extracomment>Settings › iPhone: the verification interval. %n is a whole number of seconds.</extracomment>
        <translation>
            <numerusform>Check location every %n second</numerusform>
            <numerusform>Check location every %n seconds</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ostrevin::LocationPlannerViewModel</name>
    <message numerus="yes">
        <source>%n interruptions</source>
        <extracomment>Status card detail: how many times the held location was interrupted. Shown after the point name and a “·” separator.</extracomment>
        <translation>
            <numerusform>%n interruption</numerusform>
            <numerusform>%n interruptions</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n min. ago</source>
        <extracomment>Short relative time, e.g. “5 min. ago”.</extracomment>
        <translation>
            <numerusform>%n min. ago</numerusform>
            <numerusform>%n min. ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hr. ago</source>
        <extracomment>Short relative time, e.g. “2 hr. ago”.</extracomment>
        <translation>
            <numerusform>%n hr. ago</numerusform>
            <numerusform>%n hr. ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <extracomment>Short relative time, e.g. “3 days ago”.</extracomment>
        <translation>
            <numerusform>%n day ago</numerusform>
            <numerusform>%n days ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n points</source>
        <extracomment>Number of points in a route, e.g. “1 point”, “12 points”.</extracomment>
        <translation>
            <numerusform>%n point</numerusform>
            <numerusform>%n points</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Route from the map calculated with %n options.</source>
        <extracomment>Event log entry. %n is the number of route alternatives.</extracomment>
        <translation>
            <numerusform>Route from the map calculated with %n option.</numerusform>
            <numerusform>Route from the map calculated with %n options.</numerusform>
        </translation>
    </message>
</context>
</TS>
