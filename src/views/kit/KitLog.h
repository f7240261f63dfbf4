#pragma once

#include <QLoggingCategory>

namespace ostrevin::kit {

/// Diagnostics of the interface kit (missing fonts, unknown symbol names).
Q_DECLARE_LOGGING_CATEGORY(lcKit)

} // namespace ostrevin::kit
