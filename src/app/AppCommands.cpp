#include "app/AppCommands.h"

#include "BuildConfig.h"
#include "app/AppUpdater.h"
#include "app/MainWindowView.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "runtime/RuntimeInstaller.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace ostrevin {

QUrl AppCommands::productWebsiteURL()
{
    const QUrl site(QString::fromUtf8(BuildConfig::websiteURL), QUrl::StrictMode);
    const bool usable = site.isValid() && !site.host().isEmpty() &&
                        (site.scheme() == QStringLiteral("https") || site.scheme() == QStringLiteral("http"));
    return usable ? site : QUrl();
}

QUrl AppCommands::webPage(const QUrl& site, const QString& component, PageShape shape)
{
    QUrl page = site;
    QString path = page.path();
    if (!path.endsWith(u'/'))
        path += u'/';
    path += component;
    if (shape == PageShape::directory)
        path += u'/';
    page.setPath(path);
    return page;
}

AppCommands::AppCommands(QMenuBar& menuBar, LocationPlannerViewModel& viewModel, RuntimeInstaller& runtime,
                         AppUpdater& updater, Actions actions, QObject* parent)
    : QObject(parent), m_viewModel(viewModel), m_runtime(runtime), m_updater(updater), m_actions(std::move(actions))
{
    MainWindowState& windowState = viewModel.windowState();

    //: Menu title.
    QMenu* file = menuBar.addMenu(tr("&File"));
    //: File menu item.
    QAction* exportGPX =
        add(file, QStringLiteral("exportGPX"), tr("Export GPX…"), QKeySequence(QStringLiteral("Ctrl+Shift+E")));
    connect(exportGPX, &QAction::triggered, this, [this] {
        if (m_actions.exportGPX)
            m_actions.exportGPX();
    });
    file->addSeparator();
    //: File menu item.
    QAction* quit = add(file, QStringLiteral("quit"), tr("Quit"), QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, [this] { m_actions.quit(); });

    //: Menu title.
    QMenu* edit = menuBar.addMenu(tr("&Edit"));
    //: Edit menu item that opens the settings window.
    QAction* settings = add(edit, QStringLiteral("settings"), tr("Settings…"), QKeySequence(QStringLiteral("Ctrl+,")));
    settings->setMenuRole(QAction::PreferencesRole);
    connect(settings, &QAction::triggered, this, [this] {
        if (m_actions.openSettings)
            m_actions.openSettings();
    });

    //: Menu title.
    QMenu* view = menuBar.addMenu(tr("&View"));
    int position = 1;
    for (const auto& [section, raw] : RawEnumTraits<AppSection>::cases) {
        QAction* item = add(view, QStringLiteral("section-") + raw.toString(), title(section),
                            QKeySequence(QStringLiteral("Ctrl+%1").arg(position++)));
        // Unlike the rail, the menu always shows the panel, also for the current section.
        connect(item, &QAction::triggered, this, [this, &windowState, s = section] {
            windowState.setSection(s);
            windowState.setSidePanelVisible(true);
            // The keyboard follows into the panel it chose.
            if (m_actions.focusPanel)
                m_actions.focusPanel();
        });
    }
    view->addSeparator();
    QAction* toggle = add(view, QStringLiteral("toggleSidePanel"), MainWindowView::sidePanelToggleTitle(windowState),
                          QKeySequence(QStringLiteral("Ctrl+Alt+S")));
    connect(toggle, &QAction::triggered, this,
            [&windowState] { windowState.setSidePanelVisible(!windowState.isSidePanelVisible()); });
    view->addSeparator();

    //: Menu title.
    QMenu* device = menuBar.addMenu(tr("&Device"));
    //: Device menu item.
    QAction* prepare = add(device, QStringLiteral("prepareIPhone"), tr("Prepare iPhone"));
    connect(prepare, &QAction::triggered, this, [this] {
        if (CommandRules::prepareIPhone(facts()))
            m_viewModel.prepareIPhoneForLocation();
    });
    //: Device menu item.
    QAction* check =
        add(device, QStringLiteral("checkAgain"), tr("Check Again"), QKeySequence(QStringLiteral("Ctrl+R")));
    connect(check, &QAction::triggered, this, [this] {
        if (CommandRules::checkAgain(facts()))
            m_viewModel.refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
    });
    device->addSeparator();
    //: Device menu item.
    QAction* reset = add(device, QStringLiteral("resetLocation"), tr("Reset Location…"));
    connect(reset, &QAction::triggered, this, [&windowState] { windowState.setResetConfirmationPresented(true); });

    //: Menu title.
    QMenu* help = menuBar.addMenu(tr("&Help"));
    const QUrl site = productWebsiteURL();
    if (!site.isEmpty()) {
        const auto openPage = [this, site](const QString& component, PageShape shape) {
            return [this, site, component, shape] {
                if (m_actions.openURL)
                    m_actions.openURL(webPage(site, component, shape));
            };
        };
        //: Help menu item.
        connect(add(help, QStringLiteral("help"), tr("Ostrevin Help")), &QAction::triggered, this,
                openPage(QStringLiteral("help"), PageShape::file));
        //: Help menu item.
        connect(add(help, QStringLiteral("support"), tr("Contact Support")), &QAction::triggered, this,
                openPage(QStringLiteral("support"), PageShape::file));
        help->addSeparator();
        //: Help menu item.
        connect(add(help, QStringLiteral("install"), tr("How to Install on Another Computer…")), &QAction::triggered,
                this, openPage(QStringLiteral("install"), PageShape::directory));
        help->addSeparator();
    }
    if (m_updater.isAvailable()) {
        //: Help menu item.
        QAction* updates = add(help, QStringLiteral("checkForUpdates"), tr("Check for Updates…"));
        connect(updates, &QAction::triggered, &m_updater, &AppUpdater::checkForUpdates);
    }
    //: Help menu item.
    QAction* about = add(help, QStringLiteral("about"), tr("About Ostrevin"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, [this] {
        if (m_actions.showAbout)
            m_actions.showAbout();
    });

    for (const auto signal :
         {&LocationHoldState::isIPhoneRouteRunningChanged, &LocationHoldState::isLocationLockRefreshingChanged,
          &LocationHoldState::lockedPointChanged, &LocationHoldState::isLocationResetPendingChanged})
        connect(&m_viewModel.hold(), signal, this, &AppCommands::refresh);
    for (const auto signal :
         {&DeviceState::isDeviceBusyChanged, &DeviceState::isCheckingDeviceChanged, &DeviceState::helperStatusChanged})
        connect(&m_viewModel.device(), signal, this, &AppCommands::refresh);
    connect(&m_viewModel, &LocationPlannerViewModel::isPlanningAddressRouteChanged, this, &AppCommands::refresh);
    connect(&m_viewModel.draft(), &RouteDraft::pointsChanged, this, &AppCommands::refresh);
    connect(&windowState, &MainWindowState::sidePanelVisibleChanged, this, &AppCommands::refresh);
    connect(&m_runtime, &RuntimeInstaller::phaseChanged, this, &AppCommands::refresh);
    connect(&m_updater, &AppUpdater::canCheckForUpdatesChanged, this, &AppCommands::refresh);
    refresh();
}

CommandRules::Facts AppCommands::facts() const
{
    CommandRules::Facts facts = CommandRules::Facts::of(m_viewModel);
    facts.isRuntimeInstalled = m_runtime.phase().kind == RuntimeInstaller::Phase::Kind::installed;
    facts.canCheckForUpdates = m_updater.canCheckForUpdates();
    return facts;
}

QAction* AppCommands::add(QMenu* menu, const QString& name, const QString& text, const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // The window's own shortcuts: they work wherever the focus is inside it.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    m_actionList.append(action);
    return action;
}

QAction* AppCommands::action(const QString& name) const
{
    for (QAction* action : m_actionList) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

void AppCommands::refresh()
{
    const CommandRules::Facts now = facts();
    const auto enable = [this](const char* name, bool enabled) {
        if (QAction* item = action(QString::fromLatin1(name)))
            item->setEnabled(enabled);
    };
    enable("exportGPX", m_actions.exportGPX && CommandRules::exportGPX(now));
    enable("checkForUpdates", CommandRules::checkForUpdates(now));
    enable("prepareIPhone", CommandRules::prepareIPhone(now));
    enable("checkAgain", CommandRules::checkAgain(now));
    enable("resetLocation", CommandRules::resetLocation(now));
    if (QAction* toggle = action(QStringLiteral("toggleSidePanel")))
        toggle->setText(MainWindowView::sidePanelToggleTitle(m_viewModel.windowState()));
}

} // namespace ostrevin
