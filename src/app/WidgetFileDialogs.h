#pragma once

#include "platform/FileDialogs.h"

#include <QPointer>
#include <QWidget>

namespace ostrevin {

/// FileDialogs with Qt's file dialog, window-modal over the main window when one
/// is set, or over the settings window for a request that started there. The
/// dialog is opened with open(), not exec(), so the event loop (the held
/// location's checks) keeps running while it is shown.
class WidgetFileDialogs final : public FileDialogs {
public:
    explicit WidgetFileDialogs(QWidget* window = nullptr);

    void setWindow(QWidget* window);
    QFuture<std::optional<QString>> chooseSaveLocation(const SaveRequest& request) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace ostrevin
