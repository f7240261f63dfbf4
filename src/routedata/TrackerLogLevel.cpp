#include "routedata/TrackerLogLevel.h"

#include <QCoreApplication>

namespace ostrevin {

QString title(TrackerLogLevel level)
{
    switch (level) {
    case TrackerLogLevel::info:
        //: Level of an event-log entry, read out for its icon.
        return QCoreApplication::translate("TrackerLogLevel", "Info");
    case TrackerLogLevel::warning:
        //: Level of an event-log entry, read out for its icon.
        return QCoreApplication::translate("TrackerLogLevel", "Warning");
    case TrackerLogLevel::error:
        //: Level of an event-log entry, read out for its icon.
        return QCoreApplication::translate("TrackerLogLevel", "Error");
    }
    return {};
}

} // namespace ostrevin
