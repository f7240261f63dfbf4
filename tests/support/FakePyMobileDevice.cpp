#include "support/FakePyMobileDevice.h"

#include "support/TempDir.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <cerrno>
#include <csignal>

namespace ostrevin::test {

namespace {

// The script keeps all its state in files, so every invocation (and every test
// step between two invocations) sees the latest choice of the test.
const char* const kScript = R"SH(#!/bin/sh
STATE='@STATE@'
printf '%s\n' "$*" >> "$STATE/calls.log"
log() { echo "2026-10-05 12:00:00 host pymobiledevice3.cli[$$] $1 $2" >&2; }
# The iPhone drops a simulated location when the process that set it ends.
ended() {
  case $(cat "$STATE/location" 2>/dev/null) in "$$ "*) rm -f "$STATE/location" ;; esac
}
hold() {
  trap 'kill $sleeper 2>/dev/null; ended; exit 0' TERM INT
  while :; do
    sleep 3600 >/dev/null 2>&1 &
    sleeper=$!
    wait $sleeper
  done
}
case " $* " in
  *" simulate-location set "*) cmd=set ;;
  *" simulate-location play "*) cmd=play ;;
  *" simulate-location clear "*) cmd=clear ;;
  *" dvt device-information "*) cmd=device-information ;;
  *" mounter auto-mount "*) cmd=mount ;;
  *" usbmux list "*) cmd=usbmux-list ;;
  *" lockdown info "*) cmd=lockdown-info ;;
  *" remote tunneld "*) cmd=tunneld ;;
  *) echo "Usage: pymobiledevice3 [OPTIONS] COMMAND [ARGS]..." >&2; exit 2 ;;
esac
printf '%s\n' "$*" >> "$STATE/$cmd.calls"
echo $$ > "$STATE/$cmd.pid.tmp" && mv -f "$STATE/$cmd.pid.tmp" "$STATE/$cmd.pid"
n=$(cat "$STATE/$cmd.count" 2>/dev/null || echo 0)
n=$((n + 1))
echo "$n" > "$STATE/$cmd.count"

behaviour=
case " $* " in
  *" --rsd "*) [ -f "$STATE/$cmd.rsd.behaviour" ] && behaviour=$(cat "$STATE/$cmd.rsd.behaviour") ;;
esac
[ -n "$behaviour" ] || behaviour=$(cat "$STATE/$cmd.behaviour" 2>/dev/null)
[ -n "$behaviour" ] || behaviour=succeed
case $behaviour in
  from-try:*) if [ "$n" -ge "${behaviour#from-try:}" ]; then behaviour=succeed; else behaviour=log-error-exit; fi ;;
esac

# A slow start: the command reaches the device only once the test lets it go on,
# and finds then whatever is attached.
if [ "$behaviour" = wait-release ]; then
  while [ ! -f "$STATE/$cmd.release" ]; do sleep 0.02; done
fi

# Which device the command reaches, as the real tool chooses it: "--udid U"
# only U, else the one attached device, whatever it is. Only while the test
# keeps a list of attached devices; "--rsd" goes through a tunnel instead.
reconnect=no
case " $* " in *" --reconnect "*) reconnect=yes ;; esac
if [ -f "$STATE/devices" ] && [ "$cmd" != usbmux-list ] && [ "$cmd" != tunneld ]; then
  case " $* " in
    *" --rsd "*) ;;
    *)
      udid=
      prev=
      for a; do [ "$prev" = --udid ] && udid=$a; prev=$a; done
      attached=$(grep -c . "$STATE/devices")
      if [ -n "$udid" ]; then
        if ! grep -qxF -- "$udid" "$STATE/devices"; then
          log ERROR "Device not found: $udid"; exit 0
        fi
        target=$udid
      elif [ "$attached" -eq 0 ]; then
        log ERROR "Device is not connected"
        [ $reconnect = yes ] || exit 0
        log INFO "Waiting for the device to be available again"; hold
      elif [ "$attached" -gt 1 ]; then
        log ERROR "Choose device: no terminal to ask on"; exit 0
      else
        target=$(cat "$STATE/devices")
      fi
      printf '%s\n' "$target" >> "$STATE/$cmd.targets" ;;
  esac
fi

pressCtrlC() { echo "Press Ctrl+C to send a SIGINT or use 'kill' command to send a SIGTERM"; }

case $behaviour in
  hold) pressCtrlC; hold ;;
  exit-silently) exit 0 ;;
  fail-with-output) echo "fake $cmd failed: Device is not connected"; exit 1 ;;
  log-error-exit) log ERROR "Device is not connected"; exit 0 ;;
  log-error-hold) log ERROR "Device is not connected"; hold ;;
  device-lost)
    log ERROR "Device is not connected"
    [ $reconnect = yes ] || exit 0
    log INFO "Waiting for the device to be available again"; hold ;;
  flood-hold) head -c 10485760 /dev/zero | tr '\0' 'x'; : > "$STATE/$cmd.flooded"; hold ;;
  already-mounted) log ERROR "DeveloperDiskImage already mounted"; exit 0 ;;
esac

case $cmd in
  set)
    for a; do lat=$lon; lon=$a; done
    echo "$$ $lat $lon" > "$STATE/location.tmp" && mv -f "$STATE/location.tmp" "$STATE/location"
    pressCtrlC; hold ;;
  play)
    for a; do track=$a; done
    cp "$track" "$STATE/played.gpx.tmp" && mv -f "$STATE/played.gpx.tmp" "$STATE/played.gpx"
    grep -o 'lat="[^"]*" lon="[^"]*"' "$track" | while read -r p; do log INFO "set location to $p"; done
    hold ;;
  clear) exit 0 ;;
  device-information) printf '{\n    "ProductVersion": "17.5.1"\n}\n'; exit 0 ;;
  mount) log INFO "DeveloperDiskImage mounted successfully"; exit 0 ;;
  usbmux-list)
    case " $* " in
      *" --simple "*)
        # Only the UDIDs, and no device is asked anything. Without a list of
        # devices there is no UDID to name: refused as by a tool without the option.
        [ -f "$STATE/usbmux.json" ] || { echo "Error: No such option: --simple" >&2; exit 2; }
        ids=$(grep -o '"Identifier": *"[^"]*"' "$STATE/usbmux.json" 2>/dev/null | sed 's/.*: *//' | paste -sd, -)
        echo "[$ids]"; exit 0 ;;
    esac
    # The whole list opens lockdown on every device: one that cannot be queried
    # fails all of it.
    if grep -q . "$STATE/unqueryable" 2>/dev/null; then
      log ERROR "NotPairedError: $(head -n 1 "$STATE/unqueryable") is not paired"; exit 0
    fi
    cat "$STATE/usbmux.json" 2>/dev/null || echo "[]"; exit 0 ;;
  lockdown-info)
    if [ -n "$target" ] && grep -qxF -- "$target" "$STATE/unqueryable" 2>/dev/null; then
      log ERROR "NotPairedError: $target is not paired"; exit 0
    fi
    if [ -n "$target" ] && [ -f "$STATE/lockdown/$target.json" ]; then cat "$STATE/lockdown/$target.json"; exit 0; fi
    printf '{\n    "DeviceName": "Test iPhone"\n}\n'; exit 0 ;;
  tunneld) hold ;;
esac
)SH";

QString behaviourWord(FakePyMobileDevice::Behaviour behaviour)
{
    using B = FakePyMobileDevice::Behaviour;
    switch (behaviour) {
    case B::Hold:
        return QStringLiteral("hold");
    case B::ExitSilently:
        return QStringLiteral("exit-silently");
    case B::FailWithOutput:
        return QStringLiteral("fail-with-output");
    case B::LogErrorAndExit:
        return QStringLiteral("log-error-exit");
    case B::LogErrorAndHold:
        return QStringLiteral("log-error-hold");
    case B::FloodThenHold:
        return QStringLiteral("flood-hold");
    case B::DeviceLost:
        return QStringLiteral("device-lost");
    case B::AlreadyMounted:
        return QStringLiteral("already-mounted");
    case B::Succeed:
        return QStringLiteral("succeed");
    case B::SucceedWhenReleased:
        return QStringLiteral("wait-release");
    }
    return QStringLiteral("succeed");
}

void replaceFile(const QString& path, const QByteArray& bytes)
{
    // Write beside and rename, so a running invocation never reads half a file.
    const QString temporary = path + QStringLiteral(".new");
    writeFile(temporary, bytes);
    QFile::remove(path);
    QFile::rename(temporary, path);
}

} // namespace

QString FakePyMobileDevice::name(Command command)
{
    switch (command) {
    case Command::Set:
        return QStringLiteral("set");
    case Command::Play:
        return QStringLiteral("play");
    case Command::Clear:
        return QStringLiteral("clear");
    case Command::DeviceInformation:
        return QStringLiteral("device-information");
    case Command::Mount:
        return QStringLiteral("mount");
    case Command::UsbmuxList:
        return QStringLiteral("usbmux-list");
    case Command::LockdownInfo:
        return QStringLiteral("lockdown-info");
    case Command::Tunneld:
        return QStringLiteral("tunneld");
    }
    return {};
}

FakePyMobileDevice::FakePyMobileDevice(const QString& folder)
    : m_executable(QDir(folder).filePath(QStringLiteral("pymobiledevice3"))),
      m_state(QDir(folder).filePath(QStringLiteral("pmd-state")))
{
    QDir().mkpath(m_state);
    QByteArray script(kScript);
    script.replace("@STATE@", m_state.toUtf8());
    writeFile(m_executable, script);
    QFile::setPermissions(m_executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

void FakePyMobileDevice::setBehaviour(Command command, Behaviour behaviour, bool viaRsd)
{
    const QString file = m_state + QLatin1Char('/') + name(command) + (viaRsd ? QStringLiteral(".rsd") : QString()) +
                         QStringLiteral(".behaviour");
    replaceFile(file, behaviourWord(behaviour).toUtf8());
    if (behaviour == Behaviour::SucceedWhenReleased)
        QFile::remove(m_state + QLatin1Char('/') + name(command) + QStringLiteral(".release"));
}

void FakePyMobileDevice::release(Command command)
{
    writeFile(m_state + QLatin1Char('/') + name(command) + QStringLiteral(".release"), "");
}

void FakePyMobileDevice::unplug()
{
    m_unplugged = m_attached;
    setAttachedDevices({});
    QFile::remove(m_state + QStringLiteral("/location"));
}

void FakePyMobileDevice::plugBackIn()
{
    setAttachedDevices(m_unplugged);
}

std::optional<QString> FakePyMobileDevice::simulatedLocation() const
{
    const QByteArray line = readFile(m_state + QStringLiteral("/location")).trimmed();
    const qsizetype blank = line.indexOf(' ');
    if (blank < 0)
        return std::nullopt;
    return QString::fromUtf8(line.mid(blank + 1));
}

void FakePyMobileDevice::setBehaviourWithOrWithoutRsd(Command command, Behaviour behaviour)
{
    setBehaviour(command, behaviour);
    setBehaviour(command, behaviour, /*viaRsd=*/true);
}

void FakePyMobileDevice::succeedFromTry(Command command, int tryNumber)
{
    const QString file = m_state + QLatin1Char('/') + name(command) + QStringLiteral(".behaviour");
    replaceFile(file, "from-try:" + QByteArray::number(count(command) + tryNumber));
}

void FakePyMobileDevice::setUsbmuxList(const QByteArray& json)
{
    replaceFile(m_state + QStringLiteral("/usbmux.json"), json);
}

void FakePyMobileDevice::setAttachedDevices(const QList<AttachedDevice>& devices)
{
    m_attached = devices;
    QByteArray lines;
    QByteArray unqueryable;
    QJsonArray list;
    QDir().mkpath(m_state + QStringLiteral("/lockdown"));
    for (const AttachedDevice& device : devices) {
        lines += device.udid.toUtf8() + '\n';
        if (!device.queryable)
            unqueryable += device.udid.toUtf8() + '\n';
        const QJsonObject info{
            {QStringLiteral("DeviceClass"), device.deviceClass},
            {QStringLiteral("DeviceName"), device.name},
            {QStringLiteral("UniqueDeviceID"), device.udid},
        };
        replaceFile(m_state + QStringLiteral("/lockdown/") + device.udid + QStringLiteral(".json"),
                    QJsonDocument(info).toJson());
        list.append(QJsonObject{
            {QStringLiteral("ConnectionType"), QStringLiteral("USB")},
            {QStringLiteral("DeviceClass"), device.deviceClass},
            {QStringLiteral("DeviceName"), device.name},
            {QStringLiteral("Identifier"), device.udid},
        });
    }
    setUsbmuxList(QJsonDocument(list).toJson());
    replaceFile(m_state + QStringLiteral("/unqueryable"), unqueryable);
    replaceFile(m_state + QStringLiteral("/devices"), lines);
}

QStringList FakePyMobileDevice::targets(Command command) const
{
    return lines(readFile(m_state + QLatin1Char('/') + name(command) + QStringLiteral(".targets")));
}

QStringList FakePyMobileDevice::calls() const
{
    return lines(readFile(m_state + QStringLiteral("/calls.log")));
}

QStringList FakePyMobileDevice::calls(Command command) const
{
    return lines(readFile(m_state + QLatin1Char('/') + name(command) + QStringLiteral(".calls")));
}

int FakePyMobileDevice::count(Command command) const
{
    return readFile(m_state + QLatin1Char('/') + name(command) + QStringLiteral(".count")).trimmed().toInt();
}

std::optional<qint64> FakePyMobileDevice::lastPid(Command command) const
{
    bool ok = false;
    const qint64 pid =
        readFile(m_state + QLatin1Char('/') + name(command) + QStringLiteral(".pid")).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return std::nullopt;
    return pid;
}

QByteArray FakePyMobileDevice::playedTrack() const
{
    return readFile(m_state + QStringLiteral("/played.gpx"));
}

bool FakePyMobileDevice::finishedFlood(Command command) const
{
    return QFileInfo::exists(m_state + QLatin1Char('/') + name(command) + QStringLiteral(".flooded"));
}

bool isProcessAlive(qint64 pid)
{
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))
        return false;
    // A zombie has ended; only its parent has not collected it yet.
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (stat.isEmpty() || close < 0 || close + 2 >= stat.size())
        return false;
    return stat.at(close + 2) != 'Z' && stat.at(close + 2) != 'X';
}

bool waitForProcessGone(qint64 pid, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (isProcessAlive(pid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

bool waitForFile(const QString& path, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!QFileInfo::exists(path)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace ostrevin::test
