#include "views/common/DeletionConfirmation.h"

#include "views/kit/Question.h"

namespace ostrevin {

DeletionConfirmation::DeletionConfirmation(QWidget& window, LocationPlannerViewModel& viewModel)
    : QObject(&window), m_window(window), m_viewModel(viewModel)
{
}

DeletionConfirmation::~DeletionConfirmation()
{
    // The dialog belongs to the window; it must not call back into this object.
    if (m_dialog)
        m_dialog->disconnect(this);
}

void DeletionConfirmation::ask(const PendingDeletion& deletion)
{
    m_pending = deletion;
    emit pendingChanged();
    show();
}

void DeletionConfirmation::closeDialog()
{
    // A stale dialog must not remove what a later request did not ask for.
    if (QMessageBox* open = m_dialog.data()) {
        m_dialog = nullptr;
        open->disconnect(this);
        open->close();
    }
}

void DeletionConfirmation::show()
{
    closeDialog();
    kit::Question question;
    question.objectName = QStringLiteral("deletionConfirmation");
    question.icon = QMessageBox::Warning;
    question.text = m_pending->title();
    question.informativeText = m_pending->message();
    question.actionTitle = m_pending->actionTitle();
    m_dialog = kit::openQuestion(&m_window, question, this, [this](bool remove) {
        m_dialog = nullptr;
        if (remove)
            perform();
        else
            dismiss();
    });
}

void DeletionConfirmation::perform()
{
    closeDialog();
    if (!m_pending)
        return;
    const PendingDeletion deletion = *m_pending;
    m_pending.reset();
    deletion.perform(m_viewModel);
    emit pendingChanged();
}

void DeletionConfirmation::dismiss()
{
    closeDialog();
    if (!m_pending)
        return;
    m_pending.reset();
    emit pendingChanged();
}

} // namespace ostrevin
