#include "routedata/AppLanguage.h"

#include "platform/AppTranslation.h"
#include "platform/SettingsStore.h"

#include <QCollator>
#include <QDir>
#include <algorithm>

namespace ostrevin {

namespace {

const QString filePrefix = QStringLiteral("ostrevin_");
const QString fileSuffix = QStringLiteral(".qm");

bool isKnownLanguage(const QLocale& locale)
{
    return locale.language() != QLocale::C && locale.language() != QLocale::AnyLanguage;
}

/// The first letter of every word upper-cased by the language's own rules (a
/// name in Turkish capitalises i to İ).
QString capitaliseWords(const QString& text, const QLocale& locale)
{
    QString out;
    out.reserve(text.size());
    bool atWordStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (atWordStart && c.isLetter()) {
            // A letter may be a surrogate pair: take the whole code point.
            const qsizetype length = (c.isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
            out += locale.toUpper(text.mid(i, length));
            i += length - 1;
            atWordStart = false;
            continue;
        }
        out += c;
        atWordStart = c.isSpace();
    }
    return out;
}

bool namesTerritory(const QString& code)
{
    return code.contains(u'_') || code.contains(u'-');
}

/// The language's name in itself. Qt names a bare "en" by its American variant;
/// a code without a territory means the language as a whole.
QString nativeName(const QString& code, const QLocale& locale)
{
    if (!namesTerritory(code) && locale.language() == QLocale::English)
        return QLocale::languageToString(QLocale::English);
    return locale.nativeLanguageName();
}

QString nameIn(const QString& code, const QLocale& named, const QLocale& speaker)
{
    if (speaker.language() == named.language())
        return nativeName(code, named);
    // Qt names other languages in English only, the app's own source language.
    QString name = QLocale::languageToString(named.language());
    if (namesTerritory(code))
        name += QStringLiteral(" (") + QLocale::territoryToString(named.territory()) + u')';
    return name;
}

} // namespace

QString AppLanguage::Option::label() const
{
    if (endonym == localizedName)
        return endonym;
    return endonym + QStringLiteral(" \u2014 ") + localizedName;
}

QString AppLanguage::translationFolder()
{
    return appTranslationFolder();
}

AppLanguage::Option AppLanguage::option(const QString& code, const QLocale& current)
{
    const QLocale locale(code);
    Option result;
    result.code = code;
    if (!isKnownLanguage(locale)) {
        result.endonym = code;
        result.localizedName = code;
        return result;
    }
    const QString native = nativeName(code, locale);
    result.endonym = native.isEmpty() ? code : capitaliseWords(native, locale);
    const QString localized = nameIn(code, locale, current);
    result.localizedName = localized.isEmpty() ? code : localized;
    return result;
}

QList<AppLanguage::Option> AppLanguage::available(const QString& folder, const QLocale& current)
{
    QList<Option> options;
    const QStringList files =
        QDir(folder).entryList({filePrefix + u'*' + fileSuffix}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const QString code = file.mid(filePrefix.size(), file.size() - filePrefix.size() - fileSuffix.size());
        if (code.isEmpty() || code == u"Base")
            continue;
        options.append(option(code, current));
    }
    QCollator collator(current);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(options.begin(), options.end(), [&collator](const Option& a, const Option& b) {
        return collator.compare(a.endonym, b.endonym) < 0;
    });
    return options;
}

std::optional<QString> AppLanguage::selectedCode(const SettingsStore& store)
{
    const QStringList languages = AppSettings::preferredLanguages(store);
    if (languages.isEmpty() || languages.first().trimmed().isEmpty())
        return std::nullopt;
    return languages.first();
}

void AppLanguage::setSelectedCode(const std::optional<QString>& code, SettingsStore& store)
{
    AppSettings::setPreferredLanguages(code ? QStringList{*code} : QStringList{}, store);
}

QString AppLanguage::launchSelection(const SettingsStore& store)
{
    static const QString launched = selectedCode(store).value_or(systemTag());
    return launched;
}

QLocale AppLanguage::translationLocale(const SettingsStore& store)
{
    const std::optional<QString> code = selectedCode(store);
    return code ? QLocale(*code) : QLocale();
}

QTranslator* AppLanguage::installTranslation(const SettingsStore& store)
{
    launchSelection(store);
    return installAppTranslation(translationLocale(store));
}

} // namespace ostrevin
