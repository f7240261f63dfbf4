#pragma once

#include <QObject>
#include <QPointer>

class QMessageBox;
class QWidget;

namespace ostrevin {

class LocationPlannerViewModel;

/// Shows the view model's notice as an alert over the window whose action it
/// answers: the main window, whatever it shows (the setup screen too), or the
/// settings window while that is open. Clears the notice when the alert closes. A
/// newer notice replaces the text of one still shown over the same window.
class NoticeAlert final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NoticeAlert)

public:
    NoticeAlert(LocationPlannerViewModel& viewModel, QWidget& window);
    ~NoticeAlert() override;

private:
    void sync();

    LocationPlannerViewModel& m_viewModel;
    QWidget& m_window;
    QPointer<QMessageBox> m_box;
    /// Tells the open box from one that gave way to a box over another window.
    quint64 m_boxGeneration = 0;
};

} // namespace ostrevin
