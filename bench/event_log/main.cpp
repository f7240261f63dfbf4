// Figures for the event log of the Advanced tab with large entries (a tool's whole
// output in each): the list first shown with 200 entries of 16 KB (what opening the
// tab costs for it; aim: under 50 ms), and one new entry while it is shown.
// Offscreen platform, software raster. Prints figures only.

#include "../support/BestOf.h"
#include "views/settings/EventLogList.h"

#include <QApplication>
#include <QTextStream>

using namespace ostrevin;

namespace {

constexpr int entryCount = 200;

TrackerLogEntry entry(int index)
{
    TrackerLogEntry e;
    e.level = index % 3 ? TrackerLogLevel::info : TrackerLogLevel::error;
    QString message = QStringLiteral("Collecting pymobiledevice3 (entry %1)\n").arg(index);
    while (message.size() < 16 * 1024)
        message += QStringLiteral("  Downloading dependency-%1-1.0-py3-none-any.whl from the package index\n")
                       .arg(message.size());
    e.message = message;
    return e;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<TrackerLogEntry> entries;
    for (int i = 0; i < entryCount; ++i)
        entries.append(entry(i));

    const double open = bench::bestMs(5, [&] {
        EventLogList list;
        list.resize(500, EventLogList::boxHeight);
        list.setEntries(entries);
        list.show();
        // Laid out and painted once, as the tab appears.
        static_cast<void>(list.grab());
    });

    EventLogList shown;
    shown.resize(500, EventLogList::boxHeight);
    shown.setEntries(entries);
    shown.show();
    static_cast<void>(shown.grab());
    int next = entryCount;
    const double added = bench::bestMs(5, [&] {
        entries.prepend(entry(next++));
        entries.removeLast();
        shown.setEntries(entries);
        static_cast<void>(shown.grab());
    });

    QTextStream out(stdout);
    out << "event log, " << entryCount << " entries of 16 KB: first shown " << open << " ms (aim < 50 ms)\n";
    out << "event log, one new entry while shown: " << added << " ms\n";
    return 0;
}
