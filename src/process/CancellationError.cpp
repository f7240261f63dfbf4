#include "process/CancellationError.h"

namespace ostrevin {

void CancellationError::raise() const
{
    throw *this;
}

CancellationError* CancellationError::clone() const
{
    return new CancellationError(*this);
}

const char* CancellationError::what() const noexcept
{
    return "cancelled";
}

} // namespace ostrevin
