#pragma once

#include <QLoggingCategory>

namespace ostrevin {

/// Diagnostics of the platform layers (not the event log the user sees).
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

} // namespace ostrevin
