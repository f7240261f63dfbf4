#include "views/map/MapTileSources.h"

#include "BuildConfig.h"

#include <QCoreApplication>
#include <QLoggingCategory>

namespace ostrevin {

namespace {

Q_LOGGING_CATEGORY(lcMapTiles, "ostrevin.map.tiles")

bool isUsableTemplate(const QString& urlTemplate)
{
    const QUrl url(urlTemplate);
    const QString scheme = url.scheme();
    const bool knownScheme = scheme == u"http" || scheme == u"https" || scheme == u"file";
    return knownScheme && urlTemplate.contains(u"{z}") && urlTemplate.contains(u"{x}") && urlTemplate.contains(u"{y}");
}

QString chosenTemplate(const QProcessEnvironment& environment, const QString& variable, const char* built)
{
    const QString value = environment.value(variable).trimmed();
    if (value == u"off")
        return {};
    if (!value.isEmpty()) {
        if (isUsableTemplate(value))
            return value;
        qCWarning(lcMapTiles, "Ignoring %s: not a tile URL template with {z}, {x} and {y}.", qUtf8Printable(variable));
    }
    const QString fallback = QString::fromUtf8(built);
    return isUsableTemplate(fallback) ? fallback : QString();
}

} // namespace

QUrl MapTileSource::tileUrl(int zoom, int x, int y) const
{
    QString text = urlTemplate;
    text.replace(QStringLiteral("{z}"), QString::number(zoom));
    text.replace(QStringLiteral("{x}"), QString::number(x));
    text.replace(QStringLiteral("{y}"), QString::number(y));
    return QUrl(text);
}

MapTileSources::MapTileSources(MapTileSource standard, MapTileSource satellite, MapTileSource hybrid)
    : m_standard(std::move(standard)), m_satellite(std::move(satellite)), m_hybrid(std::move(hybrid))
{
}

MapTileSources MapTileSources::configured(const QProcessEnvironment& environment)
{
    const QString openStreetMap = QCoreApplication::translate(
        "MapTileSources",
        //: Attribution under the map; the tile licence requires it. Keep the link.
        "© <a href=\"https://www.openstreetmap.org/copyright\">OpenStreetMap</a> contributors");
    return MapTileSources(
        {chosenTemplate(environment, QStringLiteral("OSTREVIN_TILES_URL"), BuildConfig::tilesURL), openStreetMap},
        {chosenTemplate(environment, QStringLiteral("OSTREVIN_SATELLITE_TILES_URL"), BuildConfig::satelliteTilesURL),
         QString::fromUtf8(BuildConfig::satelliteTilesAttribution)},
        {chosenTemplate(environment, QStringLiteral("OSTREVIN_HYBRID_TILES_URL"), BuildConfig::hybridTilesURL),
         QString::fromUtf8(BuildConfig::hybridTilesAttribution)});
}

bool MapTileSources::isAvailable(MapStylePreference style) const
{
    switch (style) {
    case MapStylePreference::standard:
        return true;
    case MapStylePreference::satellite:
        return m_satellite.hasTiles();
    case MapStylePreference::hybrid:
        return m_hybrid.hasTiles();
    }
    return false;
}

MapTileSource MapTileSources::source(MapStylePreference style) const
{
    if (style == MapStylePreference::satellite && m_satellite.hasTiles())
        return m_satellite;
    if (style == MapStylePreference::hybrid && m_hybrid.hasTiles())
        return m_hybrid;
    return m_standard;
}

} // namespace ostrevin
