#include "views/library/HistoryPanel.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/IconButton.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/PanelScaffold.h"
#include "views/kit/RelativeTimeTicker.h"
#include "views/library/LibraryTexts.h"
#include "views/library/LibraryWidgets.h"

#include <QVBoxLayout>

namespace ostrevin {

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
    m_content = library::columnLayout(content);
    scaffold->addContent(content);

    connect(&m_viewModel.library(), &LocationLibrary::historyChanged, this, &HistoryPanel::rebuild);
    library::connectGates(m_viewModel, this, [this] { syncGates(); });
    m_ticker = new kit::RelativeTimeTicker(*this, [this] {
        // Rebuilt only when a relative date reads differently by now.
        if (dateTexts() != m_shownDates)
            rebuild();
    });
    rebuild();
}

QStringList HistoryPanel::dateTexts() const
{
    const QDateTime now = m_viewModel.clock().wallNow();
    QStringList texts;
    for (const RouteHistoryItem& entry : m_viewModel.library().history())
        texts << library::relativeDateText(entry.createdAt, now);
    return texts;
}

void HistoryPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Relative dates are drawn anew whenever the panel comes back on screen.
    rebuild();
}

void HistoryPanel::rebuild()
{
    m_rows.clear();
    m_shownDates = dateTexts();
    library::clearLayout(m_content);
    LocationPlannerViewModel& vm = m_viewModel;
    MainWindowState& windowState = vm.windowState();
    if (vm.library().history().isEmpty()) {
        //: Empty state of the History panel.
        m_content->addWidget(new kit::EmptyStateView(
            "clock.arrow.circlepath"_symbol, tr("Locations you set and routes you play appear here."),
            //: Button in an empty state; opens the Place panel.
            tr("Choose a place"), [&windowState] { windowState.setSection(AppSection::place); }));
        return;
    }
    auto* list = new kit::RowList;
    m_content->addWidget(list);
    const QDateTime now = vm.clock().wallNow();
    for (const RouteHistoryItem& entry : vm.library().history()) {
        const bool isRoute = entry.points.size() >= 2;
        const AppSection section = isRoute ? AppSection::route : AppSection::place;
        const QString when = library::relativeDateText(entry.createdAt, now);
        const QString subtitle =
            isRoute ? library::summaryLine({title(entry.transportMode),
                                            LocationPlannerViewModel::pointCountText(entry.points.size()), when})
                    : when;
        //: Primary button of the Route panel; also a tooltip and menu item for saved routes and history. Keep short.
        const QString buttonTitle = isRoute ? tr("Start route")
                                            //: Primary button of the Place panel; also a tooltip for history items.
                                            //: Keep short.
                                            : tr("Set location");
        auto* reuse = new kit::IconButton(buttonTitle, isRoute ? "play.fill"_symbol : "location.fill"_symbol,
                                          kit::BrandColor::AccentText);
        auto* row = new kit::LibraryRow(isRoute ? library::transportModeSymbol(entry.transportMode) : "mappin"_symbol,
                                        entry.title, subtitle, reuse);
        //: Tooltip and menu item: shows a saved location, saved route or history item on the map without sending
        //: it to the iPhone.
        row->setHint(tr("Load on the map"));
        // The section follows whether or not the view model took the call.
        connect(row, &kit::LibraryRow::activated, this, [&vm, &windowState, entry, section] {
            vm.loadHistory(entry);
            windowState.setSection(section);
        });
        connect(reuse, &QAbstractButton::clicked, this, [&vm, &windowState, entry, section] {
            vm.reuseHistory(entry);
            windowState.setSection(section);
        });
        list->addRow(row);
        m_rows.append({row, reuse});
    }
    syncGates();
}

void HistoryPanel::syncGates()
{
    const bool canEdit = m_viewModel.canEditRouteDraft();
    const bool canChange = m_viewModel.canChangeIPhoneLocation();
    for (const Row& row : std::as_const(m_rows)) {
        row.row->setRowEnabled(canEdit);
        row.reuse->setEnabled(canChange);
    }
}

} // namespace ostrevin
