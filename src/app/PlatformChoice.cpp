#include "app/PlatformChoice.h"

namespace ostrevin {

std::optional<QByteArray> preferredQtPlatform(const QProcessEnvironment& environment)
{
    const auto isSet = [&](const char* name) { return !environment.value(QString::fromLatin1(name)).isEmpty(); };
    if (isSet("QT_QPA_PLATFORM"))
        return std::nullopt;
    const bool wayland =
        isSet("WAYLAND_DISPLAY") ||
        environment.value(QStringLiteral("XDG_SESSION_TYPE")).compare(u"wayland", Qt::CaseInsensitive) == 0;
    if (!wayland)
        return std::nullopt;
    return isSet("DISPLAY") ? QByteArrayLiteral("xcb") : QByteArrayLiteral("wayland");
}

} // namespace ostrevin
