#pragma once

#include "routedata/JsonReader.h"
#include "routedata/JsonStream.h"
#include "routedata/JsonWriter.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QList>

namespace ostrevin {

/// A data file's whole content: a JSON array of one record type.
class JsonListCodec {
public:
    /// Indented UTF-8 with sorted keys. Throws JsonCodingError (NaN, infinity, an
    /// unwritable date) before anything is written anywhere.
    template <typename T> static QByteArray encode(const QList<T>& records)
    {
        JsonWriter writer;
        writer.beginArray();
        for (const T& r : records)
            r.writeJson(writer);
        writer.endArray();
        return writer.take();
    }

    /// Throws JsonCodingError for bytes that are not JSON, a top level that is not
    /// an array, or any entry that does not read; one bad entry fails the whole list.
    template <typename T> static QList<T> decode(const QByteArray& bytes)
    {
        // The route files run to megabytes: their records are read straight from
        // the text when it is plain, at about the cost of the parse alone.
        if constexpr (requires(JsonStream & in) { T::fromJsonStream(in); }) {
            JsonStream in(bytes);
            std::optional<QList<T>> records = in.list<T>();
            if (records && in.atEnd())
                return std::move(*records);
        }
        return JsonReader::elements<T>(topLevelArray(bytes), u"entry");
    }

private:
    static QJsonArray topLevelArray(const QByteArray& bytes);
};

} // namespace ostrevin
