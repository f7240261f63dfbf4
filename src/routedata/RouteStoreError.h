#pragma once

#include <QException>
#include <QString>

namespace ostrevin {

/// A data file or the data folder that could not be written.
class RouteStoreError : public QException {
public:
    explicit RouteStoreError(QString description) : m_description(std::move(description)) {}

    QString description() const { return m_description; }

    void raise() const override { throw *this; }
    RouteStoreError* clone() const override { return new RouteStoreError(*this); }

private:
    QString m_description;
};

} // namespace ostrevin
