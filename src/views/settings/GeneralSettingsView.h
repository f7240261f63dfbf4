#pragma once

#include "routedata/AppSettings.h"
#include "views/common/MapTileSources.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QComboBox;
class QMessageBox;

namespace ostrevin {

class LocationPlannerViewModel;
class SettingsStore;

/// The General tab: the application language (applied at the next start, with a
/// restart on offer), the units, the map style and the travel mode and speed that
/// new routes start with. The four pickers read and write their settings
/// directly; the language picker stores the choice the moment it changes.
class GeneralSettingsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GeneralSettingsView)

public:
    struct Options {
        /// Where the shipped translations are.
        QString translationFolder;
        /// The language choice the running process started with (a code or "system").
        QString launchedWith;
        /// Starts the relauncher and quits the application.
        std::function<void()> relaunch;
        /// The map styles this build has tiles for, as the map's style menu has them.
        MapTileSources tileSources = MapTileSources::configured();
    };

    GeneralSettingsView(LocationPlannerViewModel& viewModel, SettingsStore& settings, Options options,
                        QWidget* parent = nullptr);
    ~GeneralSettingsView() override;

private:
    QComboBox* addPicker(const QString& objectName, AppSettings::Key key, const QList<QPair<QString, QString>>& rows);
    void syncPicker(AppSettings::Key key);
    /// The raw value in force for a key: the stored one, or its default.
    QString storedRaw(AppSettings::Key key) const;
    void languageChosen(int index);
    void restartNow();

    LocationPlannerViewModel& m_viewModel;
    SettingsStore& m_settings;
    Options m_options;
    QComboBox* m_language = nullptr;
    QWidget* m_restartRow = nullptr;
    QHash<AppSettings::Key, QComboBox*> m_pickers;
    QPointer<QMessageBox> m_confirmation;
};

} // namespace ostrevin
