#include "views/route/DeletionConfirmation.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

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
    auto* box = new QMessageBox(&m_window);
    box->setObjectName(QStringLiteral("deletionConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    // The product name, not translated.
    box->setWindowTitle(QStringLiteral("Ostrevin"));
    box->setTextFormat(Qt::PlainText);
    box->setText(m_pending->title());
    box->setInformativeText(m_pending->message());
    // Names come from outside: never read them as markup.
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QPushButton* remove = box->addButton(m_pending->actionTitle(), QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    // Decided when the dialog closes: the box reports its end before the button's
    // own clicked() reaches a later connection.
    connect(box, &QMessageBox::finished, this, [this, box, remove] {
        m_dialog = nullptr;
        if (box->clickedButton() == remove)
            perform();
        else
            dismiss();
    });
    m_dialog = box;
    box->open();
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
