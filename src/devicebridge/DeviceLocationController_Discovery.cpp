// Helper discovery and device identification of DeviceLocationController.

#include "devicebridge/CoreDeviceList.h"
#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "devicebridge/DeviceLocationMessages.h"
#include "devicebridge/USBMuxDevice.h"
#include "platform/PlatformFactory.h"
#include "platform/PropertyListReader.h"
#include "process/CancellationError.h"
#include "process/ProcessLaunchError.h"
#include "runtime/RuntimeLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>

namespace ostrevin {

namespace {

constexpr double lookupTimeout = 15.0;
constexpr double detectionListTimeout = 15.0;
constexpr double reachabilityListTimeout = 4.0;
constexpr double devicectlTimeout = 15.0;
constexpr double iDeviceToolTimeout = 4.0;
constexpr double imageListTimeout = 6.0;

const QString pyMobileDeviceName = QStringLiteral("pymobiledevice3");
const QString iDeviceSetLocationName = QStringLiteral("idevicesetlocation");

bool isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

LocationHelper directHelper(LocationHelper::Kind kind, const QString& path)
{
    LocationHelper helper;
    helper.kind = kind;
    helper.executableURL = QUrl::fromLocalFile(path);
    helper.connectionMode = LocationHelper::ConnectionMode::direct();
    return helper;
}

QStringList usbmuxListArguments()
{
    return {QStringLiteral("--no-color"), QStringLiteral("usbmux"), QStringLiteral("list")};
}

// The whole listing opens lockdown on every device, and one device that cannot be
// queried (not paired, trust refused) makes it print nothing; the simple one asks
// no device anything.
QStringList usbmuxIdentifierListArguments()
{
    return usbmuxListArguments() << QStringLiteral("--simple");
}

// Trimmed non-empty lines, in order.
QStringList trimmedLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.append(trimmed);
    }
    return lines;
}

// Removes the file when the scope ends, whatever happened in it.
class FileRemover {
public:
    explicit FileRemover(QString path) : m_path(std::move(path)) {}
    ~FileRemover() { QFile::remove(m_path); }
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;

private:
    QString m_path;
};

void throwIfCancelled(const ProcessCancellationState& cancellation)
{
    if (cancellation.isCancelled())
        throw CancellationError();
}

// What the libimobiledevice tools print when the device they were asked for is
// not attached, or when usbmuxd (and so every device) is not there: "ERROR: No
// device found!", "ERROR: Device X not found!", "No device found." and "ERROR:
// Unable to retrieve device list!".
bool saysNoDevice(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("No device found|Device \\S+ not found|Unable to retrieve device list"));
    return text.contains(pattern);
}

// Runs one libimobiledevice tool; a failure because the device is missing
// becomes the not-connected failure.
template <typename Run> ProcessOutput runIDeviceTool(Run run)
{
    try {
        return run();
    } catch (const DeviceLocationError& failure) {
        if (failure.kind() == DeviceLocationError::Case::commandFailed && saysNoDevice(failure.output()))
            throw DeviceLocationError::deviceNotConnected(failure.command(), failure.output());
        throw;
    }
}

} // namespace

std::optional<ProcessOutput> DeviceLocationController::tryExecute(const QString& executablePath,
                                                                  const QStringList& arguments, double timeout,
                                                                  ProcessTracking tracking,
                                                                  std::exception_ptr* unstarted)
{
    ProcessCancellationState neverCancelled;
    try {
        return executeLocked(QUrl::fromLocalFile(executablePath), arguments, timeout, QUuid::createUuid(),
                             neverCancelled, tracking);
    } catch (const DeviceLocationError&) {
    } catch (const ProcessLaunchError&) {
        if (unstarted)
            *unstarted = std::current_exception();
    } catch (const CancellationError&) {
    }
    return std::nullopt;
}

QFuture<LocationHelperStatus> DeviceLocationController::detectHelper()
{
    return QtConcurrent::run(&m_workerPool, [this] { return detectHelperSync(); });
}

LocationHelperStatus DeviceLocationController::detectHelperSync()
{
    std::lock_guard guard(m_commandLock);
    if (const auto found = helper(LocationHelper::Kind::pyMobileDevice, pyMobileDeviceName)) {
        const LocationHelper bound = helperWithFirstUSBDevice(*found);
        LocationHelperStatus status;
        status.helper = bound;
        status.message = helperDetectionMessage(bound);
        // The add-on is there: advice to install it would contradict the checklist.
        status.installHint = LocationHelperStatus::connectionHint();
        status.isDeviceConnected = bound.deviceIdentifier.has_value();
        return status;
    }
    if (const auto found = helper(LocationHelper::Kind::iDeviceSetLocation, iDeviceSetLocationName)) {
        LocationHelperStatus status;
        status.installHint = LocationHelperStatus::connectionHint();
        ProcessCancellationState neverCancelled;
        try {
            const LocationHelper verified =
                verifiedIDeviceHelper(*found, QUuid::createUuid(), neverCancelled, LocationSupportCheck::skipped);
            status.helper = verified;
            status.message = DeviceLocationMessages::connected(
                verified.deviceName.value_or(verified.deviceIdentifier.value_or(QString())));
            status.isDeviceConnected = true;
        } catch (const std::exception& failure) {
            const auto* deviceFailure = dynamic_cast<const DeviceLocationError*>(&failure);
            status.helper = *found;
            status.message = deviceFailure && deviceFailure->kind() == DeviceLocationError::Case::deviceNotConnected
                                 ? helperDetectionMessage(*found)
                                 //: Device status message.
                                 : tr("The connected iPhone couldn’t be verified yet.");
        }
        return status;
    }
    return LocationHelperStatus::missing();
}

std::optional<LocationHelper> DeviceLocationController::helper(LocationHelper::Kind kind, const QString& executableName)
{
    const HelperSearchPaths& paths = m_configuration.helperSearch;
    if (kind == LocationHelper::Kind::pyMobileDevice && !paths.runtimeFolder.isEmpty()) {
        if (const auto launcher = RuntimeLayout(paths.runtimeFolder).installedHelperURL())
            return directHelper(kind, *launcher);
    }
    // The whole list first: the Python user-base run happens on every search that gets here.
    QStringList candidates;
    for (const QString& folder : paths.toolFolders)
        candidates.append(folder + u'/' + executableName);
    candidates.append(paths.homeDirectory + u"/.local/bin/" + executableName);
    candidates.append(pythonUserBinCandidates(executableName));
    for (const QString& candidate : std::as_const(candidates)) {
        if (isExecutableFile(candidate))
            return directHelper(kind, candidate);
    }
    if (const auto which =
            tryExecute(paths.whichPath, {executableName}, lookupTimeout, ProcessTracking::asActiveProcess)) {
        const QString path = which->standardOutput.trimmed();
        if (!path.isEmpty() && isExecutableFile(path))
            return directHelper(kind, path);
    }
    return std::nullopt;
}

QStringList DeviceLocationController::pythonUserBinCandidates(const QString& executableName)
{
    const HelperSearchPaths& paths = m_configuration.helperSearch;
    QStringList candidates;
    const QDir pythonFolder(paths.homeDirectory + u"/Library/Python");
    const QStringList entries =
        pythonFolder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& entry : entries)
        candidates.append(pythonFolder.filePath(entry) + u"/bin/" + executableName);
    const QStringList siteArguments = {QStringLiteral("python3"), QStringLiteral("-m"), QStringLiteral("site"),
                                       QStringLiteral("--user-base")};
    if (const auto site = tryExecute(paths.envPath, siteArguments, lookupTimeout, ProcessTracking::asActiveProcess)) {
        const QString userBase = site->standardOutput.trimmed();
        if (!userBase.isEmpty())
            candidates.append(userBase + u"/bin/" + executableName);
    }
    return candidates;
}

LocationHelper DeviceLocationController::helperWithFirstUSBDevice(const LocationHelper& helper)
{
    if (helper.kind != LocationHelper::Kind::pyMobileDevice)
        return helper;
    const auto listing =
        tryExecute(helper.executablePath(), usbmuxListArguments(), detectionListTimeout, ProcessTracking::untracked);
    const auto devices = listing ? USBMuxDevice::decodeList(listing->standardOutput.toUtf8()) : std::nullopt;
    const std::optional<USBMuxDevice> iphone =
        devices ? USBMuxDevice::firstIPhone(*devices) : firstQueryableIPhone(helper);
    if (iphone) {
        LocationHelper bound = helper;
        bound.deviceIdentifier = iphone->identifier;
        bound.deviceName = iphone->deviceName;
        bound.connectionMode = LocationHelper::ConnectionMode::usbmux();
        return bound;
    }
    if (const auto device = firstCoreDevice()) {
        LocationHelper bound = helper;
        bound.deviceIdentifier = device->udid;
        bound.deviceName = device->name;
        bound.connectionMode = LocationHelper::ConnectionMode::tunnel();
        return bound;
    }
    return helper;
}

std::optional<QStringList> DeviceLocationController::attachedIdentifiers(const LocationHelper& helper,
                                                                         std::exception_ptr* unstarted)
{
    const auto listing = tryExecute(helper.executablePath(), usbmuxIdentifierListArguments(), reachabilityListTimeout,
                                    ProcessTracking::untracked, unstarted);
    return listing ? USBMuxDevice::decodeIdentifiers(listing->standardOutput.toUtf8()) : std::nullopt;
}

std::optional<bool> DeviceLocationController::isAttached(const LocationHelper& helper, std::exception_ptr* unstarted)
{
    if (helper.kind != LocationHelper::Kind::pyMobileDevice || !helper.deviceIdentifier)
        return std::nullopt;
    const auto identifiers = attachedIdentifiers(helper, unstarted);
    if (!identifiers)
        return std::nullopt;
    return identifiers->contains(*helper.deviceIdentifier);
}

bool DeviceLocationController::listsIPhone(const LocationHelper& helper, std::exception_ptr* unstarted)
{
    const auto listing = tryExecute(helper.executablePath(), usbmuxListArguments(), reachabilityListTimeout,
                                    ProcessTracking::untracked, unstarted);
    const auto devices = listing ? USBMuxDevice::decodeList(listing->standardOutput.toUtf8()) : std::nullopt;
    return devices && std::any_of(devices->begin(), devices->end(), [&helper](const USBMuxDevice& device) {
               return device.deviceClass == u"iPhone" &&
                      (!helper.deviceIdentifier || device.identifier == *helper.deviceIdentifier);
           });
}

std::optional<USBMuxDevice> DeviceLocationController::firstQueryableIPhone(const LocationHelper& helper)
{
    const auto identifiers = attachedIdentifiers(helper);
    if (!identifiers)
        return std::nullopt;
    QList<USBMuxDevice> devices;
    for (const QString& udid : *identifiers) {
        const QStringList arguments = {QStringLiteral("--no-color"), QStringLiteral("lockdown"), QStringLiteral("info"),
                                       QStringLiteral("--udid"), udid};
        if (const auto info =
                tryExecute(helper.executablePath(), arguments, detectionListTimeout, ProcessTracking::untracked)) {
            if (const auto device = USBMuxDevice::decodeLockdownInfo(info->standardOutput.toUtf8()))
                devices.append(*device);
        }
    }
    return USBMuxDevice::firstIPhone(devices);
}

std::optional<CoreDeviceIdentity> DeviceLocationController::firstCoreDevice()
{
    // devicectl exists only where xcrun does; elsewhere there is simply no such device.
    if (!isExecutableFile(m_configuration.helperSearch.xcrunPath))
        return std::nullopt;
    const auto file = PrivateTempFolder(m_configuration.temporaryFolder)
                          .newFilePath(QStringLiteral("tovrel-devicectl-"), QStringLiteral(".json"));
    if (!file)
        return std::nullopt;
    const FileRemover remover(*file);
    const QStringList arguments = {QStringLiteral("devicectl"), QStringLiteral("list"), QStringLiteral("devices"),
                                   QStringLiteral("--json-output"), *file};
    if (!tryExecute(m_configuration.helperSearch.xcrunPath, arguments, devicectlTimeout, ProcessTracking::untracked))
        return std::nullopt;
    QFile list(*file);
    if (!list.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto decoded = CoreDeviceList::decode(list.readAll());
    return decoded ? decoded->firstIPhone() : std::nullopt;
}

LocationHelper DeviceLocationController::verifiedIDeviceHelper(const LocationHelper& helper, const QUuid& operationID,
                                                               ProcessCancellationState& cancellation,
                                                               LocationSupportCheck support)
{
    throwIfCancelled(cancellation);
    if (helper.kind != LocationHelper::Kind::iDeviceSetLocation)
        return helper;
    const QString listCommand = QStringLiteral("idevice_id -l");
    const auto idevice_id = iDeviceUtilityURL(QStringLiteral("idevice_id"), helper.executableURL);
    if (!idevice_id) {
        //: Technical detail in diagnostics. Keep tool names unchanged.
        throw DeviceLocationError::commandFailed(
            listCommand, tr("idevice_id is missing. Install the complete libimobiledevice package."));
    }
    const auto ideviceinfo = iDeviceUtilityURL(QStringLiteral("ideviceinfo"), helper.executableURL);
    if (!ideviceinfo) {
        //: Technical detail in diagnostics. Keep tool names unchanged.
        throw DeviceLocationError::commandFailed(
            QStringLiteral("ideviceinfo"),
            tr("ideviceinfo is missing, so Ostrevin can’t safely verify that the target device is an iPhone."));
    }
    const auto info = [&](const QString& udid, const QString& key) {
        const QStringList arguments = {QStringLiteral("-u"), udid, QStringLiteral("-k"), key};
        return runIDeviceTool([&] {
                   return executeLocked(*ideviceinfo, arguments, iDeviceToolTimeout, operationID, cancellation,
                                        ProcessTracking::asActiveProcess);
               })
            .standardOutput.trimmed();
    };

    const QStringList attached =
        trimmedLines(runIDeviceTool([&] {
                         return executeLocked(*idevice_id, {QStringLiteral("-l")}, iDeviceToolTimeout, operationID,
                                              cancellation, ProcessTracking::asActiveProcess);
                     }).standardOutput);
    QStringList candidates = attached;
    if (helper.deviceIdentifier) {
        if (!attached.contains(*helper.deviceIdentifier)) {
            //: Technical detail in diagnostics. %1 is a UDID.
            throw DeviceLocationError::deviceNotConnected(
                listCommand,
                tr("The previously selected iPhone %1 is no longer connected.").arg(*helper.deviceIdentifier));
        }
        candidates = {*helper.deviceIdentifier};
    }
    if (candidates.isEmpty()) {
        //: Technical detail in diagnostics. Keep tool names unchanged.
        throw DeviceLocationError::deviceNotConnected(listCommand,
                                                      tr("libimobiledevice doesn’t see any connected device."));
    }
    std::optional<QString> chosen;
    for (const QString& udid : std::as_const(candidates)) {
        throwIfCancelled(cancellation);
        if (info(udid, QStringLiteral("ProductType")).startsWith(u"iPhone")) {
            chosen = udid;
            break;
        }
    }
    if (!chosen) {
        //: Technical detail in diagnostics. Keep tool names unchanged.
        throw DeviceLocationError::commandFailed(
            listCommand, tr("libimobiledevice sees a device, but ideviceinfo didn’t confirm an iPhone."));
    }

    if (support == LocationSupportCheck::required) {
        const QString version = info(*chosen, QStringLiteral("ProductVersion"));
        if (!isLegacyIDeviceSetLocationSupported(version)) {
            //: Technical detail in diagnostics. %1 is an iOS version such as 17.4.
            throw DeviceLocationError::commandFailed(
                u"ideviceinfo -u " + *chosen + u" -k ProductVersion",
                tr("idevicesetlocation doesn’t support iOS %1. Quit Ostrevin and open it again, then click Install: "
                   "the add-on component supports it.")
                    .arg(version));
        }
        verifyDeveloperDiskImage(*chosen, helper.executableURL, operationID, cancellation);
    }

    std::optional<QString> name;
    try {
        const QString read = info(*chosen, QStringLiteral("DeviceName"));
        if (!read.isEmpty())
            name = read;
    } catch (const DeviceLocationError&) {
    } catch (const ProcessLaunchError&) {
    }

    LocationHelper verified;
    verified.kind = LocationHelper::Kind::iDeviceSetLocation;
    verified.executableURL = helper.executableURL;
    verified.deviceIdentifier = chosen;
    verified.deviceName = name;
    verified.connectionMode = LocationHelper::ConnectionMode::usbmux();
    return verified;
}

std::optional<QUrl> DeviceLocationController::iDeviceUtilityURL(const QString& name, const QUrl& relativeTo) const
{
    QStringList candidates = {QFileInfo(relativeTo.toLocalFile()).absolutePath() + u'/' + name};
    for (const QString& folder : m_configuration.helperSearch.iDeviceToolFolders)
        candidates.append(folder + u'/' + name);
    for (const QString& candidate : std::as_const(candidates)) {
        if (isExecutableFile(candidate))
            return QUrl::fromLocalFile(QFileInfo(candidate).canonicalFilePath());
    }
    return std::nullopt;
}

void DeviceLocationController::verifyDeveloperDiskImage(const QString& udid, const QUrl& relativeTo,
                                                        const QUuid& operationID,
                                                        ProcessCancellationState& cancellation)
{
    const auto mounter = iDeviceUtilityURL(QStringLiteral("ideviceimagemounter"), relativeTo);
    if (!mounter) {
        //: Technical detail in diagnostics. Keep tool names unchanged.
        throw DeviceLocationError::commandFailed(
            QStringLiteral("ideviceimagemounter"),
            tr("ideviceimagemounter is missing. Install the complete libimobiledevice package."));
    }
    // Newer versions take the subcommand "list" (their help names a COMMAND), older ones "-l".
    const ProcessOutput help = executeLocked(*mounter, {QStringLiteral("--help")}, iDeviceToolTimeout, operationID,
                                             cancellation, ProcessTracking::asActiveProcess);
    const QString listForm = help.text.contains(u"COMMAND") ? QStringLiteral("list") : QStringLiteral("-l");
    const QStringList arguments = {QStringLiteral("-u"), udid,    QStringLiteral("-t"), QStringLiteral("Developer"),
                                   QStringLiteral("-x"), listForm};
    const ProcessOutput list = runIDeviceTool([&] {
        return executeLocked(*mounter, arguments, imageListTimeout, operationID, cancellation,
                             ProcessTracking::asActiveProcess);
    });
    if (hasMountedDeveloperDiskImage(list.standardOutput))
        return;
    const QString advice = PlatformFactory::hasAppleDeveloperTools()
                               //: Technical detail in diagnostics, after the missing Developer Disk Image.
                               ? tr("Connect the device in Xcode and let Xcode finish preparing it.")
                               //: Technical detail in diagnostics, after the missing Developer Disk Image.
                               : tr("Quit Ostrevin and open it again, then click Install: the add-on component "
                                    "mounts it when you click Prepare iPhone.");
    //: Technical detail in diagnostics. “Developer Disk Image” is an Apple technical term; usually left in English.
    throw DeviceLocationError::commandFailed(u"ideviceimagemounter -u " + udid + u" -t Developer -x list",
                                             tr("No compatible Developer Disk Image is mounted on iPhone.") + u' ' +
                                                 advice);
}

bool DeviceLocationController::hasMountedDeveloperDiskImage(const QString& output)
{
    const auto plist = PropertyListReader::read(output.toUtf8());
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap reply = plist->toMap();
    // Older iOS versions answer with "ImagePresent"; newer ones leave it out and
    // list the mounted images' signatures, an array of data.
    const QVariant present = reply.value(QStringLiteral("ImagePresent"));
    if (present.isValid() && !(present.typeId() == QMetaType::Bool && present.toBool()))
        return false;
    const QVariant signature = reply.value(QStringLiteral("ImageSignature"));
    switch (signature.typeId()) {
    case QMetaType::QByteArray:
        return !signature.toByteArray().isEmpty();
    case QMetaType::QString:
        return !signature.toString().isEmpty();
    case QMetaType::QVariantList: {
        const QVariantList signatures = signature.toList();
        return std::any_of(signatures.begin(), signatures.end(), [](const QVariant& item) {
            return item.typeId() == QMetaType::QByteArray && !item.toByteArray().isEmpty();
        });
    }
    default:
        return false;
    }
}

bool DeviceLocationController::isLegacyIDeviceSetLocationSupported(const QString& productVersion)
{
    const QStringList pieces = productVersion.split(u'.', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return false;
    const QString& first = pieces.first();
    const bool digitsOnly = std::all_of(first.begin(), first.end(), [](QChar c) { return c.isDigit(); });
    bool ok = false;
    const int major = first.toInt(&ok, 10);
    return digitsOnly && ok && major < 17;
}

QString DeviceLocationController::helperDetectionMessage(const LocationHelper& helper) const
{
    if (!helper.deviceIdentifier) {
        //: Device status message.
        return tr("iPhone isn’t connected.");
    }
    return DeviceLocationMessages::connected(helper.deviceName.value_or(*helper.deviceIdentifier));
}

QFuture<bool> DeviceLocationController::isDeviceReachable(const LocationHelper& helper)
{
    return QtConcurrent::run(&m_workerPool, [this, helper] { return isDeviceReachableSync(helper); });
}

bool DeviceLocationController::isDeviceReachableSync(const LocationHelper& helper)
{
    if (helper.kind == LocationHelper::Kind::iDeviceSetLocation) {
        ProcessCancellationState neverCancelled;
        try {
            const LocationHelper verified =
                verifiedIDeviceHelper(helper, QUuid::createUuid(), neverCancelled, LocationSupportCheck::skipped);
            return !helper.deviceIdentifier || verified.deviceIdentifier == helper.deviceIdentifier;
        } catch (const ProcessLaunchError&) {
            throw;
        } catch (const std::exception&) {
            return false;
        }
    }
    // The held iPhone is looked for on its own: another device that cannot be
    // queried must not make it look unplugged.
    std::exception_ptr unstarted;
    const std::optional<bool> attached = isAttached(helper, &unstarted);
    if (attached == true)
        return true;
    if (!attached) {
        // Only the look that decides may say why it saw nothing.
        unstarted = nullptr;
        if (listsIPhone(helper, &unstarted))
            return true;
    }
    const auto device = firstCoreDevice();
    if (!device) {
        // A look whose tool could not start (out of descriptors) saw nothing of
        // the iPhone: this program failed, and the cable may well be in.
        if (unstarted)
            std::rethrow_exception(unstarted);
        return false;
    }
    return !helper.deviceIdentifier || device->udid == *helper.deviceIdentifier;
}

} // namespace ostrevin
