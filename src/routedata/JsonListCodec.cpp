#include "routedata/JsonListCodec.h"

#include <QCoreApplication>

namespace ostrevin {

QJsonArray JsonListCodec::topLevelArray(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        //: Detail of a damaged data file. %1 is the parser's reason, %2 a byte offset.
        throw JsonCodingError(
            QCoreApplication::translate("JsonCodingError", "The file isn’t valid JSON (%1 at byte %2).")
                .arg(error.errorString())
                .arg(error.offset));
    }
    if (!doc.isArray()) {
        //: Detail of a damaged data file whose top level is not a list.
        throw JsonCodingError(QCoreApplication::translate("JsonCodingError", "The file doesn’t hold a list."));
    }
    return doc.array();
}

} // namespace ostrevin
