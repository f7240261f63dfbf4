#pragma once

#include <QAnyStringView>
#include <QException>
#include <QString>

namespace ostrevin {

/// A record list that cannot be read from or written to JSON. Reading fails on the
/// first bad value, so one bad entry fails the whole file; writing fails on a
/// value JSON cannot carry (NaN, infinity, a date outside the years 1 to 9999).
class JsonCodingError : public QException {
public:
    explicit JsonCodingError(QString description);

    static JsonCodingError missingKey(QAnyStringView key);
    static JsonCodingError wrongType(QAnyStringView key);
    static JsonCodingError invalidValue(QAnyStringView key);
    static JsonCodingError notFinite(QAnyStringView key);
    static JsonCodingError unwritableDate(QAnyStringView key);

    /// The same error, located inside an enclosing value (an entry of the list, a nested key).
    JsonCodingError within(const QString& context) const;

    QString description() const { return m_description; }

    void raise() const override { throw *this; }
    JsonCodingError* clone() const override { return new JsonCodingError(*this); }

private:
    QString m_description;
};

} // namespace ostrevin
