#include "platform/LinuxAppearance.h"

#include "platform/PlatformLog.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <utility>

namespace ostrevin {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString gnomeInterfaceNamespace = QStringLiteral("org.gnome.desktop.interface");

constexpr int readTimeoutMs = 500;
constexpr uint preferDark = 1;

// Settings arrive as variants that may still wrap their value once more.
QVariant unwrap(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

LinuxAppearance::LinuxAppearance(QDBusConnection sessionBus, std::function<bool()> fallbackDark, QObject* parent)
    : Appearance(parent), m_bus(std::move(sessionBus)), m_fallbackDark(std::move(fallbackDark))
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, QStringLiteral("ReadAll"));
    call << QStringList{appearanceNamespace, gnomeInterfaceNamespace};
    m_pendingRead = m_bus.asyncCall(call, readTimeoutMs);
}

AppearanceState LinuxAppearance::current() const
{
    // Reading the look takes the answer in; nothing outside sees the difference.
    const_cast<LinuxAppearance*>(this)->finishRead();
    AppearanceState state;
    if (m_colorScheme == 0)
        state.dark = m_fallbackDark && m_fallbackDark();
    else
        state.dark = m_colorScheme == preferDark;
    state.highContrast = m_highContrast;
    if (m_reducedMotion)
        state.reducedMotion = *m_reducedMotion;
    else if (m_animations)
        state.reducedMotion = !*m_animations;
    return state;
}

void LinuxAppearance::finishRead()
{
    if (!m_pendingRead)
        return;
    QDBusPendingCall pending = *std::exchange(m_pendingRead, std::nullopt);
    // A plain blocking wait, bounded by the call's time-out: a nested event loop
    // here could run GUI work before the application has finished starting.
    pending.waitForFinished();
    takeReply(pending.reply());
    // Subscribed after the read: while the read waited, a subscription made before
    // it never learned the portal's owner and stayed deaf for good.
    m_bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(onSettingChanged(QString, QString, QDBusVariant)));
}

void LinuxAppearance::takeReply(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCInfo(lcPlatform) << "no desktop settings portal; the palette decides dark or light:" << reply.errorName();
        return;
    }
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    argument.beginMap();
    while (!argument.atEnd()) {
        QString nameSpace;
        QVariantMap values;
        argument.beginMapEntry();
        argument >> nameSpace >> values;
        argument.endMapEntry();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            apply(nameSpace, it.key(), it.value());
    }
    argument.endMap();
}

void LinuxAppearance::onSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value)
{
    if (apply(nameSpace, key, value.variant()))
        emit changed();
}

bool LinuxAppearance::apply(const QString& nameSpace, const QString& key, const QVariant& rawValue)
{
    const AppearanceState before = current();
    const QVariant value = unwrap(rawValue);
    bool ok = false;
    if (nameSpace == appearanceNamespace && key == u"color-scheme") {
        const uint scheme = value.toUInt(&ok);
        m_colorScheme = ok ? scheme : 0;
    } else if (nameSpace == appearanceNamespace && key == u"contrast") {
        m_highContrast = value.toUInt(&ok) == 1 && ok;
    } else if (nameSpace == appearanceNamespace && key == u"reduced-motion") {
        const uint reduced = value.toUInt(&ok);
        m_reducedMotion = ok ? std::optional<bool>(reduced == 1) : std::nullopt;
    } else if (nameSpace == gnomeInterfaceNamespace && key == u"enable-animations") {
        m_animations =
            value.metaType() == QMetaType::fromType<bool>() ? std::optional<bool>(value.toBool()) : std::nullopt;
    } else {
        return false;
    }
    return current() != before;
}

} // namespace ostrevin
