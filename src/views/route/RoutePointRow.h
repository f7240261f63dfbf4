#pragma once

#include "routedata/RoutePoint.h"

#include <QWidget>

class QAction;
class QMenu;

namespace ostrevin {

namespace kit {
class IconButton;
class KitLabel;
} // namespace kit

/// One point of the route draft: its number, name and coordinates, a mark while
/// the iPhone was last set there, a send button and a menu to move or remove it.
/// It calls nothing itself: every action comes out as a signal.
class RoutePointRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RoutePointRow)

public:
    struct Flags {
        bool canMoveUp = false;
        bool canMoveDown = false;
        bool canSend = false;
        bool canEdit = false;
        bool isPushed = false;
        /// Why the menu is off, told by its tooltip while it is.
        QString lockedReason;

        bool operator==(const Flags&) const = default;
    };

    /// index: the point's place in the listed points, from 0 (the row shows index + 1).
    RoutePointRow(int index, const RoutePoint& point, const Flags& flags, QWidget* parent = nullptr);
    ~RoutePointRow() override = default;

    const RoutePoint& point() const { return m_point; }
    /// Shows another point, or the same one at another place in the list.
    void setPoint(int index, const RoutePoint& point);
    const Flags& flags() const { return m_flags; }
    /// Enables the controls and shows the mark as the flags say.
    void setFlags(const Flags& flags);
    bool showsPushedMark() const;
    kit::IconButton* sendButton() const { return m_send; }
    kit::IconButton* menuButton() const { return m_more; }
    QMenu* menu() const { return m_menu; }
    QAction* moveUpAction() const { return m_moveUp; }
    QAction* moveDownAction() const { return m_moveDown; }
    QAction* removeAction() const { return m_remove; }

signals:
    void moveUpRequested();
    void moveDownRequested();
    void sendRequested();
    void removeRequested();

private:
    RoutePoint m_point;
    Flags m_flags;
    kit::KitLabel* m_number;
    kit::KitLabel* m_name;
    kit::KitLabel* m_coordinates;
    QWidget* m_pushedMark;
    kit::IconButton* m_send;
    kit::IconButton* m_more;
    QMenu* m_menu;
    QAction* m_moveUp;
    QAction* m_moveDown;
    QAction* m_remove;
};

} // namespace ostrevin
