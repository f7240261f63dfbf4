#include "views/library/HistoryPanel.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "planner/PlannerTexts.h"
#include "views/common/LibraryTexts.h"
#include "views/common/RowMenu.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/IconButton.h"
#include "views/kit/KeyedRows.h"
#include "views/kit/Layouts.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/PanelScaffold.h"
#include "views/kit/RelativeTimeTicker.h"

#include <QVBoxLayout>

namespace ostrevin {

namespace {

bool isRouteEntry(const RouteHistoryItem& entry)
{
    return entry.points.size() >= 2;
}

AppSection sectionOf(const RouteHistoryItem& entry)
{
    return isRouteEntry(entry) ? AppSection::route : AppSection::place;
}

} // namespace

HistoryPanel::HistoryPanel(LocationPlannerViewModel& viewModel, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel)
{
    setObjectName(QStringLiteral("HistoryPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    //: Main navigation: recently used locations and routes. Short label under an icon in the narrow navigation
    //: rail (one word if possible); also a View menu item.
    auto* scaffold = new kit::PanelScaffold(tr("History"));
    layout->addWidget(scaffold);
    auto* content = new QWidget;
    QVBoxLayout* column = kit::columnLayout(content);
    MainWindowState& windowState = m_viewModel.windowState();
    //: Empty state of the History panel.
    m_empty = new kit::EmptyStateView(
        "clock.arrow.circlepath"_symbol, tr("Locations you set and routes you play appear here."),
        //: Button in an empty state; opens the Place panel.
        tr("Choose a place"), [&windowState] { windowState.setSection(AppSection::place); });
    m_list = new kit::RowList;
    column->addWidget(m_empty);
    column->addWidget(m_list);
    m_rows = std::make_unique<kit::KeyedRows<RouteHistoryItem, kit::LibraryRow>>(
        *static_cast<QBoxLayout*>(m_list->layout()));
    scaffold->addContent(content);

    connect(&m_viewModel.library(), &LocationLibrary::historyChanged, this, &HistoryPanel::refresh);
    common::connectGates(m_viewModel, this, [this] { syncGates(); });
    m_ticker = new kit::RelativeTimeTicker(*this, [this] {
        // Written only when a relative date reads differently by now.
        if (dateTexts() != m_shownDates)
            refreshDates();
    });
    refresh();
}

QStringList HistoryPanel::dateTexts() const
{
    const QDateTime now = m_viewModel.clock().wallNow();
    QStringList texts;
    for (const RouteHistoryItem& entry : m_viewModel.library().history())
        texts << common::relativeDateText(entry.createdAt, now);
    return texts;
}

void HistoryPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Relative dates are drawn anew whenever the panel comes back on screen.
    refreshDates();
}

void HistoryPanel::refresh()
{
    m_shownDates = dateTexts();
    const QList<RouteHistoryItem>& history = m_viewModel.library().history();
    const QDateTime now = m_viewModel.clock().wallNow();
    m_rows->sync(
        history,
        [this, &now](const RouteHistoryItem& entry, qsizetype) {
            kit::LibraryRow* row = makeRow();
            showEntry(*row, entry, now);
            return row;
        },
        [this, &now](kit::LibraryRow& row, const RouteHistoryItem& entry, qsizetype) { showEntry(row, entry, now); });
    m_empty->setVisible(history.isEmpty());
    m_list->setVisible(!history.isEmpty());
    syncGates();
}

void HistoryPanel::refreshDates()
{
    m_shownDates = dateTexts();
    const QDateTime now = m_viewModel.clock().wallNow();
    m_rows->forEach([this, &now](kit::LibraryRow& row, const RouteHistoryItem& entry) { showEntry(row, entry, now); });
}

kit::LibraryRow* HistoryPanel::makeRow()
{
    auto* reuse = new kit::IconButton(QString(), "location.fill"_symbol, kit::BrandColor::AccentText);
    auto* row = new kit::LibraryRow("mappin"_symbol, QString(), QString(), reuse);
    //: Tooltip and menu item: shows a saved location, saved route or history item on the map without sending
    //: it to the iPhone.
    row->setHint(tr("Load on the map"));
    LocationPlannerViewModel& vm = m_viewModel;
    MainWindowState& windowState = vm.windowState();
    // The section follows whether or not the view model took the call.
    connect(row, &kit::LibraryRow::activated, this, [this, row, &vm, &windowState] {
        if (const RouteHistoryItem* entry = m_rows->itemOf(row)) {
            const RouteHistoryItem taken = *entry;
            vm.loadHistory(taken);
            windowState.setSection(sectionOf(taken));
        }
    });
    connect(reuse, &QAbstractButton::clicked, this, [this, row, &vm, &windowState] {
        if (const RouteHistoryItem* entry = m_rows->itemOf(row)) {
            const RouteHistoryItem taken = *entry;
            vm.reuseHistory(taken);
            windowState.setSection(sectionOf(taken));
        }
    });
    return row;
}

void HistoryPanel::showEntry(kit::LibraryRow& row, const RouteHistoryItem& entry, const QDateTime& now) const
{
    const bool isRoute = isRouteEntry(entry);
    const QString when = common::relativeDateText(entry.createdAt, now);
    row.setTitle(entry.title);
    row.setSubtitle(isRoute ? common::summaryLine(
                                  {title(entry.transportMode), PlannerTexts::pointCountText(entry.points.size()), when})
                            : when);
    row.setSymbol(isRoute ? common::transportModeSymbol(entry.transportMode) : "mappin"_symbol);
    auto* reuse = row.findChild<kit::IconButton*>();
    //: Primary button of the Route panel; also a tooltip and menu item for saved routes and history. Keep short.
    reuse->setTitle(isRoute ? tr("Start route")
                            //: Primary button of the Place panel; also a tooltip for history items.
                            //: Keep short.
                            : tr("Set location"));
    reuse->setSymbol(isRoute ? "play.fill"_symbol : "location.fill"_symbol);
}

void HistoryPanel::syncGates()
{
    const bool canEdit = m_viewModel.canEditRouteDraft();
    const bool canChange = m_viewModel.canChangeIPhoneLocation();
    m_rows->forEach([canEdit, canChange](kit::LibraryRow& row, const RouteHistoryItem&) {
        row.setRowEnabled(canEdit);
        row.findChild<kit::IconButton*>()->setEnabled(canChange);
    });
}

} // namespace ostrevin
