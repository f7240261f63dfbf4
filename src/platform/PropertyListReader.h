#pragma once

#include <QByteArray>
#include <QVariant>
#include <optional>

namespace ostrevin {

/// Reads an XML property list, as the libimobiledevice tools print one with "-x".
///
/// Values become: dict -> QVariantMap, array -> QVariantList, string -> QString,
/// data -> QByteArray (base64 decoded), true/false -> bool, integer -> qint64,
/// real -> double. Anything else (another element, bad base64, a number that does
/// not parse, a dict key without a value, text after the document) makes the
/// whole list unreadable.
class PropertyListReader {
public:
    static std::optional<QVariant> read(const QByteArray& xml);
};

} // namespace ostrevin
