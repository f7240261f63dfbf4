#include "views/library/SavedPanel.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/IconButton.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/PanelScaffold.h"
#include "views/kit/PanelSection.h"
#include "views/library/LibraryTexts.h"
#include "views/library/LibraryWidgets.h"
#include "views/place/CoordinateText.h"
#include "views/route/DeletionConfirmation.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

namespace ostrevin {

using kit::BrandColor;

SavedPanel::SavedPanel(LocationPlannerViewModel& viewModel, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_deletion(new DeletionConfirmation(*this, viewModel))
{
    setObjectName(QStringLiteral("SavedPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    //: Main navigation: saved locations and saved routes. Short label under an icon in the narrow navigation rail
    //: (one word if possible); also a View menu item.
    auto* scaffold = new kit::PanelScaffold(tr("Saved"));
    layout->addWidget(scaffold);

    auto* locations = new QWidget;
    m_locations = library::columnLayout(locations);
    //: Section header: locations the user saved.
    scaffold->addContent(new kit::PanelSection(tr("Saved locations"), locations));
    auto* routes = new QWidget;
    m_routes = library::columnLayout(routes);
    //: Section header: routes the user saved.
    scaffold->addContent(new kit::PanelSection(tr("Saved routes"), routes));

    connect(&m_viewModel.library(), &LocationLibrary::savedLocationsChanged, this, &SavedPanel::rebuildLocations);
    connect(&m_viewModel.library(), &LocationLibrary::savedRoutesChanged, this, &SavedPanel::rebuildRoutes);
    library::connectGates(m_viewModel, this, [this] { syncGates(); });
    rebuildLocations();
    rebuildRoutes();
}

SavedPanel::~SavedPanel()
{
    delete m_renameDialog;
}

void SavedPanel::rebuildLocations()
{
    m_rows.removeIf([](const Row& row) { return !row.isRoute; });
    library::clearLayout(m_locations);
    if (m_viewModel.library().savedLocations().isEmpty()) {
        MainWindowState& windowState = m_viewModel.windowState();
        //: Empty state in Saved › Saved locations.
        m_locations->addWidget(new kit::EmptyStateView("star"_symbol, tr("You don’t have any saved locations yet."),
                                                       //: Button in an empty state; opens the Place panel.
                                                       tr("Choose a place"),
                                                       [&windowState] { windowState.setSection(AppSection::place); }));
        return;
    }
    auto* list = new kit::RowList;
    m_locations->addWidget(list);
    for (const SavedLocation& location : m_viewModel.library().savedLocations())
        addLocationRow(location);
    syncGates();
}

void SavedPanel::rebuildRoutes()
{
    m_rows.removeIf([](const Row& row) { return row.isRoute; });
    library::clearLayout(m_routes);
    if (m_viewModel.library().savedRoutes().isEmpty()) {
        MainWindowState& windowState = m_viewModel.windowState();
        //: Empty state in Saved › Saved routes.
        m_routes->addWidget(new kit::EmptyStateView("bookmark"_symbol, tr("You don’t have any saved routes yet."),
                                                    //: Button in an empty state; opens the Route panel.
                                                    tr("Plan a route"),
                                                    [&windowState] { windowState.setSection(AppSection::route); }));
        return;
    }
    auto* list = new kit::RowList;
    m_routes->addWidget(list);
    for (const SavedRoute& route : m_viewModel.library().savedRoutes())
        addRouteRow(route);
    syncGates();
}

void SavedPanel::addLocationRow(const SavedLocation& location)
{
    LocationPlannerViewModel& vm = m_viewModel;
    MainWindowState& windowState = vm.windowState();
    const RoutePoint point = location.point;

    auto* menu = new QMenu(this);
    //: Tooltip, menu item and VoiceOver label: sets this point or saved location as the iPhone’s location.
    const QString sendTitle = tr("Set as the iPhone’s location");
    QAction* send = menu->addAction(sendTitle, this, [&vm, point] { vm.pushPointToIPhone(point); });
    send->setProperty(library::changeGateProperty, true);
    QAction* load = menu->addAction(tr("Load on the map"), this, [&vm, &windowState, point] {
        vm.selectPlace(point, LocationPlannerViewModel::MapFraming::frameSelection);
        windowState.setSection(AppSection::place);
    });
    load->setProperty(library::editGateProperty, true);
    QAction* add = menu->addAction(tr("Add to the route"), this, [&vm, &windowState, location] {
        vm.addSavedLocationToRoute(location);
        windowState.setSection(AppSection::route);
    });
    add->setProperty(library::editGateProperty, true);
    menu->addSeparator();
    menu->addAction(tr("Rename…"), this, [this, location] { askRename(location); });
    menu->addAction(tr("Delete…"), this, [this, location] { m_deletion->ask(PendingDeletion::savedLocation(location)); });

    auto* sendButton = new kit::IconButton(sendTitle, "location.fill"_symbol, BrandColor::AccentText);
    connect(sendButton, &QAbstractButton::clicked, send, &QAction::trigger);
    auto* trailing = library::trailingBox({sendButton, library::menuButton(menu)});

    auto* row = new kit::LibraryRow("mappin"_symbol, location.name,
                                    place::coordinateText(point.latitude, point.longitude), trailing);
    //: Tooltip and menu item: shows a saved location, saved route or history item on the map without sending it
    //: to the iPhone.
    row->setHint(tr("Load on the map"));
    connect(row, &kit::LibraryRow::activated, load, &QAction::trigger);
    menu->setParent(row, menu->windowFlags()); // goes with its row
    static_cast<kit::RowList*>(m_locations->itemAt(0)->widget())->addRow(row);
    m_rows.append({row, sendButton, menu, false});
}

void SavedPanel::addRouteRow(const SavedRoute& route)
{
    LocationPlannerViewModel& vm = m_viewModel;
    MainWindowState& windowState = vm.windowState();

    auto* menu = new QMenu(this);
    //: Primary button of the Route panel; also a tooltip and menu item for saved routes and history. Keep short.
    const QString startTitle = tr("Start route");
    QAction* start = menu->addAction(startTitle, this, [&vm, &windowState, route] {
        vm.startSavedRoute(route);
        windowState.setSection(AppSection::route);
    });
    start->setProperty(library::changeGateProperty, true);
    QAction* load = menu->addAction(tr("Load on the map"), this, [&vm, &windowState, route] {
        vm.loadSavedRoute(route);
        windowState.setSection(AppSection::route);
    });
    load->setProperty(library::editGateProperty, true);
    menu->addSeparator();
    menu->addAction(tr("Rename…"), this, [this, route] { askRename(route); });
    menu->addAction(tr("Delete…"), this, [this, route] { m_deletion->ask(PendingDeletion::savedRoute(route)); });

    auto* startButton = new kit::IconButton(startTitle, "play.fill"_symbol, BrandColor::AccentText);
    connect(startButton, &QAbstractButton::clicked, start, &QAction::trigger);
    auto* trailing = library::trailingBox({startButton, library::menuButton(menu)});

    const QString subtitle =
        library::summaryLine({title(route.transportMode), title(route.speedProfile),
                              LocationPlannerViewModel::pointCountText(route.points.size())});
    auto* row = new kit::LibraryRow(library::transportModeSymbol(route.transportMode), route.name, subtitle, trailing);
    row->setHint(tr("Load on the map"));
    connect(row, &kit::LibraryRow::activated, load, &QAction::trigger);
    menu->setParent(row, menu->windowFlags()); // goes with its row
    static_cast<kit::RowList*>(m_routes->itemAt(0)->widget())->addRow(row);
    m_rows.append({row, startButton, menu, true});
}

void SavedPanel::syncGates()
{
    const bool canEdit = m_viewModel.canEditRouteDraft();
    const bool canChange = m_viewModel.canChangeIPhoneLocation();
    for (const Row& row : std::as_const(m_rows)) {
        row.row->setRowEnabled(canEdit);
        row.send->setEnabled(canChange);
        library::applyGates(row.menu, canEdit, canChange);
    }
}

void SavedPanel::askRename(const RenameTarget& target)
{
    delete m_renameDialog;
    m_renameTarget = target;
    const QString name = std::visit([](const auto& item) { return item.name; }, target);
    // Window-modal through open(), never exec(): an alarm must stay reachable.
    auto* dialog = new QInputDialog(window());
    m_renameDialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowTitle(tr("Rename"));
    dialog->setLabelText(tr("Rename"));
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextValue(name);
    dialog->setOkButtonText(tr("Rename"));
    dialog->setCancelButtonText(tr("Cancel"));
    if (auto* field = dialog->findChild<QLineEdit*>())
        field->setPlaceholderText(tr("Name"));
    connect(dialog, &QInputDialog::textValueSelected, this, &SavedPanel::commitRename);
    connect(dialog, &QDialog::rejected, this, [this] { m_renameTarget.reset(); });
    dialog->open();
}

void SavedPanel::commitRename(const QString& text)
{
    const std::optional<RenameTarget> target = std::exchange(m_renameTarget, std::nullopt);
    if (!target)
        return;
    // The view model trims the name and refuses an empty one with its own notice.
    if (const auto* location = std::get_if<SavedLocation>(&*target))
        m_viewModel.renameSavedLocation(*location, text);
    else
        m_viewModel.renameSavedRoute(std::get<SavedRoute>(*target), text);
}

} // namespace ostrevin
