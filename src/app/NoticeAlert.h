#pragma once

#include <QObject>
#include <QPointer>

class QMessageBox;
class QWidget;

namespace ostrevin {

class LocationPlannerViewModel;

/// Shows the view model's notice as an alert over the main window, whatever the
/// window shows (the setup screen too), or over the settings window while that is
/// open and the main window is not in use, and clears the notice when the alert
/// closes. A newer notice replaces the text of one still shown.
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
};

} // namespace ostrevin
