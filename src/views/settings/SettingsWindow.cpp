#include "views/settings/SettingsWindow.h"

#include "routedata/AppLanguage.h"
#include "views/kit/Brand.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/Shapes.h"
#include "views/kit/TextStyle.h"
#include "views/settings/AdvancedSettingsView.h"
#include "views/settings/AlertsSettingsView.h"
#include "views/settings/GeneralSettingsView.h"
#include "views/settings/IPhoneSettingsView.h"
#include "views/settings/SettingsSection.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

namespace ostrevin {

QString title(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::general:
        //: Settings tab.
        return QCoreApplication::translate("SettingsWindow", "General");
    case SettingsTab::iPhone:
        return QStringLiteral("iPhone");
    case SettingsTab::alerts:
        //: Settings tab: alarm sound and Telegram alerts.
        return QCoreApplication::translate("SettingsWindow", "Alerts");
    case SettingsTab::advanced:
        //: Settings tab: diagnostics, export and maintenance.
        return QCoreApplication::translate("SettingsWindow", "Advanced");
    }
    return {};
}

kit::SymbolName symbol(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::general:
        return "gearshape"_symbol;
    case SettingsTab::iPhone:
        return "iphone"_symbol;
    case SettingsTab::alerts:
        return "bell.badge"_symbol;
    case SettingsTab::advanced:
        return "wrench.and.screwdriver"_symbol;
    }
    return {};
}

namespace {

/// A tab of the window's toolbar: its symbol over its title, tinted with the
/// accent while selected.
class TabButton final : public QAbstractButton {
public:
    explicit TabButton(SettingsTab tab) : m_tab(tab)
    {
        setCheckable(true);
        setText(title(tab));
        setAccessibleName(title(tab));
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        // Repainted as the pointer comes and goes, for the hover shade.
        setAttribute(Qt::WA_Hover);
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(kit::textFont(kit::TextStyle::Subheadline));
        return {qMax(64, metrics.horizontalAdvance(text()) + 20), 30 + metrics.height()};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const kit::Brand& brand = kit::Brand::current();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(1, 1, -1, -1);
        if (isChecked())
            kit::fillRoundedRect(painter, bounds, 6, brand.primaryAt(0.08));
        else if (underMouse())
            kit::fillRoundedRect(painter, bounds, 6, brand.primaryAt(0.04));
        if (hasFocus())
            kit::strokeRoundedRectInside(painter, bounds, 6, brand.accent, 2);
        const QColor tint = isChecked() ? brand.accentText : brand.secondary;
        kit::paintSymbol(painter, QRectF(0, 4, width(), 22), symbol(m_tab), tint, 20);
        painter.setFont(kit::textFont(kit::TextStyle::Subheadline));
        painter.setPen(isChecked() ? brand.accentText : brand.primary);
        painter.drawText(QRectF(0, 26, width(), height() - 28), Qt::AlignHCenter | Qt::AlignTop, text());
    }

private:
    SettingsTab m_tab;
};

} // namespace

SettingsWindow::SettingsWindow(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window), m_tabs(new QButtonGroup(this))
{
    //: Title of the settings window.
    setWindowTitle(tr("Ostrevin Settings"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new QWidget;
    auto* headerLayout = new QVBoxLayout(m_header);
    headerLayout->setContentsMargins(0, 8, 0, 0);
    headerLayout->setSpacing(8);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(4);
    bar->addStretch(1);
    for (SettingsTab tab : allCases<SettingsTab>()) {
        auto* button = new TabButton(tab);
        button->setObjectName(QStringLiteral("tab-") + toRaw(tab));
        m_tabs->addButton(button, int(tab));
        bar->addWidget(button);
    }
    bar->addStretch(1);
    headerLayout->addLayout(bar);
    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    headerLayout->addWidget(divider);
    layout->addWidget(m_header);

    // The selected tab scrolls within a window no taller than the screen's free area.
    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("settingsScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // It draws no focus, so it is no Tab stop; the wheel still scrolls it.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    auto* pages = new QWidget;
    auto* pageLayout = new QVBoxLayout(pages);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    m_scroll->setWidget(pages);
    layout->addWidget(m_scroll);

    GeneralSettingsView::Options general;
    general.translationFolder =
        services.translationFolder.isEmpty() ? AppLanguage::translationFolder() : services.translationFolder;
    general.launchedWith =
        services.launchedWith.isEmpty() ? AppLanguage::launchSelection(services.settings) : services.launchedWith;
    general.relaunch = services.relaunch;
    // One page shows at a time; hidden pages take no room, so the window takes
    // the selected tab's size.
    m_pages = {new GeneralSettingsView(services.viewModel, services.settings, general),
               new IPhoneSettingsView(services.viewModel),
               new AlertsSettingsView(services.viewModel, services.settings),
               new AdvancedSettingsView(services.viewModel, services.runtime)};
    for (QWidget* page : m_pages) {
        page->hide();
        pageLayout->addWidget(page);
        // A page that grows (details unfolded, a new log entry) takes the window with it.
        page->installEventFilter(this);
    }

    connect(m_tabs, &QButtonGroup::idClicked, this, [this](int id) { setCurrentTab(SettingsTab(id)); });
    // Escape and Ctrl+W close the window as they close a dialog.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
    // An open drop-down list closes on Escape but leaves the key to the shortcuts,
    // and the window's then finds Settings active again and closes it too: the
    // list's own view claims the key first.
    for (QComboBox* box : findChildren<QComboBox*>())
        box->view()->installEventFilter(this);
    kit::pressFocusedButtonOnReturn(*this);
    setCurrentTab(SettingsTab::general);
}

SettingsWindow::~SettingsWindow() = default;

SettingsTab SettingsWindow::currentTab() const
{
    return SettingsTab(m_tabs->checkedId());
}

void SettingsWindow::setCurrentTab(SettingsTab tab)
{
    const int index = int(tab);
    m_tabs->button(index)->setChecked(true);
    for (int i = 0; i < m_pages.size(); ++i)
        m_pages.at(i)->setVisible(i == index);
    for (QAbstractButton* button : m_tabs->buttons())
        button->update();
    fitToScreen();
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && qobject_cast<QAbstractItemView*>(watched) &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel))
        event->accept();
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        QMetaObject::invokeMethod(this, &SettingsWindow::fitToScreen, Qt::QueuedConnection);
    }
    if (event->type() == QEvent::LayoutRequest && watched == m_pages.value(int(currentTab())) && !m_fitPending) {
        // Once, after the page has settled.
        m_fitPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_fitPending = false;
                fitToScreen();
            },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

QMargins SettingsWindow::windowFrame() const
{
    // Known once the window manager has framed the window; until then room for a
    // title bar is kept free.
    if (const QWindow* handle = windowHandle(); handle && isVisible() && !handle->frameMargins().isNull())
        return handle->frameMargins();
    return {0, 40, 0, 0};
}

void SettingsWindow::fitToScreen()
{
    // As tall as the selected tab, at most the screen's free area less the frame; a
    // taller tab scrolls, with its scroll bar beside the form.
    const QWidget* page = m_pages.at(int(currentTab()));
    const int pageHeight =
        page->hasHeightForWidth() ? page->heightForWidth(SettingsForm::width) : page->sizeHint().height();
    const int natural = m_header->sizeHint().height() + pageHeight;
    int available = natural;
    if (const QScreen* screen = this->screen()) {
        const QMargins frame = windowFrame();
        available = screen->availableGeometry().height() - frame.top() - frame.bottom();
    }
    const int height = std::min(natural, available);
    const int scrollBar = natural > height ? m_scroll->verticalScrollBar()->sizeHint().width() : 0;
    setFixedSize(SettingsForm::width + scrollBar, height);
    // A tab that grew must not push the window's lower edge off the screen.
    if (isVisible())
        keepOnScreen(geometry().topLeft() - QPoint(windowFrame().left(), windowFrame().top()));
}

void SettingsWindow::keepOnScreen(QPoint frameTopLeft)
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    // Worked out on the window's own geometry: the widget's idea of its frame lags
    // behind the window manager's.
    const QRect available = screen->availableGeometry();
    const QMargins frame = windowFrame();
    const QSize frameSize = size().grownBy(frame);
    const QPoint last(available.right() + 1 - frameSize.width(), available.bottom() + 1 - frameSize.height());
    const QPoint at(std::clamp(frameTopLeft.x(), available.left(), std::max(available.left(), last.x())),
                    std::clamp(frameTopLeft.y(), available.top(), std::max(available.top(), last.y())));
    const QRect client(at + QPoint(frame.left(), frame.top()), size());
    if (client != geometry())
        setGeometry(client);
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || m_placed)
        return;
    m_placed = true;
    // Window managers place a new window where they like, partly off a small screen:
    // it opens centred over the main window, wholly on that window's screen.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (owner && owner->screen() && owner->screen() != screen())
        setScreen(owner->screen());
    fitToScreen();
    QRect frame(QPoint(), size().grownBy(windowFrame()));
    if (owner)
        frame.moveCenter(owner->frameGeometry().center());
    else if (const QScreen* screen = this->screen())
        frame.moveCenter(screen->availableGeometry().center());
    keepOnScreen(frame.topLeft());
    // The frame is known once the window is on screen: fit again with it.
    windowHandle()->installEventFilter(this);
}

QAbstractButton* SettingsWindow::tabButton(SettingsTab tab) const
{
    return m_tabs->button(int(tab));
}

QWidget* SettingsWindow::tabContent(SettingsTab tab) const
{
    return m_pages.at(int(tab));
}

} // namespace ostrevin
