#pragma once

#include "platform/DialogOwner.h"

#include <QFuture>
#include <QString>
#include <optional>

namespace ostrevin {

/// Asks the user where to save a file. Behind an interface so that exports of the
/// view model can be tested with a chosen path.
class FileDialogs {
public:
    struct SaveRequest {
        QString title;
        /// Proposed file name, e.g. "Ostrevin-log.txt".
        QString suggestedName;
        /// One name filter, e.g. "Text files (*.txt)".
        QString nameFilter;
        /// Appended when the user types a name without it, e.g. "txt".
        QString defaultSuffix;
        /// The window the dialog opens over.
        DialogOwner owner = DialogOwner::mainWindow;

        bool operator==(const SaveRequest&) const = default;
    };

    FileDialogs() = default;
    FileDialogs(const FileDialogs&) = delete;
    FileDialogs& operator=(const FileDialogs&) = delete;
    virtual ~FileDialogs() = default;

    /// The chosen path, or none when the user cancels. The dialog does not block
    /// the event loop; the future always finishes with a value.
    virtual QFuture<std::optional<QString>> chooseSaveLocation(const SaveRequest& request) = 0;
};

} // namespace ostrevin
