#pragma once

#include "runtime/RuntimeManifest.h"

#include <QString>
#include <optional>

namespace ostrevin {

class AppPaths;

/// The private runtime folder and the two files that make it usable: the launcher
/// "bin/pymobiledevice3", through which the helper is always started, and the
/// manifest "runtime.json", written last by an installation. Holds no state beyond
/// the folder's path, so any thread may use it.
class RuntimeLayout {
public:
    /// rootURL: the runtime folder itself (it need not exist).
    explicit RuntimeLayout(QString rootURL);
    /// The runtime folder of these application paths.
    static RuntimeLayout fromPaths(const AppPaths& paths);

    const QString& rootURL() const { return m_root; }
    QString launcherPath() const;
    QString manifestPath() const;
    QString pythonDirectory() const;

    /// Writes the launcher atomically and makes it 0755. Throws RuntimeFileError.
    void writeLauncher() const;
    /// Writes "runtime.json" atomically. Throws RuntimeFileError.
    void writeManifest(const RuntimeManifest& manifest) const;

    /// The manifest when the runtime is current: the manifest reads and decodes,
    /// its revision is the current one and the launcher is an executable file.
    /// Any failure gives none.
    std::optional<RuntimeManifest> currentManifest() const;
    /// The launcher when the runtime is current, none otherwise.
    std::optional<QString> installedHelperURL() const;

    /// The launcher's exact text.
    static QByteArray launcherScript();

private:
    QString m_root;
};

} // namespace ostrevin
