#include "app/StartupWarmUp.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QFontDatabase>
#include <QImageReader>

#if OSTREVIN_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace ostrevin {

namespace {

void loadFontConfiguration()
{
#if OSTREVIN_HAVE_FONTCONFIG
    // Qt's listing begins with the same call, which then finds the work done.
    // Without a configuration it fails as it would have failed there.
    FcInit();
#endif
}

void loadImageFormats()
{
    // A reader asked for a format loads the plug-in that reads it; Qt keeps each
    // plug-in loaded once it is.
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        QBuffer empty;
        QImageReader reader(&empty, format);
        reader.canRead();
    }
}

void connectBuses()
{
#if defined(Q_OS_LINUX)
    // Any thread may ask: the buses are connected once, on Qt's own bus thread,
    // and a caller meanwhile waits for that connection instead of making another.
    QDBusConnection::sessionBus();
    QDBusConnection::systemBus();
#endif
}

} // namespace

FontConfigurationWarmUp::FontConfigurationWarmUp()
    : m_loaded(std::async(std::launch::async, loadFontConfiguration).share())
{
}

FontConfigurationWarmUp::~FontConfigurationWarmUp()
{
    wait();
}

void FontConfigurationWarmUp::wait() const
{
    m_loaded.wait();
}

StartupWarmUp::StartupWarmUp(const FontConfigurationWarmUp& configuration)
{
    const auto start = [this](const QString& name, auto&& work) {
        m_threads.emplace_back(QThread::create(std::forward<decltype(work)>(work)));
        m_threads.back()->setObjectName(name);
        m_threads.back()->start();
    };
    start(QStringLiteral("Font listing"), [&configuration] {
        // Two threads that both found no configuration would each load one.
        configuration.wait();
        // Every function of QFontDatabase may be called from any thread; the first
        // one fills the list under the database's lock, which later callers wait on.
        QFontDatabase::families();
    });
    start(QStringLiteral("Image formats"), loadImageFormats);
    start(QStringLiteral("Bus connections"), connectBuses);
}

StartupWarmUp::~StartupWarmUp()
{
    for (const auto& thread : m_threads)
        thread->wait();
}

} // namespace ostrevin
