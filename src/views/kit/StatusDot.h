#pragma once

#include "views/kit/Brand.h"

#include <QWidget>

namespace ostrevin::kit {

/// A coloured dot on a faint halo of its colour; it takes size + 6 each way.
class StatusDot final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusDot)

public:
    explicit StatusDot(BrandColor color = BrandColor::Idle, int size = 8, QWidget* parent = nullptr);
    ~StatusDot() override = default;

    void setColor(BrandColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BrandColor m_color;
    int m_size;
};

} // namespace ostrevin::kit
