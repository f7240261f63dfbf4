#include "views/route/RoutePanel.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/PlannerTexts.h"
#include "routedata/RouteMapPresentation.h"
#include "routedata/RouteSpeedCalculator.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/TovrelFormat.h"
#include "views/common/DeletionConfirmation.h"
#include "views/common/DeviceBlockerNotice.h"
#include "views/common/LibraryTexts.h"
#include "views/common/NameReplacementQuestion.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/FocusedWheel.h"
#include "views/kit/IconButton.h"
#include "views/kit/InlineNotice.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/KeyedRows.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Layouts.h"
#include "views/kit/LinkButton.h"
#include "views/kit/PanelFooter.h"
#include "views/kit/PanelScaffold.h"
#include "views/kit/PanelSection.h"
#include "views/kit/RelativeTimeTicker.h"
#include "views/kit/Spinner.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"
#include "views/place/PlaceSearchField.h"
#include "views/route/EndpointGlyph.h"
#include "views/route/RouteAlternativeRow.h"
#include "views/route/RouteDetailsView.h"
#include "views/route/RoutePointRow.h"
#include "views/route/RouteSummaryCard.h"
#include "views/route/TravelModePicker.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

namespace ostrevin {

using namespace kit;

namespace {

/// A caption over a value line, as the travel mode and speed controls show them.
QWidget* captionedValue(const QString& caption, KitLabel* value)
{
    auto* box = new QWidget;
    auto* layout = kit::columnLayout(box, 1);
    auto* title = new KitLabel(caption, TextStyle::Caption);
    title->setColorRole(BrandColor::Secondary);
    layout->addWidget(title);
    value->setTextStyle(TextStyle::Callout, QFont::Medium);
    layout->addWidget(value);
    return box;
}

} // namespace

RoutePanel::RoutePanel(LocationPlannerViewModel& viewModel, PlaceSearchService& searchService, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_now([] { return QDateTime::currentDateTimeUtc(); }),
      m_searchService(searchService)
{
    m_confirmation = new DeletionConfirmation(*this, viewModel);
    m_focusReturn = new FocusReturn(*this);

    //: Tooltip and VoiceOver label of the button that clears the current route so a new one can be planned.
    m_reset = new IconButton(tr("Choose a new start and destination"), "arrow.counterclockwise"_symbol,
                             BrandColor::Secondary);

    m_upper = new QWidget;
    auto* upper = kit::columnLayout(m_upper, 16);
    upper->addWidget(buildEndpointFields(searchService));
    upper->addWidget(buildTravelModeControl());
    upper->addWidget(buildSpeedControl());
    upper->addWidget(buildPlanningStatus());

    m_alternativesBox = new QWidget;
    m_alternativeRows =
        std::make_unique<KeyedRows<PlannedRouteOption, RouteAlternativeRow>>(*kit::columnLayout(m_alternativesBox, 4));
    //: Section header: other routes the directions service suggests.
    m_alternativesSection = new PanelSection(tr("Alternatives"), m_alternativesBox);

    //: Empty state of the Route panel when no route is planned.
    m_emptyState = new EmptyStateView("point.topleft.down.to.point.bottomright.curvepath"_symbol,
                                      tr("Enter a start and destination, or click the map."));
    m_routeHolder = new QWidget;
    kit::columnLayout(m_routeHolder, 0);

    m_blocker = new DeviceBlockerNotice(viewModel);
    //: Button in the Route panel footer: plays the route on the iPhone.
    m_startRoute = new ActionButton(tr("Start route"), ActionButton::Kind::Primary);
    m_startRoute->setSymbol("play.fill"_symbol);
    //: Tooltip of the Start route button.
    m_startRoute->setToolTip(tr("Plays the route on iPhone from start to destination."));
    auto* footer = new PanelFooter;
    footer->addContent(m_blocker);
    footer->addContent(m_startRoute);

    //: Route (noun). Also the sidebar section and the fallback name of an unnamed route.
    auto* scaffold = new PanelScaffold(tr("Route"), m_reset, footer);
    scaffold->addContent(m_upper);
    scaffold->addContent(m_alternativesSection);
    scaffold->addContent(m_emptyState);
    scaffold->addContent(m_routeHolder);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scaffold);

    connect(m_reset, &QAbstractButton::clicked, this, &RoutePanel::resetClicked);
    connect(m_startRoute, &QPushButton::clicked, this, [this] { m_viewModel.startIPhoneRoute(); });

    for (auto signal :
         {&RouteDraft::pointsChanged, &RouteDraft::routeMetricsChanged, &RouteDraft::routeAlternativesChanged,
          &RouteDraft::selectedRouteAlternativeIDChanged, &RouteDraft::addressRouteMessageChanged,
          &RouteDraft::selectedTransportModeChanged, &RouteDraft::selectedSpeedProfileChanged,
          &RouteDraft::speedKmhChanged, &RouteDraft::routeStartPointChanged, &RouteDraft::routeDestinationPointChanged,
          &RouteDraft::routeNameChanged})
        connect(&viewModel.draft(), signal, this, &RoutePanel::refresh);
    // What the device and the other operations allow.
    using VM = LocationPlannerViewModel;
    connect(&viewModel, &VM::isPlanningAddressRouteChanged, this, &RoutePanel::refresh);
    for (auto signal :
         {&LocationHoldState::isIPhoneRouteRunningChanged, &LocationHoldState::isLocationLockRefreshingChanged,
          &LocationHoldState::isLocationResetPendingChanged, &LocationHoldState::lastPushedPointIDChanged})
        connect(&viewModel.hold(), signal, this, &RoutePanel::refresh);
    for (auto signal :
         {&DeviceState::isDeviceBusyChanged, &DeviceState::isCheckingDeviceChanged, &DeviceState::helperStatusChanged,
          &DeviceState::isOnlineChanged, &DeviceState::lastDeviceCheckChanged})
        connect(&viewModel.device(), signal, this, &RoutePanel::refresh);
    connect(&viewModel, &VM::unitsChanged, this, [this] {
        // Alternatives and steps are otherwise written only when their route changes.
        m_alternativeRows->clear();
        if (m_details)
            m_details->rewriteDirections();
        refresh();
    });
    // The arrival is a time of day counted from now: it moves on while shown.
    m_arrivalTicker = new RelativeTimeTicker(*this, [this] {
        if (m_details)
            m_details->refreshArrival(m_now());
    });
    m_replacement = new NameReplacementQuestion(*this, viewModel, NameReplacementQuestion::Kind::route,
                                                QStringLiteral("routeNameReplacement"));
    refresh();
}

RoutePanel::~RoutePanel() = default;

QMessageBox* RoutePanel::replacementQuestion() const
{
    return m_replacement->dialog();
}

void RoutePanel::setStartRouteStandIn(std::function<QWidget*()> standIn)
{
    m_focusReturn->setStandIn(std::move(standIn));
}

void RoutePanel::setClock(std::function<QDateTime()> now)
{
    m_now = std::move(now);
    refresh();
}

// ---- Building ----

QWidget* RoutePanel::buildEndpointFields(PlaceSearchService& searchService)
{
    //: Name of a route’s start point; also the label of the start address field. Keep short.
    m_start = new PlaceSearchField(searchService, tr("Start"), new EndpointGlyph(EndpointGlyph::Kind::start));
    //: Name of a route’s destination point; also the label of the destination address field. Keep short.
    m_destination =
        new PlaceSearchField(searchService, tr("Destination"), new EndpointGlyph(EndpointGlyph::Kind::destination));
    m_start->setObjectName(QStringLiteral("startField"));
    m_destination->setObjectName(QStringLiteral("destinationField"));
    for (PlaceSearchField* field : {m_start, m_destination}) {
        const bool isStart = field == m_start;
        const auto end =
            isStart ? LocationPlannerViewModel::RouteEnd::start : LocationPlannerViewModel::RouteEnd::destination;
        connect(field, &PlaceSearchField::resolutionStarted, this,
                [this, isStart] { (isStart ? m_startAtSearch : m_destinationAtSearch) = endpointID(isStart); });
        connect(field, &PlaceSearchField::picked, this, [this, isStart, end](const RoutePoint& point) {
            // A slow search must not replace an end chosen since it began (a map
            // click, a loaded route): it applies only over the end it was meant to replace.
            if (endpointID(isStart) == (isStart ? m_startAtSearch : m_destinationAtSearch))
                m_viewModel.setRouteEndpoint(point, end);
        });
        connect(field, &PlaceSearchField::cleared, this, [this, end] { m_viewModel.clearRouteEndpoint(end); });
        connect(field, &PlaceSearchField::failed, this,
                [this](const QString& message) { m_viewModel.setNotice(message); });
    }
    auto followCamera = [this] {
        const auto centre = m_viewModel.mapPresentation().cameraPosition().center;
        for (PlaceSearchField* field : {m_start, m_destination})
            field->setSearchBias(std::pair{centre.latitude, centre.longitude});
    };
    followCamera();
    connect(&m_viewModel.mapPresentation(), &RouteMapPresentation::cameraPositionChanged, this, followCamera);

    auto* box = new QWidget;
    auto* layout = kit::columnLayout(box, 8);
    layout->addWidget(m_start);
    layout->addWidget(m_destination);
    return box;
}

QWidget* RoutePanel::buildTravelModeControl()
{
    m_travelModeTitle = new KitLabel;
    //: Caption above the selected travel mode, and the VoiceOver label of the travel mode picker.
    const QString caption = tr("Travel mode");
    QWidget* label = captionedValue(caption, m_travelModeTitle);
    m_travelMode = new TravelModePicker(m_viewModel.transportModes());
    m_travelMode->setAccessibleName(caption);
    connect(m_travelMode, &TravelModePicker::picked, this, &RoutePanel::travelModePicked);

    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    line->addWidget(label, 1);
    line->addWidget(m_travelMode, 0, Qt::AlignVCenter);

    //: Warning in the Route panel while the computer is offline.
    m_offline = new InlineNotice("wifi.slash"_symbol, tr("A route can’t be planned without an internet connection."),
                                 BrandColor::Attention);
    auto* box = new QWidget;
    auto* layout = kit::columnLayout(box, 6);
    layout->addLayout(line);
    layout->addWidget(m_offline);
    return box;
}

QWidget* RoutePanel::buildSpeedControl()
{
    m_speedSummary = new KitLabel;
    m_speedSummary->setTabularDigits(true);
    //: Caption above the speed of the selected profile, and the VoiceOver label of the speed menu.
    const QString caption = tr("Speed");
    QWidget* label = captionedValue(caption, m_speedSummary);

    m_speedMenu = new QComboBox;
    m_speedMenu->setAccessibleName(caption);
    for (RouteSpeedProfile profile : m_viewModel.speedProfiles())
        m_speedMenu->addItem(title(profile));
    m_speedMenu->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // The panel scrolls: a wheel turned to scroll past the menu must not change the speed.
    kit::takeWheelOnlyWithFocus(*m_speedMenu);
    connect(m_speedMenu, &QComboBox::activated, this,
            [this](int index) { m_viewModel.setSelectedSpeedProfile(m_viewModel.speedProfiles().at(index)); });

    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    line->addWidget(label, 1);
    line->addWidget(m_speedMenu, 0, Qt::AlignVCenter);

    //: Label before the slider of the extreme speed profile: the speed in towns.
    auto* inTown = new KitLabel(tr("In town"), TextStyle::Caption);
    inTown->setColorRole(BrandColor::Secondary);
    inTown->setMaximumLines(1);
    m_townSpeed = new QSlider(Qt::Horizontal);
    m_townSpeed->setRange(slowestTownSpeed, fastestTownSpeed);
    m_townSpeed->setSingleStep(townSpeedStep);
    m_townSpeed->setPageStep(townSpeedStep * 4);
    //: VoiceOver label of the slider of the extreme speed profile.
    m_townSpeed->setAccessibleName(tr("Speed in town"));
    kit::takeWheelOnlyWithFocus(*m_townSpeed);
    // Only the user's moves write the speed: a stored speed the slider cannot show
    // (a planned route may set up to 300 km/h) stays until the user moves it.
    connect(m_townSpeed, &QAbstractSlider::actionTriggered, this,
            [this](int) { m_viewModel.setSpeedKmh(townSpeedForPosition(m_townSpeed->sliderPosition())); });
    m_townSpeedValue = new KitLabel(QString(), TextStyle::Caption);
    m_townSpeedValue->setColorRole(BrandColor::Secondary);
    m_townSpeedValue->setTabularDigits(true);
    m_townSpeedValue->setMaximumLines(1);
    m_townSpeedRow = new QWidget;
    auto* slider = new QHBoxLayout(m_townSpeedRow);
    slider->setContentsMargins(0, 0, 0, 0);
    slider->addWidget(inTown);
    slider->addWidget(m_townSpeed, 1);
    slider->addWidget(m_townSpeedValue);

    m_speedControl = new QWidget;
    auto* layout = kit::columnLayout(m_speedControl, 6);
    layout->addLayout(line);
    layout->addWidget(m_townSpeedRow);
    return m_speedControl;
}

QWidget* RoutePanel::buildPlanningStatus()
{
    m_progress = new QWidget;
    auto* progress = new QHBoxLayout(m_progress);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->setSpacing(8);
    m_progressText = new KitLabel(QString(), TextStyle::Callout);
    m_progressText->setColorRole(BrandColor::Secondary);
    progress->addWidget(new Spinner(16), 0, Qt::AlignVCenter);
    progress->addWidget(m_progressText, 1);

    //: Button in the Route panel: plans the route between the start and destination.
    m_plan = new ActionButton(tr("Plan route"), ActionButton::Kind::Secondary);
    m_plan->setSymbol("arrow.triangle.turn.up.right.diamond"_symbol);
    //: Tooltip of the Plan route button.
    m_plan->setToolTip(tr("Calculates the route between the start and destination with the directions service."));
    connect(m_plan, &QPushButton::clicked, this, [this] { m_viewModel.replanRoute(); });

    m_planningStatus = new QWidget;
    auto* layout = kit::columnLayout(m_planningStatus, 0);
    layout->addWidget(m_progress);
    layout->addWidget(m_plan);
    return m_planningStatus;
}

// ---- Rules ----

std::optional<RouteTransportMode> RoutePanel::shownTransportMode(RouteTransportMode stored)
{
    if (stored == RouteTransportMode::any)
        return std::nullopt;
    return foldedTransit(stored);
}

double RoutePanel::townSpeedForPosition(int position)
{
    const int steps = static_cast<int>(std::lround(double(position - slowestTownSpeed) / townSpeedStep));
    return std::clamp(slowestTownSpeed + steps * townSpeedStep, slowestTownSpeed, fastestTownSpeed);
}

std::optional<QUuid> RoutePanel::endpointID(bool isStart) const
{
    const auto point =
        isStart ? m_viewModel.draft().routeStartDisplayPoint() : m_viewModel.draft().routeDestinationDisplayPoint();
    return point ? std::optional(point->id) : std::nullopt;
}

bool RoutePanel::hasBothEndpoints() const
{
    return m_viewModel.draft().routeStartDisplayPoint() && m_viewModel.draft().routeDestinationDisplayPoint();
}

void RoutePanel::travelModePicked(RouteTransportMode mode)
{
    // Against the stored mode, not the shown one: transit picked over a stored bus is a change.
    if (mode == m_viewModel.draft().selectedTransportMode()) {
        refreshTravelMode();
        return;
    }
    const qsizetype plannedAlternatives = m_viewModel.draft().routeAlternatives().size();
    m_viewModel.setSelectedTransportMode(mode);
    if (plannedAlternatives != 0 && hasBothEndpoints() && m_viewModel.device().isOnline())
        m_viewModel.replanRoute();
}

void RoutePanel::resetClicked()
{
    // A planned or drawn route is work: it goes only after the user confirms.
    if (m_viewModel.draft().points().size() >= 2) {
        m_confirmation->ask(PendingDeletion::completeRoute());
        return;
    }
    m_viewModel.resetMapRouteSelection();
}

// ---- Refreshing ----

void RoutePanel::refresh()
{
    const bool canEdit = m_viewModel.canEditRouteDraft();
    m_reset->setEnabled(!m_viewModel.draft().points().isEmpty() && canEdit);
    m_upper->setEnabled(canEdit);
    refreshEndpoints();
    refreshTravelMode();
    refreshSpeed();
    refreshPlanningStatus();
    refreshAlternatives();
    refreshRouteBlock();
    m_blocker->refresh();
    m_startRoute->setEnabled(m_viewModel.draft().points().size() >= 2 && m_viewModel.canChangeIPhoneLocation());
    // A planning or a send took the keyboard's control from under it: Return and Tab
    // go on from there, not from the window's first control. A route that plays is no
    // work: its start is over, and Stop route has the keyboard in Start route's place.
    // Start route, disabled while a verification runs, takes it back only after one.
    if (!m_viewModel.isDeviceOperationInProgress() && !m_viewModel.isPlanningAddressRoute())
        m_focusReturn->workEnded();
}

void RoutePanel::refreshEndpoints()
{
    const auto shown = [](const std::optional<RoutePoint>& point) -> std::optional<QString> {
        if (!point)
            return std::nullopt;
        return PlannerTexts::displayName(*point);
    };
    m_start->setValue(shown(m_viewModel.draft().routeStartDisplayPoint()));
    m_destination->setValue(shown(m_viewModel.draft().routeDestinationDisplayPoint()));
    const bool canEdit = m_viewModel.canEditRouteDraft();
    m_start->setEnabled(canEdit);
    m_destination->setEnabled(canEdit);
}

void RoutePanel::refreshTravelMode()
{
    const RouteTransportMode stored = m_viewModel.draft().selectedTransportMode();
    m_travelModeTitle->setText(title(stored));
    m_travelMode->setShownMode(shownTransportMode(stored));
    m_travelMode->setAccessibleDescription(title(stored));
    const QString hint = planningHint(stored);
    m_travelMode->setToolTip(hint.isEmpty() ? title(stored) : hint);
    m_offline->setVisible(!m_viewModel.device().isOnline());
}

void RoutePanel::refreshSpeed()
{
    m_speedControl->setEnabled(!m_viewModel.hold().isIPhoneRouteRunning());
    m_speedSummary->setText(m_viewModel.draft().speedProfileSummary());
    const qsizetype profile = m_viewModel.speedProfiles().indexOf(m_viewModel.draft().selectedSpeedProfile());
    if (m_speedMenu->currentIndex() != profile) {
        const QSignalBlocker blocker(m_speedMenu);
        m_speedMenu->setCurrentIndex(static_cast<int>(profile));
    }
    const bool extreme = m_viewModel.draft().selectedSpeedProfile() == RouteSpeedProfile::extreme;
    m_townSpeedRow->setVisible(extreme);
    const double speed = m_viewModel.draft().speedKmh();
    {
        // Shows the nearest position it has; the stored speed stays as it is.
        const QSignalBlocker blocker(m_townSpeed);
        const double shown = std::isfinite(speed) ? speed : slowestTownSpeed;
        m_townSpeed->setValue(
            static_cast<int>(std::clamp<double>(std::round(shown), slowestTownSpeed, fastestTownSpeed)));
    }
    // The town speed the profile drives, as the summary beside the menu says it: a
    // planned or loaded speed below the profile's least is driven at that least.
    const double townSpeed = drivingSpeedsKmh(RouteSpeedProfile::extreme, speed).city;
    m_townSpeed->setAccessibleDescription(TovrelFormat::speed(townSpeed, TovrelFormat::UnitWidth::Wide));
    m_townSpeedValue->setText(TovrelFormat::speed(townSpeed, TovrelFormat::UnitWidth::Abbreviated));
    //: Tooltip of the speed profile control. Both %1 and %2 are speeds with units, e.g. “50 km/h” and “90 km/h”.
    //: “Normal” is the speed profile name.
    m_speedMenu->setToolTip(tr("At Normal speed, driving averages about %1 in town and %2 outside town.")
                                .arg(TovrelFormat::speed(50, TovrelFormat::UnitWidth::Abbreviated),
                                     TovrelFormat::speed(90, TovrelFormat::UnitWidth::Abbreviated)));
}

QString RoutePanel::townSpeedText() const
{
    return m_townSpeedValue->text();
}

void RoutePanel::refreshPlanningStatus()
{
    const bool planning = m_viewModel.isPlanningAddressRoute();
    m_progress->setVisible(planning);
    //: Progress text (map banner and next to the Plan route button).
    const QString message = m_viewModel.draft().addressRouteMessage();
    m_progressText->setText(message.isEmpty() ? tr("Calculating route…") : message);
    m_plan->setVisible(!planning && hasBothEndpoints() && m_viewModel.draft().routeAlternatives().isEmpty());
    m_plan->setEnabled(m_viewModel.device().isOnline());
    // An empty slot would still take the group's spacing.
    m_planningStatus->setVisible(!m_progress->isHidden() || !m_plan->isHidden());
}

QString RoutePanel::progressText() const
{
    return m_progressText->text();
}

void RoutePanel::refreshAlternatives()
{
    const QList<PlannedRouteOption>& options = m_viewModel.draft().routeAlternatives();
    m_alternativesSection->setVisible(options.size() >= 2);
    m_alternativesBox->setEnabled(m_viewModel.canEditRouteDraft());
    m_alternativeRows->sync(options.size() >= 2 ? options : QList<PlannedRouteOption>(),
                            [this](const PlannedRouteOption& option, qsizetype) {
                                const QString detail =
                                    common::summaryLine({TovrelFormat::distance(option.distance),
                                                         PlannerTexts::durationText(option.expectedTravelTime)});
                                auto* row = new RouteAlternativeRow(option, false, detail);
                                connect(row, &QAbstractButton::clicked, this, [this, row] {
                                    // Checked again at the click: the state may have changed since the row was drawn.
                                    if (m_viewModel.canEditRouteDraft())
                                        m_viewModel.selectRouteAlternative(PlannedRouteOption(row->option()));
                                });
                                return row;
                            });
    const auto& selected = m_viewModel.draft().selectedRouteAlternativeID();
    m_alternativeRows->forEach([&selected](RouteAlternativeRow& row, const PlannedRouteOption& option) {
        row.setChecked(selected && option.id == *selected);
    });
}

QList<RouteAlternativeRow*> RoutePanel::alternativeRows() const
{
    return m_alternativeRows->rows();
}

void RoutePanel::refreshRouteBlock()
{
    const qsizetype count = m_viewModel.draft().points().size();
    m_emptyState->setVisible(count == 0);
    if (count < 2) {
        // Made afresh, groups folded, when the draft grows back to a route.
        if (m_details) {
            m_details->hide();
            m_details->deleteLater();
            m_details = nullptr;
        }
        return;
    }
    if (!m_details) {
        m_details = new RouteDetailsView(m_viewModel, m_searchService, *m_confirmation);
        m_routeHolder->layout()->addWidget(m_details);
    }
    m_details->refresh(m_now());
}

RouteSummaryCard* RoutePanel::summaryCard() const
{
    return m_details ? m_details->summaryCard() : nullptr;
}

DisclosureGroup* RoutePanel::directionsGroup() const
{
    return m_details ? m_details->directionsGroup() : nullptr;
}

DisclosureGroup* RoutePanel::pointsGroup() const
{
    return m_details ? m_details->pointsGroup() : nullptr;
}

KitLabel* RoutePanel::longRouteNotice() const
{
    return m_details ? m_details->longRouteNotice() : nullptr;
}

QList<RoutePointRow*> RoutePanel::pointRows() const
{
    return m_details ? m_details->pointRows() : QList<RoutePointRow*>();
}

PlaceSearchField* RoutePanel::addPointField() const
{
    return m_details ? m_details->addPointField() : nullptr;
}

QAbstractButton* RoutePanel::clearRouteButton() const
{
    return m_details ? m_details->clearRouteButton() : nullptr;
}

} // namespace ostrevin
