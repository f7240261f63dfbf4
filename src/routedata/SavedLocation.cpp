#include "routedata/SavedLocation.h"

#include "routedata/JsonReader.h"
#include "routedata/JsonWriter.h"

namespace ostrevin {

using namespace Qt::StringLiterals;

void SavedLocation::writeJson(JsonWriter& writer) const
{
    writer.beginObject();
    writer.key("createdAt"_L1);
    writer.value(createdAt, "createdAt"_L1);
    writer.key("id"_L1);
    writer.value(id);
    writer.key("name"_L1);
    writer.value(name);
    writer.key("point"_L1);
    point.writeJson(writer);
    writer.endObject();
}

SavedLocation SavedLocation::fromJson(const QJsonValue& value)
{
    const QJsonObject o = JsonReader::object(value, u"entry");
    if (!o.contains("point"_L1))
        throw JsonCodingError::missingKey(u"point");
    RoutePoint point;
    try {
        point = RoutePoint::fromJson(o.value("point"_L1));
    } catch (const JsonCodingError& e) {
        throw e.within(QStringLiteral("point"));
    }
    return SavedLocation{.id = JsonReader::uuid(o, "id"_L1),
                         .name = JsonReader::string(o, "name"_L1),
                         .createdAt = JsonReader::date(o, "createdAt"_L1),
                         .point = std::move(point)};
}

} // namespace ostrevin
