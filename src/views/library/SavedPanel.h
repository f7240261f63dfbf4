#pragma once

#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"

#include <QInputDialog>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <variant>

class QMenu;
class QVBoxLayout;

namespace ostrevin {

class DeletionConfirmation;
class LocationPlannerViewModel;

namespace kit {
class IconButton;
class LibraryRow;
} // namespace kit

/// The side panel of saved locations and saved routes, one row each: load on the
/// map, send to the iPhone, add to the route, rename, delete (after asking). It
/// keeps no list of its own; every action is a call on the view model followed,
/// where it loads something, by a switch of the window's section.
class SavedPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SavedPanel)

public:
    explicit SavedPanel(LocationPlannerViewModel& viewModel, QWidget* parent = nullptr);
    ~SavedPanel() override;

    DeletionConfirmation& deletion() const { return *m_deletion; }
    /// The open rename question, if any.
    QInputDialog* renameDialog() const { return m_renameDialog; }

private:
    using RenameTarget = std::variant<SavedLocation, SavedRoute>;

    /// A row with the widgets whose state follows the view model's gates.
    struct Row {
        kit::LibraryRow* row;
        kit::IconButton* send;
        QMenu* menu;
        bool isRoute;
    };

    void rebuildLocations();
    void rebuildRoutes();
    void syncGates();
    void addLocationRow(const SavedLocation& location);
    void addRouteRow(const SavedRoute& route);
    void askRename(const RenameTarget& target);
    void commitRename(const QString& text);

    LocationPlannerViewModel& m_viewModel;
    DeletionConfirmation* m_deletion;
    QVBoxLayout* m_locations;
    QVBoxLayout* m_routes;
    QList<Row> m_rows;
    std::optional<RenameTarget> m_renameTarget;
    QPointer<QInputDialog> m_renameDialog;
};

} // namespace ostrevin
