#include "routedata/JsonCodingError.h"

#include <QCoreApplication>

namespace ostrevin {

JsonCodingError::JsonCodingError(QString description) : m_description(std::move(description))
{
}

JsonCodingError JsonCodingError::missingKey(QAnyStringView key)
{
    //: Detail of a damaged data file. %1 is a JSON key such as createdAt.
    return JsonCodingError(
        QCoreApplication::translate("JsonCodingError", "The value “%1” is missing.").arg(key.toString()));
}

JsonCodingError JsonCodingError::wrongType(QAnyStringView key)
{
    //: Detail of a damaged data file. %1 is a JSON key such as latitude.
    return JsonCodingError(
        QCoreApplication::translate("JsonCodingError", "The value “%1” has the wrong type.").arg(key.toString()));
}

JsonCodingError JsonCodingError::invalidValue(QAnyStringView key)
{
    //: Detail of a damaged data file. %1 is a JSON key such as createdAt.
    return JsonCodingError(
        QCoreApplication::translate("JsonCodingError", "The value “%1” isn’t valid.").arg(key.toString()));
}

JsonCodingError JsonCodingError::notFinite(QAnyStringView key)
{
    //: Error when saving data. %1 is a field name such as latitude.
    return JsonCodingError(
        QCoreApplication::translate("JsonCodingError", "The value “%1” isn’t a finite number and can’t be saved.")
            .arg(key.toString()));
}

JsonCodingError JsonCodingError::unwritableDate(QAnyStringView key)
{
    //: Error when saving data. %1 is a field name such as createdAt.
    return JsonCodingError(
        QCoreApplication::translate("JsonCodingError", "The date “%1” can’t be saved.").arg(key.toString()));
}

JsonCodingError JsonCodingError::within(const QString& context) const
{
    return JsonCodingError(context + u": " + m_description);
}

} // namespace ostrevin
