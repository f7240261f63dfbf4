#pragma once

#include <QLoggingCategory>

namespace ostrevin {

/// Diagnostics of the application shell (start, quit, alarms raised).
Q_DECLARE_LOGGING_CATEGORY(lcApp)

} // namespace ostrevin
