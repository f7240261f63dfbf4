#include "views/settings/GeneralSettingsView.h"

#include "planner/LocationPlannerViewModel.h"
#include "platform/SettingsStore.h"
#include "routedata/AppLanguage.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Question.h"
#include "views/settings/SettingsSection.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace ostrevin {

namespace {

template <RawEnum E, std::size_t N> QList<QPair<QString, QString>> rowsOf(const std::array<E, N>& cases)
{
    QList<QPair<QString, QString>> rows;
    for (E value : cases)
        rows.append({title(value), toRaw(value)});
    return rows;
}

} // namespace

GeneralSettingsView::GeneralSettingsView(LocationPlannerViewModel& viewModel, SettingsStore& settings, Options options,
                                         QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_settings(settings), m_options(std::move(options))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    SettingsSection* language = form->addSection();
    m_language = new QComboBox;
    m_language->setObjectName(QStringLiteral("languagePicker"));
    //: Settings › General › Language: follow the system's language.
    m_language->addItem(tr("System default"), AppLanguage::systemTag());
    m_language->insertSeparator(1);
    for (const AppLanguage::Option& option : AppLanguage::available(m_options.translationFolder))
        m_language->addItem(option.label(), option.code);
    const QString chosen = AppLanguage::selectedCode(m_settings).value_or(AppLanguage::systemTag());
    m_language->setCurrentIndex(m_language->findData(chosen));
    //: Settings › General: label of the language picker.
    language->addLabeledRow(tr("Language"), m_language);
    connect(m_language, &QComboBox::activated, this, &GeneralSettingsView::languageChosen);

    m_restartRow = new QWidget;
    m_restartRow->setObjectName(QStringLiteral("restartRow"));
    auto* restartLayout = new QHBoxLayout(m_restartRow);
    //: Settings › General, shown after the language was changed.
    auto* note = new kit::KitLabel(tr("The new language is used after Ostrevin restarts."), kit::TextStyle::Body);
    note->setColorRole(kit::BrandColor::Secondary);
    restartLayout->addWidget(note, 1);
    //: Settings › General: button that restarts the app in the new language.
    auto* restart = new QPushButton(tr("Restart now"));
    restart->setObjectName(QStringLiteral("restartNow"));
    restartLayout->addWidget(restart);
    connect(restart, &QPushButton::clicked, this, &GeneralSettingsView::restartNow);
    language->addRow(m_restartRow);
    m_restartRow->setVisible(chosen != m_options.launchedWith);

    SettingsSection* display = form->addSection();
    //: Settings › General: label of the units picker.
    display
        ->addLabeledRow(tr("Units"), addPicker(QStringLiteral("unitsPicker"), AppSettings::Key::units,
                                               rowsOf(allCases<MeasurementUnits>())))
        //: Settings › General › Units: tooltip.
        ->setToolTip(tr("Distances and speeds. Automatic follows your region settings."));
    //: Settings › General: label of the map style picker.
    QComboBox* mapStyle =
        addPicker(QStringLiteral("mapStylePicker"), AppSettings::Key::mapStyle, rowsOf(allCases<MapStylePreference>()));
    // A style without tiles here is named so and cannot be picked, as in the map's own menu.
    for (int row = 0; row < mapStyle->count(); ++row) {
        const auto style = fromRaw<MapStylePreference>(mapStyle->itemData(row).toString());
        if (!style || m_options.tileSources.isAvailable(*style))
            continue;
        mapStyle->setItemText(row, m_options.tileSources.pickerTitle(*style));
        if (auto* model = qobject_cast<QStandardItemModel*>(mapStyle->model()))
            model->item(row)->setEnabled(false);
    }
    display->addLabeledRow(tr("Map style"), mapStyle);

    //: Settings › General: section of the defaults that new routes start with.
    SettingsSection* routes = form->addSection(tr("New routes"));
    //: Settings › General › New routes: label of the travel mode picker.
    routes->addLabeledRow(tr("Travel mode"), addPicker(QStringLiteral("travelModePicker"),
                                                       AppSettings::Key::defaultTravelMode, rowsOf(planningModes)));
    //: Settings › General › New routes: label of the speed picker.
    routes->addLabeledRow(tr("Speed"), addPicker(QStringLiteral("speedPicker"), AppSettings::Key::defaultSpeedProfile,
                                                 rowsOf(allCases<RouteSpeedProfile>())));

    // Other places write the same keys (the map's own style menu, a reset of all data).
    connect(&m_settings, &SettingsStore::valueChanged, this, [this](const QString& name) {
        if (const std::optional<AppSettings::Key> key = AppSettings::keyNamed(name); key && m_pickers.contains(*key))
            syncPicker(*key);
    });
}

GeneralSettingsView::~GeneralSettingsView() = default;

QComboBox* GeneralSettingsView::addPicker(const QString& objectName, AppSettings::Key key,
                                          const QList<QPair<QString, QString>>& rows)
{
    auto* picker = new QComboBox;
    picker->setObjectName(objectName);
    for (const auto& [title, raw] : rows)
        picker->addItem(title, raw);
    m_pickers.insert(key, picker);
    syncPicker(key);
    connect(picker, &QComboBox::activated, this, [this, picker, key](int index) {
        const QString raw = picker->itemData(index).toString();
        // Picking the value in force again changes nothing: it must not reset the
        // mode or speed the user gave an empty draft meanwhile.
        if (raw == storedRaw(key))
            return;
        m_settings.setValue(AppSettings::name(key), raw);
        if (key == AppSettings::Key::defaultTravelMode || key == AppSettings::Key::defaultSpeedProfile)
            m_viewModel.applyRouteDefaultsIfDraftIsEmpty();
    });
    return picker;
}

QString GeneralSettingsView::storedRaw(AppSettings::Key key) const
{
    const QVariant stored = m_settings.value(AppSettings::name(key));
    // A missing key means its default.
    const QString defaultRaw = key == AppSettings::Key::defaultSpeedProfile
                                   ? toRaw(RouteSpeedProfile::normal)
                                   : m_pickers.value(key)->itemData(0).toString();
    return stored.isValid() ? stored.toString() : defaultRaw;
}

void GeneralSettingsView::syncPicker(AppSettings::Key key)
{
    // A stored value that no row carries shows no row, and nothing is written until
    // the user picks one.
    QComboBox* picker = m_pickers.value(key);
    picker->setCurrentIndex(picker->findData(storedRaw(key)));
}

void GeneralSettingsView::languageChosen(int index)
{
    const QString code = m_language->itemData(index).toString();
    AppLanguage::setSelectedCode(code == AppLanguage::systemTag() ? std::nullopt : std::optional(code), m_settings);
    m_restartRow->setVisible(code != m_options.launchedWith);
}

void GeneralSettingsView::restartNow()
{
    if (!m_viewModel.hold().lockedPoint() && !m_viewModel.hold().isIPhoneRouteRunning()) {
        m_options.relaunch();
        return;
    }
    if (m_confirmation)
        return;
    kit::Question question;
    question.objectName = QStringLiteral("relaunchConfirmation");
    question.icon = QMessageBox::Warning;
    //: Confirmation title before restarting for a new language.
    question.title = tr("Restart Ostrevin now?");
    //: Confirmation message before restarting for a new language.
    question.text = tr("Restarting ends the simulated location and your iPhone returns to its real location.");
    //: Confirmation button: restart the app now.
    question.actionTitle = tr("Restart");
    m_confirmation = kit::openQuestion(this, question, this, [this](bool restart) {
        if (restart)
            m_options.relaunch();
    });
}

} // namespace ostrevin
