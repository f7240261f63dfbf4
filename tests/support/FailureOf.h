#pragma once

#include <optional>

namespace ostrevin::test {

/// The Error that call threw, or none when it returned (other errors pass through).
template <typename Error, typename Call> std::optional<Error> failureOf(Call&& call)
{
    try {
        call();
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace ostrevin::test
