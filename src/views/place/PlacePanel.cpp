#include "views/place/PlacePanel.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "routedata/RouteMapPresentation.h"
#include "views/common/CoordinateText.h"
#include "views/common/DeviceBlockerNotice.h"
#include "views/common/NameReplacementQuestion.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/KeyedRows.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/PanelFooter.h"
#include "views/kit/PanelScaffold.h"
#include "views/kit/PanelSection.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/Symbols.h"
#include "views/place/CityChips.h"
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

/// A section's box with its list of rows.
QWidget* listBox(RowList* list)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(list);
    return box;
}

} // namespace

PlacePanel::PlacePanel(LocationPlannerViewModel& viewModel, PlaceSearchService& searchService, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_focusReturn(new FocusReturn(*this))
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

    auto* savedList = new RowList;
    m_savedRows =
        std::make_unique<KeyedRows<SavedLocation, LibraryRow>>(*static_cast<QBoxLayout*>(savedList->layout()));
    //: Section header: locations the user saved.
    m_savedSection = new PanelSection(tr("Saved locations"), listBox(savedList));
    auto* recentList = new RowList;
    m_recentRows =
        std::make_unique<KeyedRows<RouteHistoryItem, LibraryRow>>(*static_cast<QBoxLayout*>(recentList->layout()));
    //: Section header in the Place panel: recently set locations.
    m_recentSection = new PanelSection(tr("Recent"), listBox(recentList));
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

    connect(&viewModel.draft(), &RouteDraft::pointsChanged, this, &PlacePanel::refreshSelection);
    connect(&viewModel.hold(), &LocationHoldState::lockedPointChanged, this, &PlacePanel::refreshSelection);
    for (auto signal : {&DeviceState::helperStatusChanged, &DeviceState::isDeviceBusyChanged,
                        &DeviceState::isCheckingDeviceChanged, &DeviceState::lastDeviceCheckChanged})
        connect(&viewModel.device(), signal, this, &PlacePanel::refreshGates);
    for (auto signal :
         {&LocationHoldState::isIPhoneRouteRunningChanged, &LocationHoldState::isLocationLockRefreshingChanged,
          &LocationHoldState::isLocationResetPendingChanged})
        connect(&viewModel.hold(), signal, this, &PlacePanel::refreshGates);
    connect(&viewModel, &LocationPlannerViewModel::isPlanningAddressRouteChanged, this, &PlacePanel::refreshGates);
    connect(&viewModel.draft(), &RouteDraft::pointsChanged, this, &PlacePanel::refreshGates);
    connect(&viewModel.library(), &LocationLibrary::savedLocationsChanged, this, [this] {
        refreshSavedLocations();
        refreshSelection();
    });
    connect(&viewModel.library(), &LocationLibrary::historyChanged, this, &PlacePanel::refreshRecentPlaces);

    // The selected place card's star saves under the card's name and may ask first.
    m_replacement = new NameReplacementQuestion(*this, viewModel, NameReplacementQuestion::Kind::location,
                                                QStringLiteral("locationNameReplacement"));

    refreshSavedLocations();
    refreshRecentPlaces();
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
        // Shown at once, not when the layout gets round to it: the search field that
        // picked this place hands its focus on to what now follows it, the card.
        m_card->show();
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
    m_savedRows->forEach([canEdit](LibraryRow& row, const SavedLocation&) { row.setRowEnabled(canEdit); });
    m_recentRows->forEach([canEdit](LibraryRow& row, const RouteHistoryItem&) { row.setRowEnabled(canEdit); });
    m_notice->refresh();
    m_setLocation->setEnabled(m_viewModel.draft().selectedPoint().has_value() && m_viewModel.canChangeIPhoneLocation());
    // A send took the keyboard's control from under it: Return and Tab go on from
    // there, not from the window's first control.
    // Not before a background verification is over too: Set location is disabled while it runs.
    if (m_viewModel.canRunDeviceAction())
        m_focusReturn->workEnded();
}

void PlacePanel::refreshSavedLocations()
{
    const QList<SavedLocation>& saved = m_viewModel.library().savedLocations();
    const auto show = [](LibraryRow& row, const SavedLocation& location, qsizetype) {
        row.setTitle(location.name);
        row.setSubtitle(common::coordinateText(location.point.latitude, location.point.longitude));
    };
    m_savedRows->sync(
        saved.mid(0, savedLocationLimit),
        [this, &show](const SavedLocation& location, qsizetype index) {
            auto* row = new LibraryRow("star"_symbol, QString(), QString());
            show(*row, location, index);
            row->setRowEnabled(m_viewModel.canEditRouteDraft());
            connect(row, &LibraryRow::activated, this, [this, row] {
                if (const SavedLocation* shown = m_savedRows->itemOf(row))
                    m_viewModel.selectPlace(RoutePoint(shown->point),
                                            LocationPlannerViewModel::MapFraming::frameSelection);
            });
            return row;
        },
        show);
    m_savedSection->setVisible(!saved.isEmpty());
}

void PlacePanel::refreshRecentPlaces()
{
    const QList<RouteHistoryItem> places = recentPlaces(m_viewModel.library().history());
    const auto show = [](LibraryRow& row, const RouteHistoryItem& item, qsizetype) {
        const RoutePoint& point = item.points.first();
        row.setTitle(item.title);
        row.setSubtitle(common::coordinateText(point.latitude, point.longitude));
    };
    m_recentRows->sync(
        places,
        [this, &show](const RouteHistoryItem& item, qsizetype index) {
            auto* row = new LibraryRow("clock"_symbol, QString(), QString());
            show(*row, item, index);
            row->setRowEnabled(m_viewModel.canEditRouteDraft());
            connect(row, &LibraryRow::activated, this, [this, row] {
                if (const RouteHistoryItem* shown = m_recentRows->itemOf(row))
                    m_viewModel.loadHistory(RouteHistoryItem(*shown));
            });
            return row;
        },
        show);
    m_recentSection->setVisible(!places.isEmpty());
}

} // namespace ostrevin
