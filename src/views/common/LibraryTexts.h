#pragma once

#include "routedata/RouteTransportMode.h"
#include "views/kit/Symbols.h"

#include <QDateTime>
#include <QString>

namespace ostrevin::common {

/// "car.fill", "bus.fill" (the transit family), "figure.walk" or "sparkles".
kit::SymbolName transportModeSymbol(RouteTransportMode mode);
/// Parts of a one-line summary, joined by " · ".
QString summaryLine(const QStringList& parts);
/// A date relative to `now` in short words: "now", "5 min. ago", "yesterday", "3 days ago".
QString relativeDateText(const QDateTime& date, const QDateTime& now);

} // namespace ostrevin::common
