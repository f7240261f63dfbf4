#include "views/common/LibraryTexts.h"

#include <QCoreApplication>

namespace ostrevin::common {

kit::SymbolName transportModeSymbol(RouteTransportMode mode)
{
    if (isTransitFamily(mode))
        return "bus.fill"_symbol;
    switch (mode) {
    case RouteTransportMode::walking:
        return "figure.walk"_symbol;
    case RouteTransportMode::any:
        return "sparkles"_symbol;
    default:
        return "car.fill"_symbol;
    }
}

QString summaryLine(const QStringList& parts)
{
    return parts.join(QStringLiteral(" · "));
}

QString relativeDateText(const QDateTime& date, const QDateTime& now)
{
    const qint64 seconds = date.secsTo(now);
    if (seconds < 60) {
        //: Relative date of a history entry: less than a minute ago (or in the future).
        return QCoreApplication::translate("RelativeDate", "now");
    }
    if (seconds < 3600) {
        //: Relative date of a history entry.
        return QCoreApplication::translate("RelativeDate", "%n min. ago", nullptr, int(seconds / 60));
    }
    if (seconds < 86400) {
        //: Relative date of a history entry.
        return QCoreApplication::translate("RelativeDate", "%n hr. ago", nullptr, int(seconds / 3600));
    }
    const qint64 days = seconds / 86400;
    if (days == 1) {
        //: Relative date of a history entry.
        return QCoreApplication::translate("RelativeDate", "yesterday");
    }
    if (days < 7) {
        //: Relative date of a history entry.
        return QCoreApplication::translate("RelativeDate", "%n days ago", nullptr, int(days));
    }
    if (days < 31) {
        //: Relative date of a history entry.
        return QCoreApplication::translate("RelativeDate", "%n wk. ago", nullptr, int(days / 7));
    }
    if (days < 365) {
        //: Relative date of a history entry.
        return QCoreApplication::translate("RelativeDate", "%n mo. ago", nullptr, int(days / 30));
    }
    //: Relative date of a history entry.
    return QCoreApplication::translate("RelativeDate", "%n yr. ago", nullptr, int(days / 365));
}

} // namespace ostrevin::common
