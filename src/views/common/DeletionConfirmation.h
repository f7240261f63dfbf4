#pragma once

#include "views/common/PendingDeletion.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <optional>
class QWidget;

namespace ostrevin {

class LocationPlannerViewModel;

/// The question asked before anything is removed. A panel hands it what a
/// control wants to remove; nothing happens until the user presses the dialog's
/// destructive button, and cancelling or closing the dialog removes nothing.
/// The dialog is modal to the panel's window only, so an alarm can still be
/// acknowledged while it is open.
class DeletionConfirmation final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeletionConfirmation)

public:
    /// The dialog opens over window; the view model must outlive this object.
    DeletionConfirmation(QWidget& window, LocationPlannerViewModel& viewModel);
    ~DeletionConfirmation() override;

    /// Records what is about to go and asks; a request made while the dialog is
    /// open replaces the one it shows.
    void ask(const PendingDeletion& deletion);
    const std::optional<PendingDeletion>& pending() const { return m_pending; }
    /// The open dialog, if any.
    QMessageBox* dialog() const { return m_dialog; }

    /// The destructive button: closes the dialog, runs the pending removal (if any)
    /// and forgets it.
    void perform();
    /// Cancel or dismissal: closes the dialog and forgets the pending removal.
    void dismiss();

signals:
    void pendingChanged();

private:
    void show();
    void closeDialog();

    QWidget& m_window;
    LocationPlannerViewModel& m_viewModel;
    std::optional<PendingDeletion> m_pending;
    QPointer<QMessageBox> m_dialog;
};

} // namespace ostrevin
