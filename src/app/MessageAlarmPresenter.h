#pragma once

#include "alerts/AlarmPresenter.h"

#include <QPointer>

class QMessageBox;

namespace ostrevin {

/// A plain stand-in for the full-screen alarm: a parentless, stay-on-top message
/// window with the interruption and an Acknowledge button. Parentless so that no
/// dialog of the main window can block it.
class MessageAlarmPresenter final : public AlarmPresenter {
public:
    MessageAlarmPresenter() = default;
    ~MessageAlarmPresenter() override;

    void present(const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge) override;
    void dismiss() override;

private:
    QPointer<QMessageBox> m_box;
    std::function<void()> m_acknowledge;
};

} // namespace ostrevin
