#include "devicebridge/HelperCommandLine.h"

#include <QFileInfo>

namespace ostrevin {

namespace {

const QString noColor = QStringLiteral("--no-color");
const QString reconnect = QStringLiteral("--reconnect");

QStringList pyMobileDeviceArguments(const LocationHelper& helper, const HelperAction& action)
{
    using Case = HelperAction::Case;
    switch (action.kind()) {
    case Case::set:
        return HelperCommandLine::withDeviceOptions({noColor, QStringLiteral("developer"), QStringLiteral("dvt"),
                                                     QStringLiteral("simulate-location"), QStringLiteral("set")},
                                                    helper) +
               QStringList{QStringLiteral("--"), HelperCommandLine::formatCoordinate(action.point().latitude),
                           HelperCommandLine::formatCoordinate(action.point().longitude)};
    case Case::clear:
        return HelperCommandLine::withDeviceOptions({noColor, reconnect, QStringLiteral("developer"),
                                                     QStringLiteral("dvt"), QStringLiteral("simulate-location"),
                                                     QStringLiteral("clear")},
                                                    helper);
    case Case::developerInfo:
        return HelperCommandLine::withDeviceOptions({noColor, reconnect, QStringLiteral("developer"),
                                                     QStringLiteral("dvt"), QStringLiteral("device-information")},
                                                    helper);
    case Case::mountDeveloperDiskImage:
        return HelperCommandLine::withDeviceOptions(
            {noColor, reconnect, QStringLiteral("mounter"), QStringLiteral("auto-mount")}, helper);
    }
    return {};
}

QStringList iDeviceSetLocationArguments(const LocationHelper& helper, const HelperAction& action)
{
    QStringList list;
    if (helper.deviceIdentifier)
        list << QStringLiteral("-u") << *helper.deviceIdentifier;
    if (action.kind() == HelperAction::Case::set) {
        // "--" keeps a negative latitude from reading as an option.
        list << QStringLiteral("--") << HelperCommandLine::formatCoordinate(action.point().latitude)
             << HelperCommandLine::formatCoordinate(action.point().longitude);
    } else {
        list << QStringLiteral("reset");
    }
    return list;
}

} // namespace

QStringList HelperCommandLine::arguments(const LocationHelper& helper, const HelperAction& action)
{
    return helper.kind == LocationHelper::Kind::pyMobileDevice ? pyMobileDeviceArguments(helper, action)
                                                               : iDeviceSetLocationArguments(helper, action);
}

QStringList HelperCommandLine::playArguments(const LocationHelper& helper, const QString& gpxPath)
{
    return withDeviceOptions({noColor, QStringLiteral("developer"), QStringLiteral("dvt"),
                              QStringLiteral("simulate-location"), QStringLiteral("play")},
                             helper) +
           QStringList{gpxPath};
}

QStringList HelperCommandLine::withDeviceOptions(QStringList arguments, const LocationHelper& helper)
{
    if (!helper.deviceIdentifier)
        return arguments;
    const QString& identifier = *helper.deviceIdentifier;
    const LocationHelper::ConnectionMode& mode = helper.connectionMode;
    switch (mode.kind()) {
    case LocationHelper::ConnectionMode::Case::direct:
    case LocationHelper::ConnectionMode::Case::usbmux:
        arguments << QStringLiteral("--udid") << identifier;
        break;
    case LocationHelper::ConnectionMode::Case::tunnel:
        arguments << QStringLiteral("--tunnel") << identifier;
        break;
    case LocationHelper::ConnectionMode::Case::rsd:
        arguments << QStringLiteral("--rsd") << mode.host() << QString::number(mode.port());
        break;
    }
    return arguments;
}

QString HelperCommandLine::formatCoordinate(double degrees)
{
    return QString::number(degrees, 'f', 6);
}

QString HelperCommandLine::shellQuoted(const QString& word)
{
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString HelperCommandLine::displayCommand(const QString& executablePath, const QStringList& arguments)
{
    QStringList words{QFileInfo(executablePath).fileName()};
    words += arguments;
    return words.join(u' ');
}

QString HelperCommandLine::tunnelShellCommand(const LocationHelper& helper, const PortProbeTools& tools,
                                              const QUrl& serviceURL)
{
    const QString given = helper.executablePath();
    const QString resolved = QFileInfo(given).canonicalFilePath();
    const QString path = resolved.isEmpty() ? given : resolved;
    QString unquotedPath = path;
    unquotedPath.remove(u'\'');
    const QString host = serviceURL.host().isEmpty() ? QStringLiteral("127.0.0.1") : serviceURL.host();
    const QString port = QString::number(serviceURL.port(49151));

    // Debian has no /usr/sbin/lsof, and lsof may be missing altogether: the
    // line picks its probe when it runs. ss exits 0 whether or not something
    // listens, so only its output tells.
    const QString lsof = shellQuoted(tools.lsofPath);
    const QString portInUse = QStringLiteral("ostrevin_port_in_use() { if [ -x ") + lsof + QStringLiteral(" ]; then ") +
                              lsof + QStringLiteral(" -nP -iTCP:") + port +
                              QStringLiteral(" -sTCP:LISTEN >/dev/null 2>&1; else [ -n \"$(") +
                              shellQuoted(tools.ssPath) + QStringLiteral(" -Hltn 'sport = :") + port +
                              QStringLiteral("' 2>/dev/null)\" ]; fi; }");
    const QStringList commands{
        portInUse,
        QStringLiteral("if ostrevin_port_in_use; then /bin/echo 'Port ") + port +
            QStringLiteral(
                " is already used by another process; for safety, Ostrevin will not stop it.' >&2; exit 1; fi"),
        shellQuoted(path) + QStringLiteral(" --no-color remote tunneld -d --host ") + shellQuoted(host) +
            QStringLiteral(" --port ") + port + QStringLiteral(" --protocol tcp >/dev/null 2>&1"),
        QStringLiteral("/bin/sleep 1"),
        QStringLiteral("if ! ostrevin_port_in_use; then /bin/echo 'pymobiledevice3 tunneld did not start on port ") +
            port + QStringLiteral(". Helper: ") + unquotedPath + QStringLiteral("' >&2; exit 1; fi"),
    };
    return commands.join(QStringLiteral("; "));
}

} // namespace ostrevin
