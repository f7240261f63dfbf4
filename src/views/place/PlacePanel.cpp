#include "views/place/PlacePanel.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "routedata/RouteMapPresentation.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/PanelFooter.h"
#include "views/kit/PanelScaffold.h"
#include "views/kit/PanelSection.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/Symbols.h"
#include "views/place/CityChips.h"
#include "views/place/CoordinateText.h"
#include "views/place/DeviceBlockerNotice.h"
#include "views/place/NameReplacementQuestion.h"
#include "views/place/PlaceSearchField.h"
#include "views/place/SelectedPlaceCard.h"

#include <QLabel>
#include <QVBoxLayout>

namespace ostrevin {

using namespace kit;

namespace {

QWidget* searchGlyph()
{
    // Painted in the colour of the moment, so it follows a light/dark change.
    auto* glyph = new SymbolMark("magnifyingglass"_symbol, BrandColor::Secondary, 16, 16);
    glyph->setAccessibleName(QString());
    return glyph;
}

QWidget* column(QWidget* parent = nullptr)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return box;
}

} // namespace

PlacePanel::PlacePanel(LocationPlannerViewModel& viewModel, PlaceSearchService& searchService, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel)
{
    //: Placeholder of the search field in Place mode. The field accepts a place name, an address, or GPS coordinates
    //: such as “50.0755, 14.4378”.
    m_search = new PlaceSearchField(searchService, tr("Place, address, or coordinates"), searchGlyph());
    m_search->setObjectName(QStringLiteral("placeSearchField"));
    //: Empty state of the Place panel when no point is selected.
    m_emptyState = new EmptyStateView("mappin.and.ellipse"_symbol, tr("Search for a place, or click the map."));

    m_selectionBox = new QWidget;
    auto* selection = new QVBoxLayout(m_selectionBox);
    selection->setContentsMargins(0, 0, 0, 0);
    selection->setSpacing(12);
    selection->addWidget(m_search);
    selection->addWidget(m_emptyState);

    m_savedBox = column();
    //: Section header: locations the user saved.
    m_savedSection = new PanelSection(tr("Saved locations"), m_savedBox);
    m_recentBox = column();
    //: Section header in the Place panel: recently set locations.
    m_recentSection = new PanelSection(tr("Recent"), m_recentBox);
    m_cities = new CityChips(viewModel);
    //: Section header in the Place panel: a few preset cities.
    auto* citySection = new PanelSection(tr("Cities"), m_cities);

    m_notice = new DeviceBlockerNotice(viewModel);
    //: The Place panel's main button: sends the selected point to the iPhone.
    m_setLocation = new ActionButton(tr("Set location"), ActionButton::Kind::Primary);
    m_setLocation->setSymbol("location.fill"_symbol);
    //: Tooltip of the Place panel's "Set location" button.
    m_setLocation->setToolTip(tr("Sets the selected point as the iPhone’s location and holds it until you reset it."));
    auto* footer = new PanelFooter;
    footer->addContent(m_notice);
    footer->addContent(m_setLocation);

    //: Main navigation: set a single location. Short label under an icon in the narrow navigation rail (one word if
    //: possible); also a View menu item.
    auto* scaffold = new PanelScaffold(tr("Place"), nullptr, footer);
    scaffold->addContent(m_selectionBox);
    scaffold->addContent(m_savedSection);
    scaffold->addContent(m_recentSection);
    scaffold->addContent(citySection);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scaffold);

    connect(m_search, &PlaceSearchField::resolutionStarted, this, [this] {
        const auto selected = m_viewModel.draft().selectedPoint();
        m_pointAtSearchStart = selected ? std::optional(selected->id) : std::nullopt;
    });
    connect(m_search, &PlaceSearchField::picked, this, &PlacePanel::searchPicked);
    connect(m_search, &PlaceSearchField::failed, this,
            [this](const QString& message) { m_viewModel.setNotice(message); });
    connect(m_setLocation, &QPushButton::clicked, this, [this] { m_viewModel.pushLastPointToIPhone(); });

    auto followCamera = [this] {
        const auto centre = m_viewModel.mapPresentation().cameraPosition().center;
        m_search->setSearchBias(std::pair{centre.latitude, centre.longitude});
    };
    followCamera();
    connect(&viewModel.mapPresentation(), &RouteMapPresentation::cameraPositionChanged, this, followCamera);

    using VM = LocationPlannerViewModel;
    connect(&viewModel.draft(), &RouteDraft::pointsChanged, this, &PlacePanel::refreshSelection);
    connect(&viewModel, &VM::lockedPointChanged, this, &PlacePanel::refreshSelection);
    for (auto signal : {&VM::helperStatusChanged, &VM::isIPhoneRouteRunningChanged, &VM::isPlanningAddressRouteChanged,
                        &VM::isDeviceBusyChanged, &VM::isCheckingDeviceChanged, &VM::isLocationLockRefreshingChanged,
                        &VM::isLocationResetPendingChanged, &VM::lastDeviceCheckChanged})
        connect(&viewModel, signal, this, &PlacePanel::refreshGates);
    connect(&viewModel.draft(), &RouteDraft::pointsChanged, this, &PlacePanel::refreshGates);
    connect(&viewModel.library(), &LocationLibrary::savedLocationsChanged, this, [this] {
        rebuildSavedLocations();
        refreshSelection();
    });
    connect(&viewModel.library(), &LocationLibrary::historyChanged, this, &PlacePanel::rebuildRecentPlaces);

    // The selected place card's star saves under the card's name and may ask first.
    m_replacement = new NameReplacementQuestion(*this, viewModel, NameReplacementQuestion::Kind::location,
                                                QStringLiteral("locationNameReplacement"));

    rebuildSavedLocations();
    rebuildRecentPlaces();
    refreshSelection();
    refreshGates();
}

QList<RouteHistoryItem> PlacePanel::recentPlaces(const QList<RouteHistoryItem>& history)
{
    QList<RouteHistoryItem> places;
    for (const RouteHistoryItem& item : history) {
        if (places.size() == recentPlaceLimit)
            break;
        if (item.points.size() == 1)
            places << item;
    }
    return places;
}

void PlacePanel::searchPicked(const RoutePoint& point)
{
    // A slow search must not replace a place chosen since it began (a city chip,
    // a map click): the pick applies only over the point it was meant to replace.
    const auto selected = m_viewModel.draft().selectedPoint();
    const std::optional<QUuid> current = selected ? std::optional(selected->id) : std::nullopt;
    if (current != m_pointAtSearchStart)
        return;
    m_viewModel.selectPlace(point, LocationPlannerViewModel::MapFraming::frameSelection);
}

void PlacePanel::refreshSelection()
{
    const auto selected = m_viewModel.draft().selectedPoint();
    if (!selected) {
        if (m_card) {
            m_card->hide();
            m_card->deleteLater();
            m_card = nullptr;
        }
        m_emptyState->show();
        return;
    }
    m_emptyState->hide();
    if (!m_card) {
        m_card = new SelectedPlaceCard(m_viewModel, *selected);
        m_selectionBox->layout()->addWidget(m_card);
    } else {
        m_card->setPoint(*selected);
    }
}

void PlacePanel::refreshGates()
{
    const bool canEdit = m_viewModel.canEditRouteDraft();
    m_search->setEnabled(canEdit);
    m_cities->refresh();
    if (m_card)
        m_card->refresh();
    for (LibraryRow* row : m_savedBox->findChildren<LibraryRow*>())
        row->setRowEnabled(canEdit);
    for (LibraryRow* row : m_recentBox->findChildren<LibraryRow*>())
        row->setRowEnabled(canEdit);
    m_notice->refresh();
    m_setLocation->setEnabled(m_viewModel.draft().selectedPoint().has_value() && m_viewModel.canChangeIPhoneLocation());
}

void PlacePanel::rebuildSavedLocations()
{
    delete m_savedRows;
    m_savedRows = new RowList;
    const QList<SavedLocation>& saved = m_viewModel.library().savedLocations();
    for (qsizetype i = 0; i < saved.size() && i < savedLocationLimit; ++i) {
        const SavedLocation& location = saved.at(i);
        auto* row = new LibraryRow("star"_symbol, location.name,
                                   place::coordinateText(location.point.latitude, location.point.longitude));
        row->setRowEnabled(m_viewModel.canEditRouteDraft());
        connect(row, &LibraryRow::activated, this, [this, point = location.point] {
            m_viewModel.selectPlace(point, LocationPlannerViewModel::MapFraming::frameSelection);
        });
        m_savedRows->addRow(row);
    }
    m_savedBox->layout()->addWidget(m_savedRows);
    m_savedSection->setVisible(!saved.isEmpty());
}

void PlacePanel::rebuildRecentPlaces()
{
    delete m_recentRows;
    m_recentRows = new RowList;
    const QList<RouteHistoryItem> places = recentPlaces(m_viewModel.library().history());
    for (const RouteHistoryItem& item : places) {
        const RoutePoint& point = item.points.first();
        auto* row = new LibraryRow("clock"_symbol, item.title, place::coordinateText(point.latitude, point.longitude));
        row->setRowEnabled(m_viewModel.canEditRouteDraft());
        connect(row, &LibraryRow::activated, this, [this, item] { m_viewModel.loadHistory(item); });
        m_recentRows->addRow(row);
    }
    m_recentBox->layout()->addWidget(m_recentRows);
    m_recentSection->setVisible(!places.isEmpty());
}

} // namespace ostrevin
