#pragma once

#include <QWidget>

class QCheckBox;
class QSpinBox;

namespace ostrevin {

class LocationPlannerViewModel;

namespace kit {
class KitLabel;
}

/// The iPhone tab: how often a held location is verified (5 to 60 s in steps of
/// 5, stored at once) and whether each new point goes to the iPhone at once.
class IPhoneSettingsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IPhoneSettingsView)

public:
    static constexpr int minimumInterval = 5;
    static constexpr int maximumInterval = 60;

    explicit IPhoneSettingsView(LocationPlannerViewModel& viewModel, QWidget* parent = nullptr);
    ~IPhoneSettingsView() override = default;

private:
    void sync();

    LocationPlannerViewModel& m_viewModel;
    QSpinBox* m_interval;
    kit::KitLabel* m_intervalLabel;
    QCheckBox* m_autoSend;
};

} // namespace ostrevin
