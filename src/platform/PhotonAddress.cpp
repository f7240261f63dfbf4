#include "platform/PhotonAddress.h"

#include <QJsonValue>

namespace ostrevin {

namespace {

QString text(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString().trimmed() : QString();
}

} // namespace

bool PhotonAddress::numberFirst(const QString& countryCode)
{
    // English-speaking countries and the French-speaking ones that follow France;
    // most of the rest of the world writes the street first.
    static const char* const numberFirstCountries[] = {
        "US", "GB", "IE", "FR", "CA", "AU", "NZ", "LU", "MC", "ZA", "IN", "SG", "MY", "PH",
        "HK", "PR", "GU", "VI", "AS", "MP", "IM", "JE", "GG", "GI", "MT", "JM", "BS", "BB",
        "TT", "NG", "GH", "KE", "LK", "PK", "NC", "PF", "RE", "GP", "MQ", "GF", "YT", "PM",
    };
    const QString code = countryCode.trimmed().toUpper();
    for (const char* known : numberFirstCountries) {
        if (code == QLatin1StringView(known))
            return true;
    }
    return false;
}

QString PhotonAddress::streetLine(const QJsonObject& properties)
{
    const QString street = text(properties, QLatin1StringView("street"));
    const QString number = text(properties, QLatin1StringView("housenumber"));
    if (street.isEmpty() || number.isEmpty())
        return street;
    return numberFirst(text(properties, QLatin1StringView("countrycode"))) ? number + u' ' + street
                                                                           : street + u' ' + number;
}

} // namespace ostrevin
