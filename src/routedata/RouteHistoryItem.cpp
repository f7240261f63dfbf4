#include "routedata/RouteHistoryItem.h"

#include "routedata/RouteRecordCoding.h"

namespace ostrevin {

using namespace Qt::StringLiterals;

void RouteHistoryItem::writeJson(JsonWriter& writer) const
{
    detail::writeRouteRecord<RouteHistoryItem, &RouteHistoryItem::title>(writer, *this, "title"_L1);
}

RouteHistoryItem RouteHistoryItem::fromJson(const QJsonValue& value)
{
    return detail::readRouteRecord<RouteHistoryItem, &RouteHistoryItem::title>(value, "title"_L1);
}

std::optional<RouteHistoryItem> RouteHistoryItem::fromJsonStream(JsonStream& in)
{
    return detail::readRouteRecord<RouteHistoryItem, &RouteHistoryItem::title>(in, "title"_L1);
}

} // namespace ostrevin
