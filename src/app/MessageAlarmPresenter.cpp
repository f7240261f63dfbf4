#include "app/MessageAlarmPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ostrevin {

MessageAlarmPresenter::~MessageAlarmPresenter()
{
    delete m_box;
}

void MessageAlarmPresenter::present(const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge)
{
    m_acknowledge = std::move(acknowledge);
    if (!m_box) {
        m_box = new QMessageBox;
        m_box->setWindowFlag(Qt::WindowStaysOnTopHint);
        m_box->setIcon(QMessageBox::Critical);
        m_box->setWindowTitle(QStringLiteral("Ostrevin"));
        m_box->setTextFormat(Qt::PlainText);
        //: Button of the alarm that silences it.
        QPushButton* button =
            m_box->addButton(QApplication::translate("MessageAlarmPresenter", "Acknowledge"), QMessageBox::AcceptRole);
        QObject::connect(button, &QPushButton::clicked, m_box, [this] {
            if (auto action = m_acknowledge)
                action();
        });
    }
    m_box->setText(
        event.isRecoveryConfirmed
            //: Alarm text after the location was set again. %1 is the place's name.
            ? QApplication::translate("MessageAlarmPresenter", "Location %1 is set again.").arg(event.pointName)
            //: Alarm text. %1 is the place's name, %2 the cause.
            : QApplication::translate("MessageAlarmPresenter", "The location %1 was interrupted: %2")
                  .arg(event.pointName, event.reason));
    m_box->show();
    m_box->raise();
    m_box->activateWindow();
    QApplication::alert(m_box);
}

void MessageAlarmPresenter::dismiss()
{
    m_acknowledge = nullptr;
    if (m_box)
        m_box->hide();
}

} // namespace ostrevin
