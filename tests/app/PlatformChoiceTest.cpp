#include "app/PlatformChoice.h"

#include <gtest/gtest.h>

using namespace ostrevin;

TEST(PlatformChoice, XWaylandWhenThereIsAnXServerAndTheUsersChoiceAlwaysStands)
{
    struct Case {
        const char* name;
        QList<std::pair<const char*, const char*>> variables;
        std::optional<QByteArray> platform;
    };
    const Case cases[] = {
        {"Wayland session with XWayland", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, "xcb"},
        {"Wayland session told by its type only", {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}}, "xcb"},
        {"Wayland without an X server", {{"WAYLAND_DISPLAY", "wayland-0"}}, "wayland"},
        {"an empty DISPLAY is no X server", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}}, "wayland"},
        {"the user's platform wins",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
         std::nullopt},
        {"also without an X server",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"QT_QPA_PLATFORM", "offscreen"}},
         std::nullopt},
        {"an X11 session is left to Qt", {{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}, std::nullopt},
        {"nothing at all is left to Qt", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment environment;
        for (const auto& [name, value] : c.variables)
            environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        EXPECT_EQ(preferredQtPlatform(environment), c.platform);
    }
}
