#pragma once

#include "devicebridge/HelperAction.h"
#include "devicebridge/LocationHelper.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace ostrevin {

/// Where the tunnel-service line looks for a listener on its port. The line
/// decides when it runs: lsof when it is installed there, else ss.
struct PortProbeTools {
    QString lsofPath = QStringLiteral("/usr/bin/lsof");
    QString ssPath = QStringLiteral("/usr/bin/ss");
};

/// The exact command lines of every helper action, helper kind and connection
/// mode. Pure: nothing here starts a process.
class HelperCommandLine {
public:
    /// The argument list (without the executable) of one action.
    static QStringList arguments(const LocationHelper& helper, const HelperAction& action);
    /// The route-playback arguments of pymobiledevice3 for a GPX file.
    static QStringList playArguments(const LocationHelper& helper, const QString& gpxPath);
    /// The arguments with the helper's device options appended.
    static QStringList withDeviceOptions(QStringList arguments, const LocationHelper& helper);
    /// The shell line that starts pymobiledevice3's tunnel service at the host and
    /// port of serviceURL (127.0.0.1:49151 when it names none), the address its
    /// client then asks, refusing a port that something already listens on.
    static QString tunnelShellCommand(const LocationHelper& helper, const PortProbeTools& tools = {},
                                      const QUrl& serviceURL = {});

    /// A coordinate as tools expect it: "%.6f" whatever the locale.
    static QString formatCoordinate(double degrees);
    /// A word quoted for /bin/sh: in single quotes, inner quotes as '\''.
    static QString shellQuoted(const QString& word);
    /// The command line shown in errors: executable name and arguments.
    static QString displayCommand(const QString& executablePath, const QStringList& arguments);
};

} // namespace ostrevin
