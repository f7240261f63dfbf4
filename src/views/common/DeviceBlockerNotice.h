#pragma once

#include <QAbstractButton>

namespace ostrevin {

class LocationPlannerViewModel;

namespace kit {
class InlineNotice;
}

/// The one-line warning above a panel's main button that says why the iPhone
/// cannot take a location; a click anywhere on its row opens the device popover.
/// Hidden, taking no space, while nothing blocks the device.
class DeviceBlockerNotice final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceBlockerNotice)

public:
    explicit DeviceBlockerNotice(LocationPlannerViewModel& viewModel, QWidget* parent = nullptr);
    ~DeviceBlockerNotice() override = default;

    /// Re-reads the view model's blocker message.
    void refresh();
    QString message() const { return m_message; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LocationPlannerViewModel& m_viewModel;
    kit::InlineNotice* m_notice;
    QString m_message;
};

} // namespace ostrevin
