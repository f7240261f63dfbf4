#include "async/CancelToken.h"

namespace ostrevin {

CancelRegistration CancelToken::onCancel(std::function<void()> callback) const
{
    return CancelRegistration(std::make_unique<CancelRegistration::Callback>(m_token, std::move(callback)));
}

} // namespace ostrevin
