#pragma once

#include <QWidget>

namespace ostrevin::kit {

class KitLabel;

/// A small title over a value (distance, speed, time), the value in steady-width
/// digits; both shrink a little before they are cut.
class MetricView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MetricView)

public:
    MetricView(const QString& title, const QString& value, QWidget* parent = nullptr);
    ~MetricView() override = default;

    void setTitle(const QString& title);
    void setValue(const QString& value);

private:
    void updateAccessibleName();

    KitLabel* m_title;
    KitLabel* m_value;
};

} // namespace ostrevin::kit
