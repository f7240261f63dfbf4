#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstddef>
#include <optional>
#include <utility>

namespace ostrevin {

/// Specialised by every enumeration that is stored as raw strings. `cases` lists
/// each case with its raw string, in case order; toRaw, fromRaw and allCases read it,
/// so the stored forms are spelt in one table per enumeration.
template <typename E> struct RawEnumTraits;

template <typename E>
concept RawEnum = requires
{
    RawEnumTraits<E>::cases;
};

/// Every case in declaration order (the order of pickers and segmented controls).
template <RawEnum E> constexpr auto allCases()
{
    constexpr auto& table = RawEnumTraits<E>::cases;
    std::array<E, table.size()> out{};
    for (std::size_t i = 0; i < table.size(); ++i)
        out[i] = table[i].first;
    return out;
}

/// The stored form, without allocating.
template <RawEnum E> constexpr QStringView rawView(E value)
{
    for (const auto& [c, raw] : RawEnumTraits<E>::cases) {
        if (c == value)
            return raw;
    }
    return {};
}

template <RawEnum E> QString toRaw(E value)
{
    return rawView(value).toString();
}

/// Exact, case-sensitive match; anything else gives no value.
template <RawEnum E> std::optional<E> fromRaw(QStringView raw)
{
    for (const auto& [c, r] : RawEnumTraits<E>::cases) {
        if (r == raw)
            return c;
    }
    return std::nullopt;
}

} // namespace ostrevin
