#pragma once

#include <QJsonObject>
#include <QString>

namespace ostrevin {

/// The address parts of a Photon feature's properties, written as people of its
/// country write them. Photon gives the house number and the street apart.
class PhotonAddress {
public:
    /// "10 Avenue Gambetta" where the number comes first, "Karlova 12" elsewhere,
    /// the street alone without a number, and empty without a street.
    static QString streetLine(const QJsonObject& properties);
    /// Whether the country (ISO 3166 two-letter code, any case) writes the house
    /// number before the street.
    static bool numberFirst(const QString& countryCode);
};

} // namespace ostrevin
