#pragma once

#include "routedata/RawEnum.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>
#include <QVarLengthArray>

namespace ostrevin {

/// Writes records straight to indented UTF-8 JSON, without building a document
/// first (saved-route files hold hundreds of thousands of points). Callers write
/// an object's keys in ascending order, which is the order the files promise.
/// Values JSON cannot carry make it throw JsonCodingError, so a caller that writes
/// to a file only after the whole text is built never replaces a good file with a
/// bad one.
class JsonWriter {
public:
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void beginObject() { open('{'); }
    void endObject() { close('}'); }

    /// Starts a member of the current object; the next call writes its value.
    void key(QLatin1String name);

    void value(QStringView text);
    /// Throws JsonCodingError::notFinite(field) for NaN and infinity.
    void value(double number, QLatin1String field);
    /// Upper-case canonical hyphenated form, no braces.
    void value(const QUuid& uuid);
    /// ISO 8601 in UTC with "Z" and whole seconds; throws for an invalid date or one
    /// outside the years 1 to 9999.
    void value(const QDateTime& date, QLatin1String field);
    template <RawEnum E> void value(E e) { value(rawView(e)); }

    /// The text so far, ending in a line feed when the outermost value is complete.
    QByteArray take();

private:
    void open(char bracket);
    void close(char bracket);
    void beginValue();
    void indent();
    void appendEscaped(QStringView text);

    QByteArray m_out;
    // One entry per open container: whether it has an element yet.
    QVarLengthArray<bool, 8> m_hasElement;
    bool m_afterKey = false;
};

} // namespace ostrevin
