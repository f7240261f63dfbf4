#include "views/map/MapTileSources.h"

#include "BuildConfig.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>

namespace ostrevin {

namespace {

Q_LOGGING_CATEGORY(lcMapTiles, "ostrevin.map.tiles")

// The placeholders tileUrl fills in; any other would be requested literally.
constexpr QStringView knownPlaceholders[] = {u"{z}", u"{x}", u"{y}", u"{s}"};

// The first placeholder of the template that tiles cannot fill, or empty.
QString unknownPlaceholder(const QString& urlTemplate)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{[^{}]*\\}"));
    for (auto matches = placeholder.globalMatch(urlTemplate); matches.hasNext();) {
        const QString found = matches.next().captured();
        if (std::find(std::begin(knownPlaceholders), std::end(knownPlaceholders), found) == std::end(knownPlaceholders))
            return found;
    }
    return {};
}

bool isUsableTemplate(const QString& urlTemplate, const QString& variable)
{
    if (const QString unknown = unknownPlaceholder(urlTemplate); !unknown.isEmpty()) {
        qCWarning(lcMapTiles, "Ignoring %s: the tile URL template has the placeholder %s, which cannot be filled in.",
                  qUtf8Printable(variable), qUtf8Printable(unknown));
        return false;
    }
    // Judged filled in: "{s}" in a host name is no valid host until it is replaced.
    const QUrl url = MapTileSource{urlTemplate, {}}.tileUrl(0, 0, 0);
    const QString scheme = url.scheme();
    const bool knownScheme = scheme == u"http" || scheme == u"https" || scheme == u"file";
    const bool usable = url.isValid() && knownScheme && urlTemplate.contains(u"{z}") && urlTemplate.contains(u"{x}") &&
                        urlTemplate.contains(u"{y}");
    if (!usable)
        qCWarning(lcMapTiles, "Ignoring %s: not a tile URL template with {z}, {x} and {y}.", qUtf8Printable(variable));
    return usable;
}

QString chosenTemplate(const QProcessEnvironment& environment, const QString& variable, const char* built)
{
    const QString value = environment.value(variable).trimmed();
    if (value == u"off")
        return {};
    if (!value.isEmpty() && isUsableTemplate(value, variable))
        return value;
    const QString fallback = QString::fromUtf8(built);
    return !fallback.isEmpty() && isUsableTemplate(fallback, QStringLiteral("the built-in tile URL")) ? fallback
                                                                                                      : QString();
}

} // namespace

QUrl MapTileSource::tileUrl(int zoom, int x, int y) const
{
    QString text = urlTemplate;
    text.replace(QStringLiteral("{z}"), QString::number(zoom));
    text.replace(QStringLiteral("{x}"), QString::number(x));
    text.replace(QStringLiteral("{y}"), QString::number(y));
    // Spread over the servers a, b and c; a tile always comes from the same one, so
    // caches along the way keep it.
    const QChar subdomains[] = {u'a', u'b', u'c'};
    text.replace(QStringLiteral("{s}"), subdomains[((x % 3) + (y % 3) + 6) % 3]);
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

QString MapTileSources::pickerTitle(MapStylePreference style) const
{
    if (isAvailable(style))
        return title(style);
    //: A map style (in the map's style menu and in Settings) that this build has no tiles for. %1 is the style's name.
    return tr("%1 (not available)").arg(title(style));
}

} // namespace ostrevin
