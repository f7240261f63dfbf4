#include "runtime/RuntimeLayout.h"

#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "runtime/RuntimeFileError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ostrevin {

namespace {

void writeAtomically(const QString& path, const QByteArray& bytes)
{
    if (const std::optional<QString> reason = AtomicFile::write(path, bytes))
        //: Installer error detail. %1 is a file path, %2 the system's reason.
        throw RuntimeFileError(
            QCoreApplication::translate("RuntimeLayout", "Couldn’t write %1: %2").arg(path, *reason));
}

} // namespace

RuntimeLayout::RuntimeLayout(QString rootURL) : m_root(std::move(rootURL))
{
}

RuntimeLayout RuntimeLayout::fromPaths(const AppPaths& paths)
{
    return RuntimeLayout(paths.runtimeDirectory());
}

QString RuntimeLayout::launcherPath() const
{
    return m_root + u"/bin/pymobiledevice3";
}

QString RuntimeLayout::manifestPath() const
{
    return m_root + u"/runtime.json";
}

QString RuntimeLayout::pythonDirectory() const
{
    return m_root + u"/python";
}

QByteArray RuntimeLayout::launcherScript()
{
    return QByteArrayLiteral("#!/bin/sh\n"
                             "exec \"$(dirname \"$0\")/../python/bin/python3\" -I -m pymobiledevice3 \"$@\"\n");
}

void RuntimeLayout::writeLauncher() const
{
    const QString binDirectory = m_root + u"/bin";
    if (!QDir().mkpath(binDirectory))
        //: Installer error detail. %1 is a folder path.
        throw RuntimeFileError(
            QCoreApplication::translate("RuntimeLayout", "Couldn’t create the folder %1.").arg(binDirectory));
    writeAtomically(launcherPath(), launcherScript());
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser |
                      QFile::ExeUser | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    if (!QFile::setPermissions(launcherPath(), mode))
        //: Installer error detail. %1 is a file path.
        throw RuntimeFileError(
            QCoreApplication::translate("RuntimeLayout", "Couldn’t make %1 executable.").arg(launcherPath()));
}

void RuntimeLayout::writeManifest(const RuntimeManifest& manifest) const
{
    writeAtomically(manifestPath(), manifest.toJson());
}

std::optional<RuntimeManifest> RuntimeLayout::currentManifest() const
{
    QFile file(manifestPath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<RuntimeManifest> manifest = RuntimeManifest::fromJson(file.readAll());
    if (!manifest || manifest->revision != RuntimeManifest::currentRevision)
        return std::nullopt;
    const QFileInfo launcher(launcherPath());
    if (!launcher.isFile() || !launcher.isExecutable())
        return std::nullopt;
    return manifest;
}

std::optional<QString> RuntimeLayout::installedHelperURL() const
{
    if (!currentManifest())
        return std::nullopt;
    return launcherPath();
}

} // namespace ostrevin
