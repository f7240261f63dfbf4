#pragma once

#include <QList>
#include <QString>

namespace ostrevin {

/// A preset city offered in the place panel; identified by its (localised) name.
struct PresetLocation {
    QString name{};
    double latitude = 0;
    double longitude = 0;

    bool operator==(const PresetLocation&) const = default;

    const QString& id() const { return name; }

    /// Prague, Pilsen, Rome, Milan, Berlin, London, in that order.
    static QList<PresetLocation> defaults();
};

} // namespace ostrevin
