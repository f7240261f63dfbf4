#pragma once

#include "views/setup/RuntimeSetupRows.h"

#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ostrevin {

class RuntimeInstaller;

/// The screen the main window shows until the helper runtime is installed: what
/// will be installed and the Install button; the five steps with the download's
/// percentage and the last line of the component install, and Cancel; an error
/// with "Try again". It keeps no state of its own: everything comes from the
/// installer, and onInstalled runs once each time the phase becomes installed.
class RuntimeSetupView : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RuntimeSetupView)

public:
    RuntimeSetupView(RuntimeInstaller& runtime, std::function<void()> onInstalled, QWidget* parent = nullptr);
    ~RuntimeSetupView() override;

    /// What is shown now.
    const RuntimeSetupRows& rows() const { return m_rows; }
    /// Shows these rows until the installer next changes; the installer's own
    /// changes come through here too. Pictures of every phase use it.
    void showRows(const RuntimeSetupRows& rows);

protected:
    /// Each appearance re-reads the manifest (nothing happens while an installation runs).
    void showEvent(QShowEvent* event) override;

private:
    struct Widgets;

    void render();
    void handlePhaseChange();
    void install();
    void cancel();

    RuntimeInstaller& m_runtime;
    std::function<void()> m_onInstalled;
    bool m_wasInstalled = false;
    RuntimeSetupRows m_rows;
    std::unique_ptr<Widgets> m_widgets;
};

} // namespace ostrevin
