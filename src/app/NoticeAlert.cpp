#include "app/NoticeAlert.h"

#include "planner/LocationPlannerViewModel.h"
#include "views/kit/Question.h"

#include <QMessageBox>
#include <QWidget>

namespace ostrevin {

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
    m_box = kit::openQuestion(&m_window, question, this, [this](bool) {
        m_box = nullptr;
        m_viewModel.setNotice(std::nullopt);
    });
}

} // namespace ostrevin
