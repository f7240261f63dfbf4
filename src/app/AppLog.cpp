#include "app/AppLog.h"

namespace ostrevin {

Q_LOGGING_CATEGORY(lcApp, "ostrevin.app")

} // namespace ostrevin
