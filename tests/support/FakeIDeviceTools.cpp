#include "support/FakeIDeviceTools.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

namespace ostrevin::test {

namespace {

const char* const kPrologue = R"SH(#!/bin/sh
STATE='@STATE@'
printf '%s\n' "$*" >> "$STATE/@TOOL@.calls"
# The device a tool reaches, as Debian's 1.3.0 tools choose it: "-u U" only U,
# else the first attached one; without usbmuxd none. Their errors go to standard
# output, exit 255.
udid=
prev=
for a; do [ "$prev" = -u ] && udid=$a; prev=$a; done
attached() {
  [ -f "$STATE/usbmuxd-down" ] && return 1
  if [ -n "$udid" ]; then grep -qxF -- "$udid" "$STATE/udids" 2>/dev/null; else grep -q . "$STATE/udids" 2>/dev/null; fi
}
noDevice() {
  if [ -n "$udid" ]; then echo "ERROR: Device $udid not found!"; else echo "ERROR: No device found!"; fi
  exit 255
}
)SH";

const char* const kIdeviceId = R"SH(
[ -f "$STATE/usbmuxd-down" ] && { echo "ERROR: Unable to retrieve device list!" >&2; exit 255; }
cat "$STATE/udids" 2>/dev/null
exit 0
)SH";

const char* const kIdeviceInfo = R"SH(
key=
while [ $# -gt 0 ]; do
  case $1 in -k) key=$2; shift ;; esac
  shift
done
attached || noDevice
[ -n "$udid" ] || udid=$(head -n 1 "$STATE/udids")
[ -f "$STATE/info/$udid/$key" ] && cat "$STATE/info/$udid/$key"
exit 0
)SH";

const char* const kImageMounter = R"SH(
case " $* " in
  *" --help "*) echo "Usage: ideviceimagemounter [OPTIONS] COMMAND [COMMAND OPTIONS...]"; exit 0 ;;
esac
attached || { echo "No device found."; exit 255; }
if [ -f "$STATE/image-mounted" ]; then
cat <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>ImagePresent</key>
	<true/>
	<key>ImageSignature</key>
	<data>
	AAECAwQFBgc=
	</data>
	<key>Status</key>
	<string>Complete</string>
</dict>
</plist>
PLIST
else
cat <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>ImagePresent</key>
	<false/>
	<key>Status</key>
	<string>Complete</string>
</dict>
</plist>
PLIST
fi
exit 0
)SH";

const char* const kSetLocation = R"SH(
attached || noDevice
[ -f "$STATE/setlocation-fails" ] && { echo "ERROR: No device found!"; exit 255; }
exit 0
)SH";

void writeTool(const QString& folder, const QString& state, const QString& tool, const char* body)
{
    QByteArray script(kPrologue);
    script.replace("@STATE@", state.toUtf8()).replace("@TOOL@", tool.toUtf8());
    script.append(body);
    const QString path = QDir(folder).filePath(tool);
    writeFile(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

} // namespace

FakeIDeviceTools::FakeIDeviceTools(const QString& folder)
    : m_folder(folder), m_state(QDir(folder).filePath(QStringLiteral("idevice-state")))
{
    QDir().mkpath(m_state);
    writeTool(m_folder, m_state, QStringLiteral("idevice_id"), kIdeviceId);
    writeTool(m_folder, m_state, QStringLiteral("ideviceinfo"), kIdeviceInfo);
    writeTool(m_folder, m_state, QStringLiteral("ideviceimagemounter"), kImageMounter);
    writeTool(m_folder, m_state, QStringLiteral("idevicesetlocation"), kSetLocation);
    const QString udid = QStringLiteral("00008030-AAAA");
    setDevices({udid});
    setInfo(udid, QStringLiteral("ProductType"), QStringLiteral("iPhone15,2"));
    setInfo(udid, QStringLiteral("ProductVersion"), QStringLiteral("16.7"));
    setInfo(udid, QStringLiteral("DeviceName"), QStringLiteral("Test iPhone"));
    setDeveloperImageMounted(true);
}

QString FakeIDeviceTools::path(const QString& tool) const
{
    return QDir(m_folder).filePath(tool);
}

void FakeIDeviceTools::setDevices(const QStringList& udids)
{
    QByteArray text;
    for (const QString& udid : udids)
        text += udid.toUtf8() + '\n';
    writeFile(m_state + QStringLiteral("/udids"), text);
}

void FakeIDeviceTools::setInfo(const QString& udid, const QString& key, const QString& value)
{
    const QString file = m_state + QStringLiteral("/info/") + udid + QLatin1Char('/') + key;
    if (value.isEmpty())
        QFile::remove(file);
    else
        writeFile(file, value.toUtf8() + '\n');
}

void FakeIDeviceTools::setDeveloperImageMounted(bool mounted)
{
    const QString marker = m_state + QStringLiteral("/image-mounted");
    if (mounted)
        writeFile(marker, {});
    else
        QFile::remove(marker);
}

void FakeIDeviceTools::setUsbmuxdRunning(bool running)
{
    const QString marker = m_state + QStringLiteral("/usbmuxd-down");
    if (running)
        QFile::remove(marker);
    else
        writeFile(marker, {});
}

void FakeIDeviceTools::setSetLocationFails(bool fails)
{
    const QString marker = m_state + QStringLiteral("/setlocation-fails");
    if (fails)
        writeFile(marker, {});
    else
        QFile::remove(marker);
}

QStringList FakeIDeviceTools::calls(const QString& tool) const
{
    return lines(readFile(m_state + QLatin1Char('/') + tool + QStringLiteral(".calls")));
}

} // namespace ostrevin::test
