#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace ostrevin {

/// "runtime.json": what the installer records about an installed runtime.
struct RuntimeManifest {
    /// Layout revision of the runtime folder; readers accept exactly this one.
    static constexpr int currentRevision = 1;

    int revision = currentRevision;
    QString pythonVersion;
    QString helperVersion;
    /// Whole seconds, UTC.
    QDateTime installedAt;

    bool operator==(const RuntimeManifest&) const = default;

    /// Pretty-printed JSON with the keys sorted and the date as "YYYY-MM-DDTHH:MM:SSZ".
    QByteArray toJson() const;
    /// Strict: all four keys with their types, an integral revision and a UTC date in
    /// whole seconds; anything else gives none.
    static std::optional<RuntimeManifest> fromJson(const QByteArray& json);
};

} // namespace ostrevin
