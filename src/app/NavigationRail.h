#pragma once

#include "planner/AppSection.h"

#include <QWidget>

namespace ostrevin {

class MainWindowState;
class RailItem;

/// The narrow column of section tiles at the window's left edge. Clicking the
/// current section's tile hides or shows the side panel; clicking another one
/// switches to it and always shows the panel. While the panel is hidden no tile
/// is highlighted.
class NavigationRail : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NavigationRail)

public:
    static constexpr int railWidth = 84;

    explicit NavigationRail(MainWindowState& windowState, QWidget* parent = nullptr);

    RailItem* item(AppSection section) const;

    /// What a click on the tile of section does to the window state.
    static void activate(MainWindowState& windowState, AppSection section);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void sync();

    MainWindowState& m_windowState;
    QList<RailItem*> m_items;
};

} // namespace ostrevin
