#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <optional>

namespace ostrevin {

/// The Qt platform plugin the program asks for, from its environment; none: leave
/// it to Qt. On a Wayland desktop, X11 through the desktop's X server is preferred
/// whenever there is one: a native Wayland window cannot keep itself above other
/// windows, so the full-screen alarm would sink behind the next window the user or
/// another program brings up. A platform the user chose always stands.
std::optional<QByteArray> preferredQtPlatform(const QProcessEnvironment& environment);

} // namespace ostrevin
