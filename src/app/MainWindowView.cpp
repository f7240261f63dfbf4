#include "app/MainWindowView.h"

#include "app/NavigationRail.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "views/kit/Brand.h"
#include "views/kit/EdgeTransition.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/Question.h"
#include "views/kit/Symbols.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QMessageBox>
#include <QPainter>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace ostrevin {

namespace {

constexpr int controlBarPadding = 16;

QWidget* emptySlot(const QString& name)
{
    auto* slot = new QWidget;
    slot->setObjectName(name);
    auto* layout = new QVBoxLayout(slot);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return slot;
}

/// A hairline between two columns, in the faint separator colour of the kit.
class Divider final : public QWidget {
public:
    Divider()
    {
        setObjectName(QStringLiteral("railDivider"));
        setFixedWidth(1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), kit::Brand::current().primaryAt(0.12));
    }
};

} // namespace

QString MainWindowView::objectName(Slot slot)
{
    switch (slot) {
    case Slot::placePanel:
        return QStringLiteral("placePanel");
    case Slot::routePanel:
        return QStringLiteral("routePanel");
    case Slot::savedPanel:
        return QStringLiteral("savedPanel");
    case Slot::historyPanel:
        return QStringLiteral("historyPanel");
    case Slot::mapColumn:
        return QStringLiteral("mapColumn");
    case Slot::simulationControlBar:
        return QStringLiteral("simulationControlBar");
    case Slot::deviceStatusPill:
        return QStringLiteral("deviceStatusPill");
    }
    return {};
}

MainWindowView::Slot MainWindowView::panelSlot(AppSection section)
{
    switch (section) {
    case AppSection::place:
        return Slot::placePanel;
    case AppSection::route:
        return Slot::routePanel;
    case AppSection::saved:
        return Slot::savedPanel;
    case AppSection::history:
        return Slot::historyPanel;
    }
    return Slot::placePanel;
}

QString MainWindowView::sidePanelToggleTitle(const MainWindowState& windowState)
{
    //: View menu item and toolbar button tooltip. Menu items use title case in English.
    return windowState.isSidePanelVisible() ? tr("Hide Side Panel") : tr("Show Side Panel");
}

MainWindowView::MainWindowView(LocationPlannerViewModel& viewModel, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_windowState(viewModel.windowState())
{
    setObjectName(QStringLiteral("mainWindowView"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_rail = new NavigationRail(m_windowState);
    row->addWidget(m_rail);
    row->addWidget(new Divider);

    m_sidePanel = new QWidget;
    m_sidePanel->setObjectName(QStringLiteral("sidePanel"));
    m_sidePanel->setAutoFillBackground(true);
    m_sidePanel->setBackgroundRole(QPalette::Window);
    m_sidePanel->setFixedWidth(sidePanelWidth);
    auto* sideLayout = new QVBoxLayout(m_sidePanel);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    m_panels = new QStackedWidget;
    m_panels->setObjectName(QStringLiteral("sidePanelStack"));
    // The panels keep their width while the column slides, so their content does
    // not reflow on every frame.
    m_panels->setFixedWidth(sidePanelWidth);
    for (const auto& [section, raw] : RawEnumTraits<AppSection>::cases)
        m_panels->addWidget(emptySlot(objectName(panelSlot(section))));
    sideLayout->addWidget(m_panels);
    row->addWidget(m_sidePanel);

    m_mapColumn = emptySlot(objectName(Slot::mapColumn));
    m_mapColumn->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_controlBar = emptySlot(objectName(Slot::simulationControlBar));
    m_controlBar->setParent(m_mapColumn);
    m_mapColumn->installEventFilter(this);
    m_controlBar->installEventFilter(this);
    row->addWidget(m_mapColumn, 1);

    m_toolBar = new QToolBar;
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_sidePanelToggle = m_toolBar->addAction(sidePanelToggleTitle(m_windowState));
    m_sidePanelToggle->setObjectName(QStringLiteral("sidePanelToggle"));
    connect(m_sidePanelToggle, &QAction::triggered, this,
            [this] { m_windowState.setSidePanelVisible(!m_windowState.isSidePanelVisible()); });
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar->addWidget(spacer);
    m_devicePill = emptySlot(objectName(Slot::deviceStatusPill));
    m_toolBar->addWidget(m_devicePill);
    //: Toolbar link that opens the settings window.
    m_settingsLink = m_toolBar->addAction(tr("Settings"));
    m_settingsLink->setObjectName(QStringLiteral("settingsLink"));
    //: Tooltip of the toolbar's settings link.
    m_settingsLink->setToolTip(tr("Open Settings"));
    connect(m_settingsLink, &QAction::triggered, this, &MainWindowView::settingsRequested);

    updateToolBarIcons();

    m_slide = new QVariantAnimation(this);
    m_slide->setDuration(200);
    m_slide->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_slide, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { m_sidePanel->setFixedWidth(value.toInt()); });
    connect(m_slide, &QVariantAnimation::finished, this, [this] { syncSidePanel(Motion::immediate); });

    connect(&m_windowState, &MainWindowState::sectionChanged, this, &MainWindowView::syncSection);
    connect(&m_windowState, &MainWindowState::sidePanelVisibleChanged, this,
            [this] { syncSidePanel(Motion::animated); });
    connect(&m_windowState, &MainWindowState::resetConfirmationPresentedChanged, this,
            &MainWindowView::syncResetConfirmation);
    syncSection();
    syncSidePanel(Motion::immediate);
    syncResetConfirmation();
}

MainWindowView::~MainWindowView()
{
    m_viewModel.stopMonitoringDeviceReadiness();
    // The toolbar may sit in the window rather than under this widget.
    if (m_toolBar && !m_toolBar->parent())
        delete m_toolBar;
}

QWidget* MainWindowView::slot(Slot slot) const
{
    switch (slot) {
    case Slot::mapColumn:
        return m_mapColumn;
    case Slot::simulationControlBar:
        return m_controlBar;
    case Slot::deviceStatusPill:
        return m_devicePill;
    default:
        return m_panels->findChild<QWidget*>(objectName(slot), Qt::FindDirectChildrenOnly);
    }
}

void MainWindowView::fill(Slot which, QWidget* content)
{
    m_unbuiltPanels.erase(which);
    QWidget* target = slot(which);
    QLayout* layout = target->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* old = item->widget())
            old->deleteLater();
        delete item;
    }
    layout->addWidget(content);
    if (which == Slot::mapColumn)
        m_controlBar->raise();
    if (which == Slot::simulationControlBar) {
        // The bar shows and hides itself; while its slot is hidden, no layout request
        // reaches the slot, so only the bar's own show tells that the slot must open.
        content->installEventFilter(this);
        // A bar that comes and goes with a transition slides across the map's bottom edge.
        m_barTransition = kit::EdgeTransition::of(*content);
        if (m_barTransition)
            connect(m_barTransition, &kit::EdgeTransition::progressChanged, this, &MainWindowView::placeControlBar);
    }
    placeControlBar();
}

void MainWindowView::fillOnFirstShow(Slot which, std::function<QWidget*()> make)
{
    m_unbuiltPanels.insert_or_assign(which, std::move(make));
    if (which == panelSlot(m_windowState.section()))
        buildPanel(which);
}

void MainWindowView::buildPanel(Slot which)
{
    const auto unbuilt = m_unbuiltPanels.find(which);
    if (unbuilt == m_unbuiltPanels.end())
        return;
    const std::function<QWidget*()> make = std::move(unbuilt->second);
    m_unbuiltPanels.erase(unbuilt);
    // Tab goes in reading order (MainWindow), so where its widgets fall in the
    // focus chain does not matter.
    fill(which, make());
}

void MainWindowView::focusPanel()
{
    if (QWidget* first = firstPanelControl())
        first->setFocus(Qt::ShortcutFocusReason);
}

QWidget* MainWindowView::firstPanelControl() const
{
    // The panel's first control in reading order.
    const QList<QWidget*> stops = kit::tabStops(*slot(panelSlot(m_windowState.section())));
    return stops.isEmpty() ? nullptr : stops.first();
}

void MainWindowView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The theme sets a new palette whenever the appearance changes.
    if (event->type() == QEvent::PaletteChange)
        updateToolBarIcons();
}

void MainWindowView::updateToolBarIcons()
{
    const QColor color = kit::Brand::current().secondary;
    m_sidePanelToggle->setIcon(kit::symbolIcon("sidebar.leading"_symbol, color, 18));
    m_settingsLink->setIcon(kit::symbolIcon("gearshape"_symbol, color, 18));
}

void MainWindowView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_viewModel.monitorDeviceReadiness();
    placeControlBar();
}

void MainWindowView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Minimising the window hides its children too, spontaneously: an iPhone plugged
    // in meanwhile must still be found and a restored hold re-armed. Only the content
    // really going (the setup screen, closing) ends the monitor.
    if (!event->spontaneous())
        m_viewModel.stopMonitoringDeviceReadiness();
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event)
{
    const bool resized = watched == m_mapColumn && event->type() == QEvent::Resize;
    const bool barChanged = (watched == m_controlBar && event->type() == QEvent::LayoutRequest) ||
                            (watched->parent() == m_controlBar &&
                             (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent));
    if (resized || barChanged)
        placeControlBar();
    return QWidget::eventFilter(watched, event);
}

void MainWindowView::placeControlBar()
{
    // Over the map's bottom edge, centred, 16 from every edge, as wide as it wants
    // but never wider than the map.
    const QSize wanted = m_controlBar->sizeHint().expandedTo(QSize(0, 0));
    const int available = std::max(0, m_mapColumn->width() - 2 * controlBarPadding);
    const int width = std::min(wanted.width(), available);
    // A narrow bar puts its buttons under its status and grows taller.
    const int tall = m_controlBar->hasHeightForWidth() ? m_controlBar->heightForWidth(width) : wanted.height();
    const int height = std::min(std::max(tall, 0), std::max(0, m_mapColumn->height() - 2 * controlBarPadding));
    const QRect rest((m_mapColumn->width() - width) / 2, m_mapColumn->height() - controlBarPadding - height, width,
                     height);
    m_controlBar->setGeometry(m_barTransition ? m_barTransition->placement(rest, m_mapColumn->height()) : rest);
    m_controlBar->setVisible(width > 0 && height > 0);
}

void MainWindowView::syncSection()
{
    const Slot shown = panelSlot(m_windowState.section());
    buildPanel(shown);
    m_panels->setCurrentWidget(slot(shown));
}

void MainWindowView::syncSidePanel(Motion motion)
{
    const bool visible = m_windowState.isSidePanelVisible();
    m_sidePanelToggle->setText(sidePanelToggleTitle(m_windowState));
    m_sidePanelToggle->setToolTip(sidePanelToggleTitle(m_windowState));
    const int target = visible ? sidePanelWidth : 0;
    if (motion == Motion::animated && !kit::Brand::current().appearance.reducedMotion && isVisible()) {
        m_slide->stop();
        m_sidePanel->setVisible(true);
        m_slide->setStartValue(m_sidePanel->width());
        m_slide->setEndValue(target);
        m_slide->start();
        return;
    }
    if (m_slide->state() == QAbstractAnimation::Running)
        return;
    m_sidePanel->setFixedWidth(target);
    m_sidePanel->setVisible(visible);
}

void MainWindowView::syncResetConfirmation()
{
    if (!m_windowState.isResetConfirmationPresented()) {
        if (m_resetBox)
            m_resetBox->close();
        return;
    }
    if (m_resetBox)
        return;
    kit::Question question;
    question.objectName = QStringLiteral("resetConfirmation");
    question.icon = QMessageBox::Warning;
    //: Title of the confirmation before the iPhone's location is reset.
    question.text = tr("Reset the iPhone’s location?");
    //: Message of the confirmation before the iPhone's location is reset.
    question.informativeText =
        tr("Route playback and the held location stop, and iPhone returns to its real location.");
    //: Destructive button of the reset confirmation.
    question.actionTitle = tr("Reset location");
    question.actionObjectName = QStringLiteral("resetLocationButton");
    m_resetBox = kit::openQuestion(this, question, this, [this](bool confirmed) {
        m_resetBox = nullptr;
        m_windowState.setResetConfirmationPresented(false);
        if (confirmed)
            m_viewModel.clearIPhoneLocation();
    });
}

} // namespace ostrevin
