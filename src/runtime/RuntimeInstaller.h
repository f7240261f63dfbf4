#pragma once

#include "runtime/PythonBuild.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>

class QThreadPool;

namespace ostrevin {

class AppPaths;

/// Puts the private helper runtime (the "add-on component") in place: downloads the
/// pinned CPython archive, accepts it only with its exact size and digest, unpacks
/// it, installs the helper packages with pip, adds the network-preference files,
/// moves the result into the runtime folder and writes the launcher and the
/// manifest. Lives on the GUI thread; one installation at a time, and only when
/// the user asks for it.
class RuntimeInstaller : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RuntimeInstaller)

public:
    enum class Step { download = 0, verify = 1, extract = 2, components = 3, finish = 4 };

    static int toRaw(Step step) { return static_cast<int>(step); }
    static std::optional<Step> stepFromRaw(int raw);
    static QList<Step> allSteps();
    /// The checklist title of a step.
    static QString title(Step step);

    struct Phase {
        enum class Kind { installing, installed, failed, checking, notInstalled };

        Kind kind = Kind::checking;
        /// installing: the running step.
        Step step = Step::download;
        /// installing: the downloaded fraction during the download step, none otherwise.
        std::optional<double> progress;
        /// installing, download step: the bytes received so far when no fraction can
        /// be known (the archive's size is not pinned and the server announced none).
        std::optional<qint64> receivedBytes;
        /// installed: the helper's version text.
        QString version;
        /// failed: the error's user-facing description.
        QString message;
        /// installing: cancelled, and the running step is being stopped.
        bool cancelling = false;

        static Phase installing(Step step, std::optional<double> progress = std::nullopt);
        /// The download step with a fraction, or with only the bytes received so far.
        static Phase downloading(std::optional<double> progress, qint64 receivedBytes);
        static Phase installed(const QString& version);
        static Phase failed(const QString& message);
        static Phase checking() { return {}; }
        static Phase notInstalled();

        bool operator==(const Phase&) const = default;
    };

    /// Where the installer reads and writes; tests point every entry elsewhere.
    struct Configuration {
        /// The runtime folder (".../Ostrevin/Runtime"); staging folders go beside it.
        QString runtimeDirectory;
        /// Holds "requirements.txt" and the two network-preference files.
        QString resourceDirectory;
        PythonBuild build = PythonBuild::pinned();
        QString tarPath = QStringLiteral("/bin/tar");
        /// How long the installed helper may take to print its version.
        std::chrono::milliseconds versionProbeTimeLimit = std::chrono::seconds(120);
        /// Deletes large folders off the interface thread; Qt's shared pool when unset
        /// (the application waits for it before it exits).
        QThreadPool* removalPool = nullptr;

        /// The runtime folder of these paths, the shipped resources, the pinned archive.
        static Configuration standard(const AppPaths& paths);
    };

    explicit RuntimeInstaller(Configuration configuration, QObject* parent = nullptr);
    ~RuntimeInstaller() override;

    const Phase& phase() const { return m_phase; }
    /// The last lines printed by the running (or last) component install, at most 6.
    const QStringList& logTail() const { return m_logTail; }
    bool isInstalling() const { return m_run != nullptr; }

    /// Starts an installation; does nothing while one runs.
    void install();
    /// Cancels the running installation: the phase says so at once, and becomes
    /// notInstalled once the running step has stopped (a tool that ignores the
    /// request is killed shortly after).
    void cancel();
    /// Re-reads the manifest: installed when the runtime is current, notInstalled
    /// otherwise. Does nothing while an installation runs.
    void refresh();

    /// The SHA-256 digest of a file as 64 lowercase hexadecimal digits, read in
    /// 1 MiB pieces. Blocking; throws RuntimeFileError when the file can't be read.
    static QString sha256Hex(const QString& filePath);

signals:
    void phaseChanged(const RuntimeInstaller::Phase& phase);
    void logTailChanged(const QStringList& logTail);
    /// An installation over a current runtime failed before it replaced anything:
    /// the phase is back at that runtime, and message is the error's description.
    void reinstallFailed(const QString& message);

private:
    struct Run;

    void setPhase(const Phase& phase);
    void appendLog(const QStringList& lines);
    void finishRun(const std::shared_ptr<Run>& run, const Phase& phase);
    /// installed when the manifest vouches for a current runtime, notInstalled otherwise.
    Phase manifestPhase() const;
    QThreadPool* removalPool() const;

    Configuration m_configuration;
    Phase m_phase;
    QStringList m_logTail;
    /// Set while an installation runs.
    std::shared_ptr<Run> m_run;
};

} // namespace ostrevin
