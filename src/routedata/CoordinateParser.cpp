#include "routedata/CoordinateParser.h"

#include "routedata/LocationValidationError.h"

#include <QRegularExpression>
#include <cmath>

namespace ostrevin {

namespace {

struct Match {
    double latitude;
    double longitude;
    QChar latitudeHemisphere;
    QChar longitudeHemisphere;
};

std::optional<Match> match(const QString& text)
{
    // [0-9] rather than \d: Qt's engine matches every Unicode digit with \d, and
    // an Arabic-Indic or full-width digit must not turn into a coordinate.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        uR"(\s*([+-]?[0-9]{1,3}(?:\.[0-9]+)?)\s*°?\s*([NSns])?\s*[,;\s]\s*([+-]?[0-9]{1,3}(?:\.[0-9]+)?)\s*°?\s*([EWew])?\s*)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool latOk = false;
    bool lonOk = false;
    const double latitude = m.capturedView(1).toDouble(&latOk);
    const double longitude = m.capturedView(3).toDouble(&lonOk);
    if (!latOk || !lonOk)
        return std::nullopt;
    const QStringView latLetter = m.capturedView(2);
    const QStringView lonLetter = m.capturedView(4);
    return Match{latitude, longitude, latLetter.isEmpty() ? QChar() : latLetter[0],
                 lonLetter.isEmpty() ? QChar() : lonLetter[0]};
}

} // namespace

std::optional<CoordinateParser::Result> CoordinateParser::parse(const QString& text)
{
    const std::optional<Match> m = match(text);
    if (!m)
        return std::nullopt;
    double latitude = m->latitude;
    double longitude = m->longitude;
    if (m->latitudeHemisphere.toUpper() == u'S')
        latitude = -std::abs(latitude);
    if (m->longitudeHemisphere.toUpper() == u'W')
        longitude = -std::abs(longitude);
    if (std::abs(latitude) > 90)
        throw LocationValidationError(LocationValidationError::Kind::invalidLatitude);
    if (std::abs(longitude) > 180)
        throw LocationValidationError(LocationValidationError::Kind::invalidLongitude);
    return Result{latitude, longitude};
}

} // namespace ostrevin
