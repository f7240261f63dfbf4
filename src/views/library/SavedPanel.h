#pragma once

#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"
#include "views/kit/KeyedRows.h"
#include "views/kit/Symbols.h"

#include <QInputDialog>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QAction;
class QMenu;

namespace ostrevin {

class DeletionConfirmation;
class LocationPlannerViewModel;

namespace kit {
class EmptyStateView;
class IconButton;
class LibraryRow;
class RowList;
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
    template <typename Item> struct List {
        kit::EmptyStateView* empty;
        kit::RowList* list;
        std::unique_ptr<kit::KeyedRows<Item, kit::LibraryRow>> rows;
    };

    void refreshLocations();
    void refreshRoutes();
    void syncGates();
    /// The section's content: the empty state, or the list's rows in its place.
    template <typename Item> QWidget* buildList(List<Item>& list, kit::EmptyStateView* empty);
    template <typename Item> using ItemAction = std::function<void(const Item&)>;
    /// A row whose primary button triggers primary; every action runs on the item the row shows.
    template <typename Item>
    kit::LibraryRow* makeRow(const List<Item>& list, QMenu* menu, QAction* primary, kit::SymbolName symbol,
                             QAction* load, const QList<std::pair<QAction*, ItemAction<Item>>>& actions);
    kit::LibraryRow* makeLocationRow();
    kit::LibraryRow* makeRouteRow();
    static void showLocation(kit::LibraryRow& row, const SavedLocation& location);
    static void showRoute(kit::LibraryRow& row, const SavedRoute& route);
    void askRename(const RenameTarget& target);
    void commitRename(const QString& text);

    LocationPlannerViewModel& m_viewModel;
    DeletionConfirmation* m_deletion;
    List<SavedLocation> m_locations;
    List<SavedRoute> m_routes;
    std::optional<RenameTarget> m_renameTarget;
    QPointer<QInputDialog> m_renameDialog;
};

} // namespace ostrevin
