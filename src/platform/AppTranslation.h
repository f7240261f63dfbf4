#pragma once

#include <QLocale>
#include <QString>

class QTranslator;

namespace ostrevin {

/// Installs the app's translation for the locale's languages on the running
/// application. The texts in the code are English already; the English
/// translation adds what code cannot say by itself, the plural forms of counted
/// texts ("1 point", "2 points"), and serves every language that has no
/// translation of its own. Returns the installed translator (owned by the
/// application object), or null when none could be loaded.
QTranslator* installAppTranslation(const QLocale& locale = QLocale());

/// Where the build puts the compiled translations ("ostrevin_<language>.qm"), a
/// resource folder of this library.
QString appTranslationFolder();

} // namespace ostrevin
