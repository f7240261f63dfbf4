#pragma once

#include <QException>
#include <QString>

namespace ostrevin {

/// Writing a file of the runtime folder failed; description() names the file and why.
class RuntimeFileError : public QException {
public:
    explicit RuntimeFileError(QString description) : m_description(std::move(description)) {}

    const QString& description() const { return m_description; }

    void raise() const override { throw *this; }
    RuntimeFileError* clone() const override { return new RuntimeFileError(*this); }

private:
    QString m_description;
};

} // namespace ostrevin
