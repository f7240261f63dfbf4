#pragma once

#include <QString>
#include <optional>

namespace ostrevin {

/// A temporary folder only this user can enter (0700), for files handed to or
/// received from tools: never the world-writable /tmp itself, where another user
/// could plant a link under a predictable name.
class PrivateTempFolder {
public:
    /// path: the folder to use (created when missing). Tests pass their own.
    explicit PrivateTempFolder(QString path);
    /// "$XDG_RUNTIME_DIR/ostrevin" when that folder is set, else "$TMPDIR/ostrevin-<uid>"
    /// ("/tmp" when TMPDIR is unset).
    static PrivateTempFolder fromEnvironment();
    /// "$TMPDIR/ostrevin-<uid>" whatever the runtime folder.
    static PrivateTempFolder fromTmpdir();

    const QString& path() const { return m_path; }

    /// Creates the folder when missing and checks that it is a real folder (not a
    /// link) owned by this user; a folder of ours with a looser mode is tightened to
    /// 0700. Returns the reason when the folder cannot be used.
    std::optional<QString> prepare() const;
    /// Why a folder someone else made for this user is not one only they can enter
    /// (a real folder, not a link, owned by this user, mode 0700); none when it is.
    /// Unlike prepare(), nothing is made or tightened: what others could already
    /// have put in a looser folder stays there.
    static std::optional<QString> notOwnOnly(QString path);

    /// A new file path in the folder: prefix + a random UUID + suffix. Prepares the
    /// folder first; none when it cannot be used.
    std::optional<QString> newFilePath(const QString& prefix, const QString& suffix) const;

private:
    QString m_path;
};

} // namespace ostrevin
