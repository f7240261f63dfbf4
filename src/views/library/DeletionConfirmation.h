#pragma once

#include "views/library/PendingDeletion.h"

#include <QObject>
#include <QPointer>
#include <optional>

#include <QMessageBox>
class QWidget;

namespace ostrevin {

class LocationPlannerViewModel;

/// A panel's guard against removal at the first click: ask() records what would
/// go and asks about it window-modally; only the destructive button removes it.
/// Cancelling or closing the question removes nothing. Either way the pending
/// value is cleared, so the question never comes back by itself.
class DeletionConfirmation final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeletionConfirmation)

public:
    /// The question opens over `panel`'s window.
    DeletionConfirmation(LocationPlannerViewModel& viewModel, QWidget* panel);
    ~DeletionConfirmation() override;

    void ask(const PendingDeletion& deletion);
    const std::optional<PendingDeletion>& pending() const { return m_pending; }
    /// The open question, if any.
    QMessageBox* dialog() const { return m_dialog; }
    /// The destructive button's action: runs the pending removal and clears it.
    void perform();
    /// Clears what is pending and closes the question.
    void cancel();

private:
    LocationPlannerViewModel& m_viewModel;
    QWidget* m_panel;
    std::optional<PendingDeletion> m_pending;
    QPointer<QMessageBox> m_dialog;
};

} // namespace ostrevin
