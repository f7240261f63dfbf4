#pragma once

#include <QException>
#include <QString>

namespace ostrevin {

/// A point, coordinate or route that cannot be used.
class LocationValidationError : public QException {
public:
    enum class Kind { invalidLatitude, invalidLongitude, noPoints, routeNeedsTwoPoints, missingName };

    explicit LocationValidationError(Kind kind) : m_kind(kind) {}

    Kind kind() const { return m_kind; }
    QString description() const;

    bool operator==(const LocationValidationError& other) const { return m_kind == other.m_kind; }

    void raise() const override { throw *this; }
    LocationValidationError* clone() const override { return new LocationValidationError(*this); }

private:
    Kind m_kind;
};

} // namespace ostrevin
