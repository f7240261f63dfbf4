#include "views/library/DeletionConfirmation.h"

#include "planner/LocationPlannerViewModel.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace ostrevin {

DeletionConfirmation::DeletionConfirmation(LocationPlannerViewModel& viewModel, QWidget* panel)
    : QObject(panel), m_viewModel(viewModel), m_panel(panel)
{
}

DeletionConfirmation::~DeletionConfirmation()
{
    delete m_dialog;
}

void DeletionConfirmation::ask(const PendingDeletion& deletion)
{
    m_pending = deletion;
    delete m_dialog;
    // Window-modal and never exec(): an alarm must stay reachable while it is open.
    auto* box = new QMessageBox(m_panel->window());
    m_dialog = box;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setText(deletionTitle(m_pending));
    box->setInformativeText(deletionMessage(m_pending));
    // The message carries a name the user typed: never read it as markup.
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QPushButton* remove = box->addButton(deletionActionTitle(m_pending), QMessageBox::DestructiveRole);
    remove->setObjectName(QStringLiteral("confirmRemoval"));
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::buttonClicked, this, [this, remove](QAbstractButton* button) {
        if (button == remove)
            perform();
        else
            m_pending.reset();
    });
    // Closed any other way: nothing removed.
    connect(box, &QDialog::finished, this, [this] { m_pending.reset(); });
    box->open();
}

void DeletionConfirmation::perform()
{
    if (!m_pending)
        return;
    std::visit(PendingDeletionCases{
                   [this](const RoutePoint& point) { m_viewModel.removePoint(point); },
                   [this](const SavedLocation& location) { m_viewModel.deleteSavedLocation(location); },
                   [this](const SavedRoute& route) { m_viewModel.deleteSavedRoute(route); },
                   [this](const CompleteRoute&) { m_viewModel.clearRoute(); },
               },
               *m_pending);
    m_pending.reset();
}

void DeletionConfirmation::cancel()
{
    m_pending.reset();
    if (m_dialog)
        m_dialog->close();
}

} // namespace ostrevin
