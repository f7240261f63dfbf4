#include "support/LoopbackEnvironment.h"

#include <QDir>
#include <utility>

namespace ostrevin::test {

void pointApplicationAtLoopback(const TempDir& dir, const QString& servicesBase, const QString& tunnelUrl)
{
    for (const char* folder : {"tools", "home", "cache", "tmp"})
        QDir().mkpath(dir.file(QString::fromLatin1(folder)));
    const std::pair<const char*, QString> variables[] = {
        {"HOME", dir.file(QStringLiteral("home"))},
        {"XDG_CACHE_HOME", dir.file(QStringLiteral("cache"))},
        {"TMPDIR", dir.file(QStringLiteral("tmp"))},
        {"OSTREVIN_GEOCODER_URL", servicesBase},
        {"OSTREVIN_DIRECTIONS_CAR_URL", servicesBase + u"/route"},
        {"OSTREVIN_DIRECTIONS_FOOT_URL", servicesBase + u"/route"},
        {"OSTREVIN_TILES_URL", servicesBase + u"/tile?z={z}&x={x}&y={y}"},
        {"OSTREVIN_TOOL_FOLDERS", dir.file(QStringLiteral("tools"))},
        {"OSTREVIN_TUNNEL_SERVICE_URL", tunnelUrl},
        {"OSTREVIN_APPEARANCE", QStringLiteral("light")},
    };
    for (const auto& [name, value] : variables)
        qputenv(name, value.toUtf8());
    for (const char* name : {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        qunsetenv(name);
}

} // namespace ostrevin::test
