#include "platform/AppPaths.h"

#include <QStandardPaths>

namespace ostrevin {

AppPaths::AppPaths(QString dataRoot, QString configRoot)
    : m_dataRoot(std::move(dataRoot)), m_configRoot(std::move(configRoot))
{
}

AppPaths AppPaths::fromEnvironment()
{
    return AppPaths(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                    QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QString AppPaths::dataDirectory() const
{
    return m_dataRoot + u"/Ostrevin";
}

QString AppPaths::lockFileName()
{
    return QStringLiteral("ostrevin.lock");
}

QString AppPaths::ownedProcessesFileName()
{
    return QStringLiteral("owned-processes");
}

QString AppPaths::runtimeDirectory() const
{
    return dataDirectory() + u"/Runtime";
}

QString AppPaths::configDirectory() const
{
    return m_configRoot + u"/Ostrevin";
}

QString AppPaths::settingsFile(const QString& domain) const
{
    return configDirectory() + u'/' + domain + u".conf";
}

} // namespace ostrevin
