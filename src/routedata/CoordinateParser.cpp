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

// Longer text is no coordinate pair; refusing it first keeps the pattern (which
// backtracks over long runs of blanks) quick on every keystroke.
constexpr qsizetype longestCoordinateText = 256;

std::optional<Match> match(const QString& text)
{
    if (text.size() > longestCoordinateText)
        return std::nullopt;
    // Digits are written [0-9], so that no other script's digits count even where
    // the engine's \d would take them. Blanks are any Unicode white space
    // (\s alone covers ASCII only): pasted text brings no-break spaces.
    static const QRegularExpression pattern = [] {
        const QString blanks = QStringLiteral(R"([\s\p{Z}]*)");
        const QString number = QStringLiteral(R"(([+-]?[0-9]{1,3}(?:\.[0-9]+)?))");
        const QString degree = blanks + u"°?" + blanks;
        return QRegularExpression(QRegularExpression::anchoredPattern(blanks + number + degree + u"([NSns])?" + blanks +
                                                                      QStringLiteral(R"([,;\s\p{Z}])") + blanks +
                                                                      number + degree + u"([EWew])?" + blanks));
    }();
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

bool CoordinateParser::isBeginningOfPair(const QString& text)
{
    if (text.size() > longestCoordinateText || text.trimmed().isEmpty())
        return false;
    // The pair's pattern with every part after the first digit optional, nested so
    // that a part may only follow the ones before it.
    static const QRegularExpression pattern = [] {
        const QString blanks = QStringLiteral(R"([\s\p{Z}]*)");
        const auto number = [](const QString& rest) -> QString {
            return QStringLiteral(R"([+-]?(?:[0-9]{1,3}(?:\.[0-9]*)?)") + rest + QStringLiteral(")?");
        };
        const auto after = [&blanks](const QString& hemispheres, const QString& rest) -> QString {
            return QStringLiteral("(?:") + blanks + QStringLiteral("°?") + blanks + hemispheres + QStringLiteral("?") +
                   blanks + rest + QStringLiteral(")?");
        };
        const QString longitude = number(after(QStringLiteral("[EWew]"), QString()));
        const QString separated = QStringLiteral(R"((?:[,;\s\p{Z}])") + blanks + longitude + QStringLiteral(")?");
        return QRegularExpression(
            QRegularExpression::anchoredPattern(blanks + number(after(QStringLiteral("[NSns]"), separated))));
    }();
    // One blank wherever there were several: the nested blanks would otherwise try
    // every split of a long run.
    return pattern.match(text.simplified()).hasMatch();
}

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
