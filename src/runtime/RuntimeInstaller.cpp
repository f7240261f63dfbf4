#include "runtime/RuntimeInstaller.h"

#include "platform/AppPaths.h"
#include "platform/BundledResources.h"
#include "runtime/ArchiveDownload.h"
#include "runtime/FileDigest.h"
#include "runtime/InstallerTool.h"
#include "runtime/RuntimeFileError.h"
#include "runtime/RuntimeInstallError.h"
#include "runtime/RuntimeLayout.h"

#include <QCoreApplication>
#include <QCoro/QCoroFuture>
#include <QCoro/QCoroSignal>
#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>

namespace ostrevin {

namespace {

constexpr qsizetype logTailLimit = 6;
constexpr qint64 hashPieceBytes = 1024 * 1024;
const QString stagingPrefix = QStringLiteral("Runtime.staging-");
/// Folders moved aside and being deleted on a worker.
const QString removingPrefix = QStringLiteral("Runtime.removing-");
const QString pythonVersion = QStringLiteral("3.12.14");
/// How long a cancelled or quitting installation gives its tool to end before it is killed.
constexpr std::chrono::milliseconds toolEndGrace{800};

/// Thrown inside the pipeline when the user cancelled; never leaves this file.
class InstallCancelled : public QException {
public:
    void raise() const override { throw *this; }
    InstallCancelled* clone() const override { return new InstallCancelled(*this); }
};

QString trimSpacesAndTabs(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.mid(begin, end - begin);
}

bool entryExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

/// Removes a file, a link or a whole folder. Throws RuntimeFileError.
void removeEntry(const QString& path)
{
    const QFileInfo info(path);
    const bool removed = info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!removed || entryExists(path)) {
        //: Add-on component installation error. %1 is a file or folder path.
        throw RuntimeFileError(RuntimeInstaller::tr("“%1” couldn’t be removed.").arg(path));
    }
}

/// Moves a folder out of the way into asideFolder (the runtime folder's parent,
/// where the next start looks for leftovers) under a new name, then deletes it on
/// a worker: a runtime or a staging folder holds thousands of files (a quarter of
/// a gigabyte after pip), and deleting them on the interface thread freezes the
/// window for as long as the disk takes. A file or a link goes at once. Throws
/// RuntimeFileError when the entry can't be moved or removed.
void removeAside(const QString& path, const QString& asideFolder, QThreadPool* pool)
{
    const QFileInfo info(path);
    if (!entryExists(path))
        return;
    if (!info.isDir() || info.isSymLink()) {
        removeEntry(path);
        return;
    }
    const QString aside =
        asideFolder + u'/' + removingPrefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    if (!QDir().rename(path, aside))
        throw RuntimeFileError(RuntimeInstaller::tr("“%1” couldn’t be removed.").arg(path));
    pool->start([aside] { QDir(aside).removeRecursively(); });
}

QThreadPool* orSharedPool(QThreadPool* pool)
{
    return pool ? pool : QThreadPool::globalInstance();
}

/// Entries of parent whose names begin with prefix.
QFileInfoList entriesWithPrefix(const QString& parent, const QString& prefix)
{
    return QDir(parent).entryInfoList({prefix + u'*'}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

/// Staging folders left behind by a crash or a quit mid-installation (each can
/// hold a quarter of a gigabyte). Nothing else uses them: at most one
/// installation runs, and only one copy of the program.
void removeStaleStagingFolders(const QString& parent, QThreadPool* pool)
{
    for (const QFileInfo& entry : entriesWithPrefix(parent, stagingPrefix)) {
        try {
            removeAside(entry.filePath(), parent, pool);
        } catch (const RuntimeFileError&) {
            // Tried again at the next start and before the next installation.
        }
    }
}

/// Removes the staging folder however the pipeline ends.
struct StagingFolder {
    QString path;
    QThreadPool* pool;
    StagingFolder(QString p, QThreadPool* removalPool) : path(std::move(p)), pool(removalPool) {}
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    ~StagingFolder()
    {
        try {
            removeAside(path, QFileInfo(path).absolutePath(), pool);
        } catch (const RuntimeFileError&) {
            // Left for the next start.
        }
    }
};

// Brace-initialised lists stay out of the coroutines below: GCC 12 miscompiles
// their backing arrays inside a coroutine frame.
QStringList tarArguments(const QString& archive, const QString& folder)
{
    return {QStringLiteral("-xzf"), archive, QStringLiteral("-C"), folder};
}

// pip runs apart from the user's own Python and pip setup: PIP_REQUIRE_VIRTUALENV,
// PIP_USER or "user = true" in a pip.conf would make the install fail or land where
// the launcher never looks; a PYTHONPATH holding the package makes pip find it
// "already satisfied" and install nothing, and a PYTHONHOME swaps the runtime's
// standard library. "-I" makes the interpreter ignore PYTHON* variables, the user's
// site folder and the working folder; --isolated ignores PIP_* variables and the
// user's configuration files, PIP_CONFIG_FILE=/dev/null the machine-wide ones. The
// variables are also taken out of the environment, so nothing pip starts sees them.
QStringList pipArguments(const QString& requirements)
{
    return {QStringLiteral("-I"),
            QStringLiteral("-m"),
            QStringLiteral("pip"),
            QStringLiteral("install"),
            QStringLiteral("--isolated"),
            QStringLiteral("--no-cache-dir"),
            QStringLiteral("--disable-pip-version-check"),
            QStringLiteral("--no-input"),
            QStringLiteral("--no-warn-script-location"),
            QStringLiteral("--prefer-binary"),
            QStringLiteral("-r"),
            requirements};
}

QHash<QString, QString> pipEnvironment()
{
    return {{QStringLiteral("PIP_CONFIG_FILE"), QStringLiteral("/dev/null")},
            {QStringLiteral("PYTHONNOUSERSITE"), QStringLiteral("1")}};
}

QStringList pipVariablePrefixes()
{
    return {QStringLiteral("PIP_"), QStringLiteral("PYTHON")};
}

/// The installed entries a new runtime replaces.
QStringList replacedEntries()
{
    return {QStringLiteral("python"), QStringLiteral("bin")};
}

QString helperVersion(const QString& output)
{
    const QStringList lines = splitAtLineBreaks(output);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = trimSpacesAndTabs(*it);
        if (!line.isEmpty())
            return line;
    }
    return QStringLiteral("?");
}

} // namespace

/// One tool run of the pipeline.
struct ToolRun {
    QString executable;
    QStringList arguments;
    QHash<QString, QString> environment;
    QStringList removedVariablePrefixes;
    QString workingFolder;
    bool streamLog = false;
    /// A tool that has not ended by then is killed and counts as failed.
    std::optional<std::chrono::milliseconds> timeLimit;
};

// One installation. The pipeline owns everything it waits on (the download, the
// running tool), so it can finish on its own even after the installer is gone:
// the installer then only clears `owner`, and nothing reaches it any more.
struct RuntimeInstaller::Run {
    QPointer<RuntimeInstaller> owner;
    Configuration configuration;
    bool cancelled = false;
    /// Set once the installed runtime starts to change; before, a failure leaves
    /// the earlier runtime as it was.
    bool replacing = false;
    /// The staging folder once it exists, so a quit (which never lets the
    /// pipeline unwind) can still remove it.
    QString stagingFolder;
    QPointer<ArchiveDownload> download;
    QPointer<InstallerTool> tool;

    void cancel()
    {
        cancelled = true;
        if (download)
            download->cancel();
        if (tool)
            tool->terminate(toolEndGrace);
        if (owner)
            setPhase(owner->phase());
    }

    void throwIfCancelled() const
    {
        if (cancelled)
            throw InstallCancelled();
    }

    void setPhase(const Phase& phase) const
    {
        if (!owner)
            return;
        // Steps still reported while the running one stops must not offer Cancel again.
        Phase shown = phase;
        shown.cancelling = cancelled && phase.kind == Phase::Kind::installing;
        owner->setPhase(shown);
    }

    QThreadPool* removalPool() const { return orSharedPool(configuration.removalPool); }

    static QCoro::Task<> execute(std::shared_ptr<Run> run);
    static QCoro::Task<QString> performInstall(std::shared_ptr<Run> run);
    static QCoro::Task<QString> downloadArchive(std::shared_ptr<Run> run, QString stagingFolder);
    static QCoro::Task<QString> runTool(std::shared_ptr<Run> run, ToolRun toolRun);
    static void installBundledNetworkPreference(const Configuration& configuration, const QString& runtimeFolder);
};

namespace {

ToolRun tarRun(const QString& tarPath, const QString& archive, const QString& folder)
{
    ToolRun run;
    run.executable = tarPath;
    run.arguments = tarArguments(archive, folder);
    run.workingFolder = folder;
    return run;
}

ToolRun pipRun(const QString& python3, const QString& requirements, const QString& folder)
{
    ToolRun run;
    run.executable = python3;
    run.arguments = pipArguments(requirements);
    run.environment = pipEnvironment();
    run.removedVariablePrefixes = pipVariablePrefixes();
    run.workingFolder = folder;
    run.streamLog = true;
    return run;
}

ToolRun versionProbeRun(const QString& launcher, const QString& folder, std::chrono::milliseconds timeLimit)
{
    ToolRun run;
    run.executable = launcher;
    run.arguments = QStringList(QStringLiteral("version"));
    run.workingFolder = folder;
    run.timeLimit = timeLimit;
    return run;
}

} // namespace

QCoro::Task<> RuntimeInstaller::Run::execute(std::shared_ptr<Run> run)
{
    Phase result;
    try {
        result = Phase::installed(co_await performInstall(run));
    } catch (const InstallCancelled&) {
        // A cancelled reinstall may have left the earlier runtime as it was: the
        // manifest tells, as at start.
        result = run->owner ? run->owner->manifestPhase() : Phase::notInstalled();
    } catch (const RuntimeInstallError& error) {
        result = Phase::failed(error.description());
    } catch (const RuntimeFileError& error) {
        result = Phase::failed(error.description());
    } catch (const std::exception& error) {
        result = Phase::failed(QString::fromLocal8Bit(error.what()));
    }
    const QPointer<RuntimeInstaller> owner = run->owner;
    if (!owner || owner->m_run != run)
        co_return;
    // A reinstall that failed before it replaced anything (offline, say) leaves a
    // runtime that still works: the window goes back to it rather than to a setup
    // screen that offers only another try, and why it failed is reported aside.
    std::optional<QString> keptReason;
    if (result.kind == Phase::Kind::failed && !run->replacing) {
        const Phase earlier = owner->manifestPhase();
        if (earlier.kind == Phase::Kind::installed) {
            keptReason = result.message;
            result = earlier;
        }
    }
    owner->finishRun(run, result);
    if (owner && keptReason)
        emit owner->reinstallFailed(*keptReason);
}

QCoro::Task<QString> RuntimeInstaller::Run::performInstall(std::shared_ptr<Run> run)
{
    const Configuration& configuration = run->configuration;
    const PythonBuild& build = configuration.build;
    const RuntimeLayout layout(configuration.runtimeDirectory);
    const QString parent = QFileInfo(layout.rootURL()).absolutePath();

    removeStaleStagingFolders(parent, run->removalPool());
    const StagingFolder staging(parent + u'/' + stagingPrefix +
                                    QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
                                run->removalPool());
    if (!QDir().mkpath(staging.path)) {
        //: Add-on component installation error. %1 is a folder path.
        throw RuntimeFileError(RuntimeInstaller::tr("The folder “%1” couldn’t be created.").arg(staging.path));
    }
    run->stagingFolder = staging.path;

    run->setPhase(build.expectedBytes ? Phase::installing(Step::download, 0.0) : Phase::downloading(std::nullopt, 0));
    const QString archive = co_await downloadArchive(run, staging.path);

    run->setPhase(Phase::installing(Step::verify));
    const QString digest = co_await QtConcurrent::run(&RuntimeInstaller::sha256Hex, archive);
    run->throwIfCancelled();
    if (digest != build.sha256)
        throw RuntimeInstallError::integrityCheckFailed();

    run->setPhase(Phase::installing(Step::extract));
    co_await runTool(run, tarRun(configuration.tarPath, archive, staging.path));
    QFile::remove(archive);
    const QString stagedPython = staging.path + u"/python";
    const QFileInfo python3(stagedPython + u"/bin/python3");
    if (!python3.isFile() || !python3.isExecutable())
        throw RuntimeInstallError::unexpectedArchiveLayout();

    run->setPhase(Phase::installing(Step::components));
    const QString requirements = configuration.resourceDirectory + u"/requirements.txt";
    if (!QFileInfo(requirements).isFile())
        throw RuntimeInstallError::missingBundledResource(QStringLiteral("requirements.txt"));
    co_await runTool(run, pipRun(python3.filePath(), requirements, staging.path));

    run->setPhase(Phase::installing(Step::finish));
    installBundledNetworkPreference(configuration, stagedPython);
    run->throwIfCancelled();
    run->replacing = true;

    // From here on the installed runtime changes. The manifest goes first, so an
    // installation that stops half-way leaves a runtime that is not current rather
    // than an old manifest vouching for a half-replaced folder.
    if (!QDir().mkpath(layout.rootURL()))
        throw RuntimeFileError(RuntimeInstaller::tr("The folder “%1” couldn’t be created.").arg(layout.rootURL()));
    if (entryExists(layout.manifestPath()))
        removeEntry(layout.manifestPath());
    for (const QString& name : replacedEntries())
        removeAside(layout.rootURL() + u'/' + name, parent, run->removalPool());
    if (!QDir().rename(stagedPython, layout.pythonDirectory())) {
        //: Add-on component installation error. %1 and %2 are folder paths.
        throw RuntimeFileError(
            RuntimeInstaller::tr("“%1” couldn’t be moved to “%2”.").arg(stagedPython, layout.pythonDirectory()));
    }
    layout.writeLauncher();

    // A probe that never answers would leave "Finishing" on screen for good, with
    // nothing to cancel and the earlier manifest already gone.
    const QString output = co_await runTool(
        run, versionProbeRun(layout.launcherPath(), staging.path, configuration.versionProbeTimeLimit));
    const QString version = helperVersion(output);

    RuntimeManifest manifest;
    manifest.pythonVersion = pythonVersion;
    manifest.helperVersion = version;
    manifest.installedAt = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    layout.writeManifest(manifest);
    co_return version;
}

QCoro::Task<QString> RuntimeInstaller::Run::downloadArchive(std::shared_ptr<Run> run, QString stagingFolder)
{
    run->throwIfCancelled();
    const PythonBuild& build = run->configuration.build;
    ArchiveDownload download(build.url, build.expectedBytes, stagingFolder + u"/python.tar.gz");
    download.setProgressHandler([weak = std::weak_ptr<Run>(run)](std::optional<double> fraction, qint64 received) {
        const auto current = weak.lock();
        if (!current || !current->owner)
            return;
        // A report that comes after the download step ended is stale.
        const Phase& phase = current->owner->phase();
        if (phase.kind == Phase::Kind::installing && phase.step == Step::download)
            current->setPhase(fraction ? Phase::installing(Step::download, fraction)
                                       : Phase::downloading(std::nullopt, received));
    });
    if (!download.start())
        throw RuntimeFileError(download.fileErrorText());
    run->download = &download;
    co_await qCoro(&download, &ArchiveDownload::ended);
    run->download.clear();

    switch (download.outcome()) {
    case ArchiveDownload::Outcome::completed:
        break;
    case ArchiveDownload::Outcome::cancelled:
        throw InstallCancelled();
    case ArchiveDownload::Outcome::fileError:
        throw RuntimeFileError(download.fileErrorText());
    case ArchiveDownload::Outcome::tooLarge:
        run->throwIfCancelled();
        throw RuntimeInstallError::downloadTooLarge(PythonBuild::unknownSizeCapBytes);
    case ArchiveDownload::Outcome::failed:
    case ArchiveDownload::Outcome::running:
        run->throwIfCancelled();
        throw RuntimeInstallError::downloadFailed();
    }
    run->throwIfCancelled();
    run->setPhase(Phase::installing(Step::download, 1.0));
    co_return stagingFolder + u"/python.tar.gz";
}

QCoro::Task<QString> RuntimeInstaller::Run::runTool(std::shared_ptr<Run> run, ToolRun toolRun)
{
    run->throwIfCancelled();
    InstallerTool tool(std::move(toolRun.executable), std::move(toolRun.arguments), toolRun.environment,
                       toolRun.removedVariablePrefixes);
    tool.setWorkingDirectory(toolRun.workingFolder);
    if (toolRun.streamLog) {
        tool.setLineHandler([weak = std::weak_ptr<Run>(run)](const QStringList& lines) {
            const auto current = weak.lock();
            if (current && current->owner)
                current->owner->appendLog(lines);
        });
    }
    QTimer limit;
    if (toolRun.timeLimit) {
        // Killed, the tool ends with a signal and fails with whatever it printed.
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &tool, &InstallerTool::kill);
        limit.start(*toolRun.timeLimit);
    }
    tool.start();
    run->tool = &tool;
    if (!tool.hasEnded())
        co_await qCoro(&tool, &InstallerTool::ended);
    run->tool.clear();
    limit.stop();

    // A cancelled run counts as cancelled whatever the tool's exit status was.
    run->throwIfCancelled();
    if (tool.failedToStart())
        throw RuntimeInstallError::toolNotStarted(tool.toolName(), tool.startError());
    if (!tool.succeeded())
        throw RuntimeInstallError::toolFailed(tool.toolName(), tool.output());
    co_return tool.output();
}

void RuntimeInstaller::Run::installBundledNetworkPreference(const Configuration& configuration,
                                                            const QString& runtimeFolder)
{
    const QString sitePackages = runtimeFolder + u"/lib/python3.12/site-packages";
    for (const QString& fileName :
         {QStringLiteral("tovrel_network_preference.py"), QStringLiteral("tovrel-network-preference.pth")}) {
        const QString source = configuration.resourceDirectory + u'/' + fileName;
        if (!QFileInfo(source).isFile())
            throw RuntimeInstallError::missingBundledResource(fileName);
        const QString destination = sitePackages + u'/' + fileName;
        if (entryExists(destination))
            removeEntry(destination);
        if (!QFile::copy(source, destination)) {
            //: Add-on component installation error. %1 is a file name, %2 a folder path.
            throw RuntimeFileError(
                RuntimeInstaller::tr("“%1” couldn’t be copied to “%2”.").arg(fileName, sitePackages));
        }
    }
}

std::optional<RuntimeInstaller::Step> RuntimeInstaller::stepFromRaw(int raw)
{
    if (raw < toRaw(Step::download) || raw > toRaw(Step::finish))
        return std::nullopt;
    return static_cast<Step>(raw);
}

QList<RuntimeInstaller::Step> RuntimeInstaller::allSteps()
{
    return {Step::download, Step::verify, Step::extract, Step::components, Step::finish};
}

QString RuntimeInstaller::title(Step step)
{
    switch (step) {
    case Step::download:
        //: Add-on component installation step (checklist item).
        return tr("Downloading");
    case Step::verify:
        //: Add-on component installation step (checklist item).
        return tr("Verifying integrity");
    case Step::extract:
        //: Add-on component installation step (checklist item).
        return tr("Extracting");
    case Step::components:
        //: Add-on component installation step (checklist item).
        return tr("Installing components");
    case Step::finish:
        //: Add-on component installation step (checklist item).
        return tr("Finishing");
    }
    return {};
}

RuntimeInstaller::Phase RuntimeInstaller::Phase::installing(Step step, std::optional<double> progress)
{
    Phase phase;
    phase.kind = Kind::installing;
    phase.step = step;
    phase.progress = progress;
    return phase;
}

RuntimeInstaller::Phase RuntimeInstaller::Phase::downloading(std::optional<double> progress, qint64 receivedBytes)
{
    Phase phase = installing(Step::download, progress);
    phase.receivedBytes = receivedBytes;
    return phase;
}

RuntimeInstaller::Phase RuntimeInstaller::Phase::installed(const QString& version)
{
    Phase phase;
    phase.kind = Kind::installed;
    phase.version = version;
    return phase;
}

RuntimeInstaller::Phase RuntimeInstaller::Phase::failed(const QString& message)
{
    Phase phase;
    phase.kind = Kind::failed;
    phase.message = message;
    return phase;
}

RuntimeInstaller::Phase RuntimeInstaller::Phase::notInstalled()
{
    Phase phase;
    phase.kind = Kind::notInstalled;
    return phase;
}

RuntimeInstaller::Configuration RuntimeInstaller::Configuration::standard(const AppPaths& paths)
{
    Configuration configuration;
    configuration.runtimeDirectory = paths.runtimeDirectory();
    configuration.resourceDirectory = BundledResources::directory();
    return configuration;
}

RuntimeInstaller::RuntimeInstaller(Configuration configuration, QObject* parent)
    : QObject(parent), m_configuration(std::move(configuration))
{
    // What a crash or a quit mid-installation left behind.
    QThreadPool* pool = removalPool();
    const QString folder = QFileInfo(RuntimeLayout(m_configuration.runtimeDirectory).rootURL()).absolutePath();
    removeStaleStagingFolders(folder, pool);
    for (const QFileInfo& entry : entriesWithPrefix(folder, removingPrefix))
        pool->start([path = entry.filePath()] { QDir(path).removeRecursively(); });
}

RuntimeInstaller::~RuntimeInstaller()
{
    if (const auto run = m_run) {
        run->owner.clear();
        run->cancel();
        // At quit the event loop has ended: the pipeline never resumes, and its tool
        // would never be forced to end. A tool that ignores SIGTERM (pip in a build
        // back-end) must not outlive the program.
        if (run->tool)
            run->tool->endWithin(toolEndGrace);
        // At quit the event loop is gone before the pipeline could unwind and
        // remove its staging folder; it goes now. Whatever is still written there
        // (a cancelled download's last piece) the next start removes.
        if (!run->stagingFolder.isEmpty())
            removeStaleStagingFolders(QFileInfo(run->stagingFolder).absolutePath(), removalPool());
    }
    // A tool cancelled just before may have exited and gone, leaving a member that
    // ignores SIGTERM and whose SIGKILL is due after the event loop has ended.
    InstallerTool::endGroupsStillEnding();
}

QThreadPool* RuntimeInstaller::removalPool() const
{
    return orSharedPool(m_configuration.removalPool);
}

RuntimeInstaller::Phase RuntimeInstaller::manifestPhase() const
{
    const auto manifest = RuntimeLayout(m_configuration.runtimeDirectory).currentManifest();
    return manifest ? Phase::installed(manifest->helperVersion) : Phase::notInstalled();
}

void RuntimeInstaller::install()
{
    if (m_run)
        return;
    if (!m_logTail.isEmpty()) {
        m_logTail.clear();
        emit logTailChanged(m_logTail);
    }
    m_run = std::make_shared<Run>();
    m_run->owner = this;
    m_run->configuration = m_configuration;
    Run::execute(m_run);
}

void RuntimeInstaller::cancel()
{
    if (const auto run = m_run)
        run->cancel();
}

void RuntimeInstaller::refresh()
{
    if (m_run)
        return;
    setPhase(manifestPhase());
}

QString RuntimeInstaller::sha256Hex(const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        //: Add-on component installation error. %1 is a file path, %2 the system's reason.
        throw RuntimeFileError(RuntimeInstaller::tr("“%1” couldn’t be read: %2").arg(filePath, file.errorString()));
    }
    const std::optional<QString> digest = FileDigest::standard().sha256Hex(file, hashPieceBytes);
    if (!digest)
        throw RuntimeFileError(RuntimeInstaller::tr("“%1” couldn’t be read: %2").arg(filePath, file.errorString()));
    return *digest;
}

void RuntimeInstaller::setPhase(const Phase& phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged(m_phase);
}

void RuntimeInstaller::appendLog(const QStringList& lines)
{
    bool changed = false;
    for (const QString& line : lines) {
        const QString trimmed = trimSpacesAndTabs(line);
        if (trimmed.isEmpty())
            continue;
        m_logTail.append(trimmed);
        changed = true;
    }
    if (!changed)
        return;
    if (m_logTail.size() > logTailLimit)
        m_logTail.remove(0, m_logTail.size() - logTailLimit);
    emit logTailChanged(m_logTail);
}

void RuntimeInstaller::finishRun(const std::shared_ptr<Run>& run, const Phase& phase)
{
    if (m_run != run)
        return;
    // Cleared first, so a slot that reacts to the final phase may start again.
    m_run.reset();
    setPhase(phase);
}

} // namespace ostrevin
