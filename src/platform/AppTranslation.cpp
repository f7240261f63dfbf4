#include "platform/AppTranslation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace ostrevin {

namespace {

// Where the build puts the compiled translations (a resource of this library).
const QString folder = QStringLiteral(":/i18n");
const QString prefix = QStringLiteral("ostrevin");

} // namespace

QTranslator* installAppTranslation(const QLocale& locale)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return nullptr;
    auto* translator = new QTranslator(application);
    const bool loaded = translator->load(locale, prefix, QStringLiteral("_"), folder) ||
                        translator->load(prefix + QStringLiteral("_en"), folder);
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace ostrevin
