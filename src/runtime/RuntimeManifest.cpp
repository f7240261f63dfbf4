#include "runtime/RuntimeManifest.h"

#include "routedata/JsonReader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>

namespace ostrevin {

namespace {

QString isoDate(const QDateTime& date)
{
    return date.toUTC().toString(u"yyyy-MM-dd'T'HH:mm:ss'Z'");
}

} // namespace

QByteArray RuntimeManifest::toJson() const
{
    // QJsonObject keeps its keys sorted, which is the order the file promises.
    QJsonObject object;
    object.insert(QStringLiteral("helperVersion"), helperVersion);
    object.insert(QStringLiteral("installedAt"), isoDate(installedAt));
    object.insert(QStringLiteral("pythonVersion"), pythonVersion);
    object.insert(QStringLiteral("revision"), revision);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<RuntimeManifest> RuntimeManifest::fromJson(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue revision = object.value(u"revision");
    const QJsonValue pythonVersion = object.value(u"pythonVersion");
    const QJsonValue helperVersion = object.value(u"helperVersion");
    const QJsonValue installedAt = object.value(u"installedAt");
    if (!revision.isDouble() || !pythonVersion.isString() || !helperVersion.isString() || !installedAt.isString())
        return std::nullopt;
    const double number = revision.toDouble();
    if (std::trunc(number) != number || std::fabs(number) > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    // The records' one strict reader: the time is UTC, so one that falls in a local
    // daylight-saving gap is still a valid time.
    const std::optional<QDateTime> date = JsonReader::parseDate(installedAt.toString());
    if (!date)
        return std::nullopt;
    return RuntimeManifest{int(number), pythonVersion.toString(), helperVersion.toString(), *date};
}

} // namespace ostrevin
