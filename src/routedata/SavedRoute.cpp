#include "routedata/SavedRoute.h"

#include "routedata/RouteRecordCoding.h"

namespace ostrevin {

using namespace Qt::StringLiterals;

void SavedRoute::writeJson(JsonWriter& writer) const
{
    detail::writeRouteRecord<SavedRoute, &SavedRoute::name>(writer, *this, "name"_L1);
}

SavedRoute SavedRoute::fromJson(const QJsonValue& value)
{
    return detail::readRouteRecord<SavedRoute, &SavedRoute::name>(value, "name"_L1);
}

std::optional<SavedRoute> SavedRoute::fromJsonStream(JsonStream& in)
{
    return detail::readRouteRecord<SavedRoute, &SavedRoute::name>(in, "name"_L1);
}

} // namespace ostrevin
