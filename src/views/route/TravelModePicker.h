#pragma once

#include "routedata/RouteTransportMode.h"

#include <QList>
#include <QWidget>
#include <optional>

class QAbstractButton;
class QButtonGroup;

namespace ostrevin {

/// A row of symbol segments, one per travel mode offered. It shows a mode without
/// writing it back; only the user's click comes out, as picked().
class TravelModePicker final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TravelModePicker)

public:
    explicit TravelModePicker(const QList<RouteTransportMode>& modes, QWidget* parent = nullptr);
    ~TravelModePicker() override = default;

    /// The segment to show checked; none checks no segment ("any" has none).
    void setShownMode(std::optional<RouteTransportMode> mode);
    std::optional<RouteTransportMode> shownMode() const;
    /// The segment of a mode (for clicks in tests), or null.
    QAbstractButton* segment(RouteTransportMode mode) const;

signals:
    void picked(RouteTransportMode mode);

private:
    QList<RouteTransportMode> m_modes;
    QButtonGroup* m_group;
};

} // namespace ostrevin
