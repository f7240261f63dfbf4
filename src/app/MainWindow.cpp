#include "app/MainWindow.h"

#include "BuildConfig.h"
#include "app/AppCommands.h"
#include "app/AppUpdater.h"
#include "app/ContentView.h"
#include "app/MainWindowView.h"
#include "app/NoticeAlert.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "platform/BundledResources.h"
#include "runtime/RuntimeInstaller.h"
#include "views/kit/FadeIn.h"
#include "views/kit/KeyboardHandover.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/Question.h"
#include "views/setup/RuntimeSetupView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QVariantAnimation>
#include <chrono>

namespace ostrevin {

namespace {

/// The setup screen gives way to the main content with a short fade.
constexpr std::chrono::milliseconds contentFadeDuration{200};
/// How long the icon waits for a first frame that may never come (the window
/// opened on another workspace).
constexpr std::chrono::milliseconds iconBound{1000};

void openInBrowser(const QUrl& url)
{
    // The result is not checked: the desktop shows its own error.
    QDesktopServices::openUrl(url);
}

void ensureApplicationIcon()
{
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(MainWindow::applicationIcon());
}

} // namespace

QIcon MainWindow::applicationIcon()
{
    return QIcon::fromTheme(QStringLiteral("com.ostrevin.Ostrevin"),
                            QIcon(BundledResources::directory() + u"/ostrevin.svg"));
}

MainWindow::MainWindow(LocationPlannerViewModel& viewModel, RuntimeInstaller& runtime, AppUpdater& updater,
                       PlaceSearchService& placeSearch, QWidget* parent)
    : QMainWindow(parent), m_viewModel(viewModel), m_runtime(runtime), m_updater(updater), m_placeSearch(placeSearch)
{
    setObjectName(QStringLiteral("mainWindow"));
    // The icon is read from the desktop's theme and drawn at every size the
    // desktop asks for, which costs the first frame time on X11; nothing in the
    // main content shows it, so it comes one turn after that frame.
    connect(this, &MainWindow::firstFramePainted, this,
            [this] { QTimer::singleShot(0, this, &ensureApplicationIcon); });
    QTimer::singleShot(iconBound, this, &ensureApplicationIcon);
    //: Title of the main window.
    setWindowTitle(tr("Ostrevin"));
    fitToScreen();
    setUnifiedTitleAndToolBarOnMac(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    kit::pressFocusedButtonOnReturn(*this);
    // For every window of the program: this one lives as long as the program.
    kit::ignoreHeldActionKeys(*this);
    kit::followFocusFalls(*this);
    kit::answerClosesFromOutside(*this);
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (now)
            m_focusLost = nullptr;
        else if (old && old->window() == this)
            m_focusLost = old;
    });

    m_stack = new QStackedWidget;
    m_stack->setObjectName(QStringLiteral("rootView"));
    m_stack->installEventFilter(this);
    setCentralWidget(m_stack);
    // The setup screen is built when it is first needed: most starts find the
    // runtime installed, and building it is a good part of the time to the first
    // frame. Where it is needed, it is built here, before its owner's reactions
    // to the runtime's changes, so that it reports an installation first.
    if (m_runtime.phase().kind != RuntimeInstaller::Phase::Kind::installed)
        buildSetupView();

    AppCommands::Actions actions;
    actions.quit = [this] { close(); };
    actions.openSettings = [this] { emit settingsRequested(); };
    actions.showAbout = [this] { showAbout(); };
    actions.openURL = openInBrowser;
    actions.exportGPX = [this] { m_viewModel.exportGPX(); };
    actions.focusPanel = [this] {
        if (isShowingContent())
            m_content->focusPanel();
    };
    m_commands = new AppCommands(*menuBar(), m_viewModel, m_runtime, m_updater, actions, this);

    connect(&m_updater, &AppUpdater::checkFinished, this, [this](const AppUpdater::Result& result) {
        kit::Question question;
        question.objectName = QStringLiteral("updateResult");
        switch (result.kind) {
        case AppUpdater::Result::Kind::upToDate:
            //: Message after an update check that found nothing newer.
            question.text = tr("Ostrevin is up to date.");
            break;
        case AppUpdater::Result::Kind::failed:
            question.icon = QMessageBox::Warning;
            question.text = result.message;
            break;
        case AppUpdater::Result::Kind::available:
            //: Message after an update check. %1 is the newer version.
            question.text = tr("Ostrevin %1 is available.").arg(result.version);
            //: Button that opens the newer version's download page in the browser.
            question.actionTitle = tr("Open Download Page");
            question.actionRole = QMessageBox::AcceptRole;
            break;
        }
        kit::openQuestion(this, question, this, [page = result.page](bool open) {
            if (open)
                openInBrowser(page);
        });
    });

    new NoticeAlert(m_viewModel, *this);
    connect(&m_runtime, &RuntimeInstaller::phaseChanged, this, &MainWindow::syncRoot);
    connect(&m_runtime, &RuntimeInstaller::reinstallFailed, this, [this](const QString& reason) {
        // Only the settings window offers a reinstall.
        //: Notice after a reinstall of the add-on component failed; the reason follows below it.
        m_viewModel.setNotice(tr("The add-on component wasn’t reinstalled. The installed version stays in use.") +
                                  u"\n\n" + reason,
                              LocationPlannerViewModel::NoticeKind::problem, DialogOwner::settingsWindow);
    });
    // The reset confirmation belongs to the main content; asked for while the setup
    // screen shows, it would otherwise pop up by surprise after the installation.
    MainWindowState& windowState = m_viewModel.windowState();
    connect(&windowState, &MainWindowState::resetConfirmationPresentedChanged, this, [this, &windowState] {
        if (windowState.isResetConfirmationPresented() && !isShowingContent())
            windowState.setResetConfirmationPresented(false);
    });
    syncRoot();
}

MainWindow::~MainWindow()
{
    // The children deleted after this body move the focus, with the members gone.
    disconnect(m_focusWatch);
}

void MainWindow::fitToScreen()
{
    // The window opens at its roomy size where the screen has room for it, and
    // never larger than the screen's free area: on a 1366 × 768 laptop the control
    // bar and "Set location" would otherwise open below the screen's edge. The frame
    // is not known before the window is shown: room for a title bar and borders is kept free.
    const QSize frameAllowance(16, 40);
    const QSize preferred(1280, 820);
    const QSize minimum(760, 480);
    QSize available = preferred;
    if (const QScreen* screen = this->screen())
        available = screen->availableGeometry().size() - frameAllowance;
    setMinimumSize(minimum.boundedTo(available));
    resize(preferred.boundedTo(available).expandedTo(minimumSize()));
}

void MainWindow::buildSetupView()
{
    if (m_setup)
        return;
    // It shows the application's icon.
    ensureApplicationIcon();
    // It tells its owner when the runtime became installed; the device check
    // that follows needs no progress display.
    m_setup = new RuntimeSetupView(m_runtime, [this] { m_viewModel.refreshHelperStatus(); });
    m_stack->addWidget(m_setup);
}

bool MainWindow::isShowingContent() const
{
    return m_content && m_stack->currentWidget() == m_content;
}

void MainWindow::comeForward()
{
    kit::bringForward(*this);
}

void MainWindow::syncRoot()
{
    const bool installed = m_runtime.phase().kind == RuntimeInstaller::Phase::Kind::installed;
    if (!installed)
        buildSetupView();
    if (installed && !m_content) {
        m_content = ContentView::build(m_viewModel, m_placeSearch);
        m_content->installEventFilter(this);
        connect(m_content, &MainWindowView::settingsRequested, this, &MainWindow::settingsRequested);
        m_stack->addWidget(m_content);
        addToolBar(Qt::TopToolBarArea, m_content->toolBar());
    }
    const bool leavesSetup = installed && m_stack->currentWidget() == m_setup;
    if (!installed && m_contentFade)
        m_contentFade->stop();
    m_stack->setCurrentWidget(installed ? static_cast<QWidget*>(m_content) : m_setup);
    if (m_content)
        m_content->toolBar()->setVisible(installed);
    if (leavesSetup)
        m_contentFade = kit::fadeIn({m_content, m_content->toolBar()}, contentFadeDuration, this);
    // Its "Check again" runs a tool, which a missing or half-replaced runtime lacks.
    if (!installed)
        m_viewModel.windowState().setDevicePopoverPresented(false);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_stack && event->type() == QEvent::Paint && !m_framePainted) {
        m_framePainted = true;
        QMetaObject::invokeMethod(this, &MainWindow::firstFramePainted, Qt::QueuedConnection);
    }
    if (watched == m_content && event->type() == QEvent::Paint && !m_contentPainted) {
        m_contentPainted = true;
        // After this paint has reached the screen.
        QMetaObject::invokeMethod(this, &MainWindow::contentPainted, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::focusNextPrevChild(bool next)
{
    // Parts built late (a panel first shown, a route's details, new rows) would
    // otherwise come last in the window's chain, wherever they are on screen.
    return kit::focusNextStop(*this, next, m_focusLost) || QMainWindow::focusNextPrevChild(next);
}

bool MainWindow::closeNeedsConfirmation() const
{
    return m_viewModel.hold().lockedPoint().has_value() || m_viewModel.hold().isIPhoneRouteRunning();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_quitConfirmed || !closeNeedsConfirmation()) {
        event->accept();
        emit quitRequested();
        return;
    }
    event->ignore();
    askBeforeClosing();
}

void MainWindow::askBeforeClosing()
{
    if (m_closeBox) {
        // Asked again while the question waits for the alarm, or from Settings
        // with the question behind it.
        kit::bringForward(*this);
        return;
    }
    kit::Question question;
    question.objectName = QStringLiteral("quitConfirmation");
    question.icon = QMessageBox::Warning;
    //: Title of the question before quitting while the iPhone's location is simulated.
    question.text = tr("Quit Ostrevin?");
    question.informativeText = m_viewModel.hold().isIPhoneRouteRunning()
                                   //: Message of the question before quitting while a route plays.
                                   ? tr("The route stops playing on iPhone when Ostrevin quits.")
                                   //: Message of the question before quitting while a location is held.
                                   : tr("Ostrevin stops holding the location on iPhone when it quits.");
    //: Button that quits although a location is held or a route plays.
    question.actionTitle = tr("Quit");
    question.actionObjectName = QStringLiteral("confirmQuitButton");
    question.bringsWindowForward = true;
    m_closeBox = kit::openQuestion(this, question, this, [this](bool quit) {
        if (!quit)
            return;
        m_quitConfirmed = true;
        emit quitRequested();
    });
}

void MainWindow::showAbout()
{
    // Window-modal: the static about() would run a nested event loop.
    kit::Question question;
    question.objectName = QStringLiteral("aboutBox");
    //: Title of the About box.
    question.title = tr("About Ostrevin");
    ensureApplicationIcon();
    question.iconPixmap = windowIcon().pixmap(QSize(64, 64));
    //: About box text. %1 is the version.
    question.text = tr("Ostrevin %1").arg(QString::fromUtf8(BuildConfig::version));
    kit::openQuestion(this, question);
}

} // namespace ostrevin
