#pragma once

#include "support/TempDir.h"

#include <QString>

namespace ostrevin::test {

/// Points the whole application at a private machine: its home, cache and
/// temporary folders inside dir (with "tools" for the fake tools), every web
/// service at servicesBase, the tunnel service at tunnelUrl, the light
/// appearance and no proxy, so nothing it does leaves the loopback.
void pointApplicationAtLoopback(const TempDir& dir, const QString& servicesBase, const QString& tunnelUrl);

} // namespace ostrevin::test
