#include "app/NoticeAlert.h"

#include "planner/LocationPlannerViewModel.h"

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
    if (m_box) {
        m_box->setText(*notice);
        return;
    }
    auto* box = new QMessageBox(&m_window);
    box->setObjectName(QStringLiteral("noticeAlert"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Information);
    // The product name, not translated.
    box->setWindowTitle(QStringLiteral("Ostrevin"));
    box->setTextFormat(Qt::PlainText);
    box->setText(*notice);
    box->setStandardButtons(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    connect(box, &QMessageBox::finished, this, [this] {
        m_box = nullptr;
        m_viewModel.setNotice(std::nullopt);
    });
    m_box = box;
    box->open();
}

} // namespace ostrevin
