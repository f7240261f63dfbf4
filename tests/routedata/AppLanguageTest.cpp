#include "routedata/AppLanguage.h"

#include "platform/SettingsStore.h"
#include "support/TempDir.h"

#include <QFile>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace Qt::StringLiterals;

namespace {

QStringList codes(const QList<AppLanguage::Option>& options)
{
    QStringList out;
    for (const AppLanguage::Option& option : options)
        out << option.code;
    return out;
}

TEST(AppLanguageTest, OffersTheShippedTranslationsByTheirOwnNamesWithoutBase)
{
    test::TempDir dir;
    for (const QString& name : {u"ostrevin_en.qm"_s, u"ostrevin_de.qm"_s, u"ostrevin_Base.qm"_s, u"ostrevin_zz.qm"_s,
                                u"other_fr.qm"_s, u"ostrevin_cs.txt"_s}) {
        QFile file(dir.file(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QList<AppLanguage::Option> options = AppLanguage::available(dir.path(), QLocale(u"en_US"_s));
    // Sorted by the names in themselves; a code nobody can name stands as itself.
    EXPECT_EQ(codes(options), (QStringList{u"de"_s, u"en"_s, u"zz"_s}));
    ASSERT_EQ(options.size(), 3);
    EXPECT_EQ(options[0].label(), u"Deutsch — German"_s);
    EXPECT_EQ(options[1].label(), u"English"_s);
    EXPECT_EQ(options[2].label(), u"zz"_s);
}

TEST(AppLanguageTest, TheChoiceIsAOneElementListAndTheSystemDefaultRemovesIt)
{
    test::TempDir dir;
    SettingsStore store(dir.file(u"settings.conf"_s));
    const QString key = AppSettings::name(AppSettings::Key::appleLanguages);
    EXPECT_EQ(AppLanguage::selectedCode(store), std::nullopt);
    AppLanguage::setSelectedCode(u"de"_s, store);
    EXPECT_EQ(AppLanguage::selectedCode(store), u"de"_s);
    EXPECT_EQ(AppSettings::preferredLanguages(store), QStringList{u"de"_s});
    EXPECT_EQ(AppLanguage::translationLocale(store).language(), QLocale::German);
    AppLanguage::setSelectedCode(std::nullopt, store);
    EXPECT_FALSE(store.contains(key));
    // A hand-edited blank entry is no choice.
    store.setValue(key, QStringList{u" "_s});
    EXPECT_EQ(AppLanguage::selectedCode(store), std::nullopt);
}

TEST(AppLanguageTest, TheLaunchLanguageStaysWhatTheRunStartedWith)
{
    test::TempDir dir;
    SettingsStore store(dir.file(u"settings.conf"_s));
    AppLanguage::setSelectedCode(u"en"_s, store);
    EXPECT_EQ(AppLanguage::launchSelection(store), u"en"_s);
    AppLanguage::setSelectedCode(std::nullopt, store);
    // Until the app really restarted, the window keeps offering the restart.
    EXPECT_EQ(AppLanguage::launchSelection(store), u"en"_s);
}

} // namespace

namespace {

TEST(AppLanguageTest, TheBuildShipsEnglishAndInstallsTheChosenTranslation)
{
    EXPECT_EQ(codes(AppLanguage::available(AppLanguage::translationFolder(), QLocale(u"en_US"_s))),
              QStringList{u"en"_s});
    test::TempDir dir;
    SettingsStore store(dir.file(u"settings.conf"_s));
    AppLanguage::setSelectedCode(u"en"_s, store);
    QTranslator* translator = AppLanguage::installTranslation(store);
    ASSERT_NE(translator, nullptr);
    EXPECT_EQ(translator->language(), u"en"_s);
}

} // namespace
