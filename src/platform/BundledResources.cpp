#include "platform/BundledResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ostrevin {

QString BundledResources::directory()
{
    return directoryFor(QCoreApplication::applicationDirPath());
}

QString BundledResources::directoryFor(const QString& applicationDirectory)
{
    const QString buildTree = QDir::cleanPath(applicationDirectory + u"/share/ostrevin");
    if (QFileInfo(buildTree).isDir())
        return buildTree;
    return QDir::cleanPath(applicationDirectory + u"/../share/ostrevin");
}

} // namespace ostrevin
