#pragma once

#include "routedata/PlannedRouteOption.h"

#include <QAbstractButton>

namespace ostrevin {

namespace kit {
class KitLabel;
}

/// One alternative the directions service returned: a mark, its title and a
/// line of distance and time; the whole row is one click target, and the chosen
/// one sits on the accent wash. Its advisory notices are its tooltip.
class RouteAlternativeRow final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteAlternativeRow)

public:
    RouteAlternativeRow(const PlannedRouteOption& option, bool isSelected, const QString& detail,
                        QWidget* parent = nullptr);
    ~RouteAlternativeRow() override = default;

    const PlannedRouteOption& option() const { return m_option; }
    bool isSelected() const { return isChecked(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override {}

private:
    PlannedRouteOption m_option;
    kit::KitLabel* m_title;
    kit::KitLabel* m_detail;
};

} // namespace ostrevin
