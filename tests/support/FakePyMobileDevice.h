#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace ostrevin::test {

/// A generated /bin/sh stand-in for pymobiledevice3.
///
/// It dispatches on its arguments like the real tool ("developer dvt simulate-location
/// set|play|clear", "developer dvt device-information", "mounter auto-mount",
/// "usbmux list", "lockdown info", "remote tunneld") and does, per command, what the
/// test chose. The behaviour is read from files at every invocation, so a test can
/// change it between two calls of the code under test; a command that carries
/// "--rsd" may have a behaviour of its own (the retry through the tunnel service).
///
/// Every invocation appends its arguments (joined by blanks) to a call log, counts
/// itself per command and writes its process identifier to "<command>.pid" in the
/// state folder, so a test can prove that a process it started is gone.
///
///     FakePyMobileDevice tool(dir.path());
///     tool.setBehaviour(FakePyMobileDevice::Command::Set, FakePyMobileDevice::Behaviour::ExitSilently);
///     tool.setBehaviour(FakePyMobileDevice::Command::Set, FakePyMobileDevice::Behaviour::Hold, /*viaRsd=*/true);
class FakePyMobileDevice {
public:
    enum class Command { Set, Play, Clear, DeviceInformation, Mount, UsbmuxList, LockdownInfo, Tunneld };

    enum class Behaviour {
        /// Print the tool's "Press Ctrl+C ..." line and block until SIGTERM or SIGINT.
        Hold,
        /// Exit 0 at once without printing anything.
        ExitSilently,
        /// Print "fake <command> failed: Device is not connected" on standard output, exit 1.
        FailWithOutput,
        /// Log an ERROR line on standard error (the real tool's way of failing) and exit 0.
        LogErrorAndExit,
        /// Log an ERROR line on standard error, then block like Hold.
        LogErrorAndHold,
        /// Print 10 MiB on standard output, create "<command>.flooded", then block like Hold.
        FloodThenHold,
        /// The connection drops: log "Device is not connected" as an ERROR and exit 0, or
        /// with "--reconnect" log that it waits for the device and block like Hold.
        DeviceLost,
        /// Log "DeveloperDiskImage already mounted" as an ERROR and exit 0.
        AlreadyMounted,
        /// The command's ordinary success: device information prints JSON, the mount logs
        /// success, the usbmux list prints the configured list, clear prints nothing; held
        /// commands (set, play) block like Hold, play after copying its track and logging
        /// one "set location to" line per track point.
        Succeed,
        /// Wait until the test calls release() for the command, then reach the device and do what Succeed does.
        SucceedWhenReleased,
    };

    /// Writes the script "pymobiledevice3" into folder and keeps its state in
    /// folder + "/pmd-state". Every command starts with Succeed.
    explicit FakePyMobileDevice(const QString& folder);

    QString executable() const { return m_executable; }
    QString stateFolder() const { return m_state; }

    /// What the command does from its next invocation on; with viaRsd, only for
    /// invocations that carry "--rsd" (others keep the general behaviour).
    void setBehaviour(Command command, Behaviour behaviour, bool viaRsd = false);
    /// The same for invocations with and without "--rsd": the command does it
    /// whichever way the device is reached.
    void setBehaviourWithOrWithoutRsd(Command command, Behaviour behaviour);
    /// The command fails (LogErrorAndExit) on its first tries and succeeds from the
    /// given try on, counted from now.
    void succeedFromTry(Command command, int tryNumber);
    /// The JSON the usbmux list prints.
    void setUsbmuxList(const QByteArray& json);

    struct AttachedDevice {
        QString udid;
        QString deviceClass = QStringLiteral("iPhone");
        QString name = QStringLiteral("Test iPhone");
        /// False: not paired or trust refused. Its "lockdown info" logs an error,
        /// and so does the whole usbmux list (no JSON), as the real tool does; the
        /// "--simple" list still names it.
        bool queryable = true;
    };
    /// From now on the tool sees exactly these devices on USB, as the real one does:
    /// a device command with "--udid U" reaches U or logs "Device not found: U"
    /// (exit 0); without "--udid" it takes the only attached device, whatever it
    /// is, logs "Device is not connected" when there is none (and with
    /// "--reconnect" waits for one) and fails when there are several. The usbmux
    /// list prints these devices. Without this call every command reaches "the"
    /// device.
    void setAttachedDevices(const QList<AttachedDevice>& devices);
    /// Lets invocations waiting in SucceedWhenReleased (and later ones) go on.
    void release(Command command);

    /// The cable is pulled, as the real tool sees it: no device is attached, and
    /// the iPhone drops the simulated location, while a held "set" keeps running
    /// (it waits for a signal, not on the device). Only a new "set" after
    /// plugBackIn() puts the location back.
    void unplug();
    /// The devices attached before unplug() are attached again, without a location.
    void plugBackIn();
    /// The "LAT LON" the iPhone uses now as its simulated location: the latest set
    /// while its process runs and no unplug came since; none otherwise.
    std::optional<QString> simulatedLocation() const;

    /// The devices the command reached, one UDID per invocation that got one.
    QStringList targets(Command command) const;

    /// The arguments of every invocation so far, one text per invocation.
    QStringList calls() const;
    /// The invocations of one command.
    QStringList calls(Command command) const;
    /// How often the command ran.
    int count(Command command) const;
    /// The process identifier of the command's latest invocation.
    std::optional<qint64> lastPid(Command command) const;
    /// The track that the latest "play" received (it copies the file before playing).
    QByteArray playedTrack() const;
    /// Whether the command's FloodThenHold finished printing.
    bool finishedFlood(Command command) const;

    static QString name(Command command);

private:
    QString m_executable;
    QString m_state;
    QList<AttachedDevice> m_attached;
    QList<AttachedDevice> m_unplugged;
};

/// True while the process exists and is not a zombie.
bool isProcessAlive(qint64 pid);
/// Waits (without an event loop) until the process is gone or the time is up.
bool waitForProcessGone(qint64 pid, int timeoutMs = 5000);
/// Waits until the file exists or the time is up.
bool waitForFile(const QString& path, int timeoutMs = 5000);

} // namespace ostrevin::test
