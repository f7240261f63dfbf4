#pragma once

#include <QThread>
#include <future>
#include <memory>
#include <vector>

namespace ostrevin {

/// Loads the desktop's font configuration on a thread of its own from the start
/// of the program: fontconfig reads and parses dozens of files before Qt can list
/// a font, and none of it needs the application object, whose making (the display
/// connection, the platform plug-in) takes about as long. Where fontconfig is not
/// what Qt reads fonts with, it does nothing.
class FontConfigurationWarmUp {
public:
    FontConfigurationWarmUp();
    /// Waits for the configuration.
    ~FontConfigurationWarmUp();

    FontConfigurationWarmUp(const FontConfigurationWarmUp&) = delete;
    FontConfigurationWarmUp& operator=(const FontConfigurationWarmUp&) = delete;

    /// Returns once the configuration is loaded.
    void wait() const;

private:
    std::shared_future<void> m_loaded;
};

/// Does on threads of its own, while the rest of start-up runs, what Qt does on
/// first use on the interface thread, a good part of the time to the first frame:
/// - it lists the desktop's fonts, which Qt does the first time any text is
///   measured; most of start-up (settings, data files, the view model) needs no font;
/// - it loads the image format plug-ins, which Qt loads one after another the
///   first time it reads an image file whose name no plug-in claims, as the menu
///   bar does for an icon of its own;
/// - on Linux it connects to the session and system buses, which the desktop's
///   look and the sleep inhibitor ask before the window is made.
/// What needs any of it meanwhile waits for it instead of doing it again.
class StartupWarmUp {
public:
    /// Starts them all; it needs the application object. The font listing waits
    /// for `configuration`, which must outlive this.
    explicit StartupWarmUp(const FontConfigurationWarmUp& configuration);
    /// Waits for all: none may run on while the application goes.
    ~StartupWarmUp();

    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

private:
    std::vector<std::unique_ptr<QThread>> m_threads;
};

} // namespace ostrevin
