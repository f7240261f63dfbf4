#include "platform/PlatformLog.h"

namespace ostrevin {

Q_LOGGING_CATEGORY(lcPlatform, "ostrevin.platform")

} // namespace ostrevin
