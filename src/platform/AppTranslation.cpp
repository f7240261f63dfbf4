#include "platform/AppTranslation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace ostrevin {

namespace {

const QString prefix = QStringLiteral("ostrevin");

} // namespace

QString appTranslationFolder()
{
    return QStringLiteral(":/i18n");
}

QTranslator* installAppTranslation(const QLocale& locale)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return nullptr;
    auto* translator = new QTranslator(application);
    const QString folder = appTranslationFolder();
    const bool loaded = translator->load(locale, prefix, QStringLiteral("_"), folder) ||
                        translator->load(prefix + QStringLiteral("_en"), folder);
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace ostrevin
