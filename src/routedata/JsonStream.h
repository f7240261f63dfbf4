#pragma once

#include "routedata/RawEnum.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace ostrevin {

/// A forward-only reader of JSON text for the large data files, which builds
/// records straight from the bytes instead of through a QJsonDocument.
/// It accepts only a plain subset it is sure QJsonDocument reads to the same
/// values (no escapes in strings, no doubtful numbers, no byte-order mark); on
/// anything else it reports failure, and the caller reads the file the ordinary
/// way, which then gives the exact result or error it always gave.
class JsonStream {
public:
    explicit JsonStream(QByteArrayView bytes) : m_p(bytes.data()), m_end(bytes.data() + bytes.size()) {}

    /// Skips white space, then takes c if it comes next.
    bool take(char c);
    /// Whether only white space is left.
    bool atEnd();
    /// An object key: plain ASCII between quotes.
    std::optional<QByteArrayView> key();
    std::optional<QString> string();
    std::optional<double> number();
    bool null();

    /// Reads "[ element, ... ]" calling element() for each; false as soon as
    /// the text or element() fails.
    template <typename Element> bool array(Element&& element)
    {
        if (!take('['))
            return false;
        if (take(']'))
            return true;
        do {
            if (!element())
                return false;
        } while (take(','));
        return take(']');
    }

    /// Reads "{ key: value, ... }" calling member(key) with the stream just
    /// before each value; false as soon as the text or member() fails.
    template <typename Member> bool object(Member&& member)
    {
        if (!take('{'))
            return false;
        if (take('}'))
            return true;
        do {
            const std::optional<QByteArrayView> name = key();
            if (!name || !take(':') || !member(*name))
                return false;
        } while (take(','));
        return take('}');
    }

    /// "[ ... ]" of T::fromJsonStream records.
    template <typename T> std::optional<QList<T>> list()
    {
        QList<T> out;
        const bool read = array([&] {
            std::optional<T> record = T::fromJsonStream(*this);
            if (record)
                out.append(std::move(*record));
            return record.has_value();
        });
        return read ? std::optional(std::move(out)) : std::nullopt;
    }

    /// Stores a member's value; false when it did not read or came twice (which
    /// the ordinary reader settles).
    template <typename T> static bool fill(std::optional<T>& slot, std::optional<T> value)
    {
        if (slot || !value)
            return false;
        slot = std::move(value);
        return true;
    }

    /// A text read with one of JsonReader's strict parsers.
    template <typename T> std::optional<T> parsed(std::optional<T> (*parse)(QStringView))
    {
        const std::optional<QString> text = string();
        return text ? parse(*text) : std::nullopt;
    }

    /// null gives an empty value; a text must be a known raw string.
    template <RawEnum E> std::optional<std::optional<E>> optionalEnum()
    {
        if (null())
            return std::optional<E>();
        const std::optional<QString> text = string();
        const std::optional<E> value = text ? fromRaw<E>(*text) : std::nullopt;
        return value ? std::optional<std::optional<E>>(value) : std::nullopt;
    }

private:
    void skipSpace();

    const char* m_p;
    const char* m_end;
};

} // namespace ostrevin
