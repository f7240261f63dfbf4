#pragma once

#include "routedata/AppSettings.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <optional>

class QTranslator;

namespace ostrevin {

class SettingsStore;

/// The languages the application ships translations for, and the user's choice
/// among them. The choice is stored at once and applied at the next start, when
/// the translation of the chosen language is installed.
class AppLanguage {
public:
    /// One language of the picker.
    struct Option {
        /// The translation's language code, e.g. "en" or "pt_BR".
        QString code;
        /// The language's name in itself, each word capitalised by its own rules.
        QString endonym;
        /// The language's name as the running application speaks.
        QString localizedName;

        /// The endonym alone when both names agree, else "endonym — localised name".
        QString label() const;
        bool operator==(const Option&) const = default;
    };

    /// The picker's tag of "System default".
    static QString systemTag() { return QStringLiteral("system"); }
    /// Where the build puts the compiled translations.
    static QString translationFolder();

    /// One option per shipped translation ("ostrevin_<code>.qm" in the folder),
    /// sorted by endonym as a file browser sorts names; read afresh on each call.
    static QList<Option> available(const QString& folder = translationFolder(), const QLocale& current = QLocale());
    /// The option of one code, named in the given locale.
    static Option option(const QString& code, const QLocale& current = QLocale());

    /// The stored choice; none for the system default or an unusable stored value.
    static std::optional<QString> selectedCode(const SettingsStore& store = AppSettings::standardStore());
    /// Stores a one-element list; none removes the key.
    static void setSelectedCode(const std::optional<QString>& code,
                                SettingsStore& store = AppSettings::standardStore());

    /// The choice this process started with (the code, or systemTag()). Taken the
    /// first time it is asked for in a run, which installTranslation() does at
    /// start-up: later changes of the stored choice do not move it, so the
    /// settings window keeps offering the restart until the app really restarted.
    static QString launchSelection(const SettingsStore& store = AppSettings::standardStore());

    /// The locale whose translation the next start installs.
    static QLocale translationLocale(const SettingsStore& store = AppSettings::standardStore());
    /// At start-up, once the application object exists: takes launchSelection()
    /// and installs the translation of the stored choice (the system's languages
    /// for the system default). Null when none could be installed.
    static QTranslator* installTranslation(const SettingsStore& store = AppSettings::standardStore());
};

} // namespace ostrevin
