#include "app/NoticeAlert.h"

#include "planner/LocationPlannerViewModel.h"
#include "views/kit/Question.h"
#include "views/settings/SettingsWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace ostrevin {

namespace {

/// The settings window while it is open and the main window is not the one in use:
/// a notice of an action started there (Send test, a keyring error, an export) comes
/// up over it rather than bring the main window up over it.
QWidget& noticeOwner(QWidget& mainWindow)
{
    if (QApplication::activeWindow() == &mainWindow)
        return mainWindow;
    for (SettingsWindow* settings : mainWindow.findChildren<SettingsWindow*>(Qt::FindDirectChildrenOnly)) {
        if (settings->isVisible() && !settings->isMinimized())
            return *settings;
    }
    return mainWindow;
}

} // namespace

NoticeAlert::NoticeAlert(LocationPlannerViewModel& viewModel, QWidget& window)
    : QObject(&window), m_viewModel(viewModel), m_window(window)
{
    connect(&m_viewModel, &LocationPlannerViewModel::noticeChanged, this, &NoticeAlert::sync);
    sync();
}

NoticeAlert::~NoticeAlert() = default;

void NoticeAlert::sync()
{
    const std::optional<QString>& notice = m_viewModel.notice();
    if (!notice) {
        if (m_box)
            m_box->close();
        return;
    }
    // A problem carries the warning symbol; only news (a save that worked) the information one.
    const QMessageBox::Icon icon = m_viewModel.noticeKind() == LocationPlannerViewModel::NoticeKind::information
                                       ? QMessageBox::Information
                                       : QMessageBox::Warning;
    if (m_box) {
        m_box->setIcon(icon);
        m_box->setText(*notice);
        return;
    }
    kit::Question question;
    question.objectName = QStringLiteral("noticeAlert");
    question.icon = icon;
    question.text = *notice;
    m_box = kit::openQuestion(&noticeOwner(m_window), question, this, [this](bool) {
        m_box = nullptr;
        m_viewModel.setNotice(std::nullopt);
    });
}

} // namespace ostrevin
