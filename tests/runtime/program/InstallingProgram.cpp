// Stands in for the program while it installs the runtime: keeps the list of its
// tools in the file the first argument names, as the one running copy does,
// installs from the archive the other arguments describe, and runs until it is
// killed.
//
// installing-program LIST RUNTIME-FOLDER RESOURCE-FOLDER ARCHIVE-URL SHA256 BYTES

#include "process/OwnedProcessRegistry.h"
#include "runtime/RuntimeInstaller.h"

#include <QCoreApplication>
#include <QStringList>
#include <QUrl>

using namespace ostrevin;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 7)
        return 2;
    OwnedProcessRegistry::shared().takeOverLedger(arguments.at(1));
    RuntimeInstaller::Configuration configuration;
    configuration.runtimeDirectory = arguments.at(2);
    configuration.resourceDirectory = arguments.at(3);
    configuration.build.url = QUrl(arguments.at(4));
    configuration.build.sha256 = arguments.at(5);
    configuration.build.expectedBytes = arguments.at(6).toLongLong();
    RuntimeInstaller installer(configuration);
    installer.install();
    return QCoreApplication::exec();
}
