#include "runtime/PythonBuild.h"

#include "PythonBuildPins.h"

namespace ostrevin {

PythonBuild PythonBuild::pinned()
{
    PythonBuild build;
    // The pinned text keeps "%2B" for the "+" of the release's file name: parsed
    // strictly, it reaches the server exactly as written.
    build.url = QUrl(QString::fromUtf8(PythonBuildPins::url), QUrl::StrictMode);
    build.sha256 = QString::fromLatin1(PythonBuildPins::sha256);
    if (PythonBuildPins::expectedBytes >= 0)
        build.expectedBytes = PythonBuildPins::expectedBytes;
    return build;
}

} // namespace ostrevin
