#include "platform/BundledResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ostrevin {

namespace {

QString besideOrBelowPrefix(const QString& applicationDirectory, QStringView folder)
{
    const QString buildTree = QDir::cleanPath(applicationDirectory + u'/' + folder);
    if (QFileInfo(buildTree).isDir())
        return buildTree;
    return QDir::cleanPath(applicationDirectory + u"/../" + folder);
}

} // namespace

QString BundledResources::directory()
{
    return directoryFor(QCoreApplication::applicationDirPath());
}

QString BundledResources::directoryFor(const QString& applicationDirectory)
{
    return besideOrBelowPrefix(applicationDirectory, u"share/ostrevin");
}

QString BundledResources::moduleDirectory()
{
    return moduleDirectoryFor(QCoreApplication::applicationDirPath());
}

QString BundledResources::moduleDirectoryFor(const QString& applicationDirectory)
{
    return besideOrBelowPrefix(applicationDirectory, u"lib/ostrevin");
}

} // namespace ostrevin
