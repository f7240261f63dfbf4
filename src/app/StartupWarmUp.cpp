#include "app/StartupWarmUp.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QImageReader>

namespace ostrevin {

namespace {

void listFonts()
{
    // Every function of QFontDatabase may be called from any thread; the first
    // one fills the list under the database's lock, which later callers wait on.
    QFontDatabase::families();
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

} // namespace

StartupWarmUp::StartupWarmUp() : m_fonts(QThread::create(listFonts)), m_imageFormats(QThread::create(loadImageFormats))
{
    m_fonts->setObjectName(QStringLiteral("Font listing"));
    m_imageFormats->setObjectName(QStringLiteral("Image formats"));
    m_fonts->start();
    m_imageFormats->start();
}

StartupWarmUp::~StartupWarmUp()
{
    m_fonts->wait();
    m_imageFormats->wait();
}

} // namespace ostrevin
