#include "views/library/SavedPanel.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "planner/PlannerTexts.h"
#include "views/common/CoordinateText.h"
#include "views/common/DeletionConfirmation.h"
#include "views/common/LibraryTexts.h"
#include "views/common/RowMenu.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/IconButton.h"
#include "views/kit/KeyedRows.h"
#include "views/kit/Layouts.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/PanelScaffold.h"
#include "views/kit/PanelSection.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

namespace ostrevin {

using kit::BrandColor;

namespace {

/// A saved list: the rows, or the empty state in their place.
template <typename Item>
void showList(const QList<Item>& items, kit::EmptyStateView& empty, kit::RowList& list,
              kit::KeyedRows<Item, kit::LibraryRow>& rows, const std::function<kit::LibraryRow*()>& make,
              void (*show)(kit::LibraryRow&, const Item&))
{
    rows.sync(
        items,
        [&](const Item& item, qsizetype) {
            kit::LibraryRow* row = make();
            show(*row, item);
            return row;
        },
        [show](kit::LibraryRow& row, const Item& item, qsizetype) { show(row, item); });
    empty.setVisible(items.isEmpty());
    list.setVisible(!items.isEmpty());
}

} // namespace

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

    MainWindowState& windowState = m_viewModel.windowState();
    //: Section header: locations the user saved.
    scaffold->addContent(new kit::PanelSection(
        tr("Saved locations"),
        buildList(m_locations,
                  //: Empty state in Saved › Saved locations.
                  new kit::EmptyStateView("star"_symbol, tr("You don’t have any saved locations yet."),
                                          //: Button in an empty state; opens the Place panel.
                                          tr("Choose a place"),
                                          [&windowState] { windowState.setSection(AppSection::place); }))));
    //: Section header: routes the user saved.
    scaffold->addContent(new kit::PanelSection(
        tr("Saved routes"),
        buildList(m_routes,
                  //: Empty state in Saved › Saved routes.
                  new kit::EmptyStateView("bookmark"_symbol, tr("You don’t have any saved routes yet."),
                                          //: Button in an empty state; opens the Route panel.
                                          tr("Plan a route"),
                                          [&windowState] { windowState.setSection(AppSection::route); }))));

    connect(&m_viewModel.library(), &LocationLibrary::savedLocationsChanged, this, &SavedPanel::refreshLocations);
    connect(&m_viewModel.library(), &LocationLibrary::savedRoutesChanged, this, &SavedPanel::refreshRoutes);
    common::connectGates(m_viewModel, this, [this] { syncGates(); });
    refreshLocations();
    refreshRoutes();
}

SavedPanel::~SavedPanel()
{
    delete m_renameDialog;
}

void SavedPanel::refreshLocations()
{
    showList(
        m_viewModel.library().savedLocations(), *m_locations.empty, *m_locations.list, *m_locations.rows,
        [this] { return makeLocationRow(); }, &SavedPanel::showLocation);
    syncGates();
}

void SavedPanel::refreshRoutes()
{
    showList(
        m_viewModel.library().savedRoutes(), *m_routes.empty, *m_routes.list, *m_routes.rows,
        [this] { return makeRouteRow(); }, &SavedPanel::showRoute);
    syncGates();
}

template <typename Item> QWidget* SavedPanel::buildList(List<Item>& list, kit::EmptyStateView* empty)
{
    auto* box = new QWidget;
    QVBoxLayout* column = kit::columnLayout(box);
    list.empty = empty;
    list.list = new kit::RowList;
    column->addWidget(empty);
    column->addWidget(list.list);
    list.rows = std::make_unique<kit::KeyedRows<Item, kit::LibraryRow>>(*static_cast<QBoxLayout*>(list.list->layout()));
    return box;
}

template <typename Item>
kit::LibraryRow* SavedPanel::makeRow(const List<Item>& list, QMenu* menu, QAction* primary, kit::SymbolName symbol,
                                     QAction* load, const QList<std::pair<QAction*, ItemAction<Item>>>& actions)
{
    auto* button = new kit::IconButton(primary->text(), symbol, BrandColor::AccentText);
    connect(button, &QAbstractButton::clicked, primary, &QAction::trigger);
    // The button is the menu action's twin, under the same gate.
    connect(primary, &QAction::enabledChanged, button, &QWidget::setEnabled);
    auto* row = new kit::LibraryRow("mappin"_symbol, QString(), QString(),
                                    kit::trailingBox({button, common::menuButton(menu)}));
    //: Tooltip and menu item: shows a saved location, saved route or history item on the map without sending it
    //: to the iPhone.
    row->setHint(tr("Load on the map"));
    connect(row, &kit::LibraryRow::activated, load, &QAction::trigger);
    menu->setParent(row, menu->windowFlags()); // goes with its row
    for (const auto& [action, run] : actions) {
        // Each action takes the item the row shows when it runs, as a copy: what
        // runs may change the list the row shows.
        connect(action, &QAction::triggered, this, [&list, row, run] {
            if (const Item* item = list.rows->itemOf(row))
                run(Item(*item));
        });
    }
    return row;
}

kit::LibraryRow* SavedPanel::makeLocationRow()
{
    LocationPlannerViewModel& vm = m_viewModel;
    MainWindowState& windowState = vm.windowState();

    auto* menu = new QMenu(this);
    //: Tooltip, menu item and VoiceOver label: sets this point or saved location as the iPhone’s location.
    const QString sendTitle = tr("Set as the iPhone’s location");
    QAction* send = menu->addAction(sendTitle);
    send->setProperty(common::changeGateProperty, true);
    QAction* load = menu->addAction(tr("Load on the map"));
    load->setProperty(common::editGateProperty, true);
    QAction* add = menu->addAction(tr("Add to the route"));
    add->setProperty(common::editGateProperty, true);
    menu->addSeparator();
    QAction* rename = menu->addAction(tr("Rename…"));
    QAction* remove = menu->addAction(tr("Delete…"));

    return makeRow<SavedLocation>(
        m_locations, menu, send, "location.fill"_symbol, load,
        {{send, [&vm](const SavedLocation& location) { vm.pushPointToIPhone(location.point); }},
         {load,
          [&vm, &windowState](const SavedLocation& location) {
              vm.selectPlace(location.point, LocationPlannerViewModel::MapFraming::frameSelection);
              windowState.setSection(AppSection::place);
          }},
         {add,
          [&vm, &windowState](const SavedLocation& location) {
              vm.addSavedLocationToRoute(location);
              windowState.setSection(AppSection::route);
          }},
         {rename, [this](const SavedLocation& location) { askRename(location); }},
         {remove,
          [this](const SavedLocation& location) { m_deletion->ask(PendingDeletion::savedLocation(location)); }}});
}

void SavedPanel::showLocation(kit::LibraryRow& row, const SavedLocation& location)
{
    row.setTitle(location.name);
    row.setSubtitle(common::coordinateText(location.point.latitude, location.point.longitude));
}

kit::LibraryRow* SavedPanel::makeRouteRow()
{
    LocationPlannerViewModel& vm = m_viewModel;
    MainWindowState& windowState = vm.windowState();

    auto* menu = new QMenu(this);
    //: Primary button of the Route panel; also a tooltip and menu item for saved routes and history. Keep short.
    const QString startTitle = tr("Start route");
    QAction* start = menu->addAction(startTitle);
    start->setProperty(common::changeGateProperty, true);
    QAction* load = menu->addAction(tr("Load on the map"));
    load->setProperty(common::editGateProperty, true);
    menu->addSeparator();
    QAction* rename = menu->addAction(tr("Rename…"));
    QAction* remove = menu->addAction(tr("Delete…"));

    return makeRow<SavedRoute>(
        m_routes, menu, start, "play.fill"_symbol, load,
        {{start,
          [&vm, &windowState](const SavedRoute& route) {
              vm.startSavedRoute(route);
              windowState.setSection(AppSection::route);
          }},
         {load,
          [&vm, &windowState](const SavedRoute& route) {
              vm.loadSavedRoute(route);
              windowState.setSection(AppSection::route);
          }},
         {rename, [this](const SavedRoute& route) { askRename(route); }},
         {remove, [this](const SavedRoute& route) { m_deletion->ask(PendingDeletion::savedRoute(route)); }}});
}

void SavedPanel::showRoute(kit::LibraryRow& row, const SavedRoute& route)
{
    row.setTitle(route.name);
    row.setSubtitle(common::summaryLine(
        {title(route.transportMode), title(route.speedProfile), PlannerTexts::pointCountText(route.points.size())}));
    row.setSymbol(common::transportModeSymbol(route.transportMode));
}

void SavedPanel::syncGates()
{
    const bool canEdit = m_viewModel.canEditRouteDraft();
    const bool canChange = m_viewModel.canChangeIPhoneLocation();
    const auto sync = [canEdit, canChange](kit::LibraryRow& row, const auto&) {
        row.setRowEnabled(canEdit);
        // The row's main button follows its menu action.
        common::applyGates(row.findChild<QMenu*>(), canEdit, canChange);
    };
    m_locations.rows->forEach(sync);
    m_routes.rows->forEach(sync);
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
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextValue(name);
    dialog->setOkButtonText(tr("Rename"));
    dialog->setCancelButtonText(tr("Cancel"));
    if (auto* field = dialog->findChild<QLineEdit*>())
        field->setPlaceholderText(tr("Name"));
    // The title says it already and the button says it again: the box has no
    // message, so its label would only take a third "Rename" and an empty line.
    if (auto* label = dialog->findChild<QLabel*>())
        label->hide();
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
