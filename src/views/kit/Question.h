#pragma once

#include <QMessageBox>
#include <QPixmap>
#include <functional>

namespace ostrevin::kit {

/// A message or question as the window shows it: window-modal, never blocking
/// anything else (an alarm must still come up), its texts always plain.
struct Question {
    /// For tests and for finding the open box again.
    QString objectName;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    /// Shown instead of the icon when set (the About box).
    QPixmap iconPixmap;
    /// Empty: the product name.
    QString title;
    QString text;
    QString informativeText;
    /// The button that acts. Empty: a message with only OK, which Return and
    /// Escape both close.
    QString actionTitle;
    QString actionObjectName;
    /// DestructiveRole: Cancel is the default and the escape button, so Return
    /// never removes or resets anything. AcceptRole: the action is the default,
    /// Escape cancels.
    QMessageBox::ButtonRole actionRole = QMessageBox::DestructiveRole;
    /// Asked for from wherever the keys were (the window manager's close from a dock
    /// or a taskbar): it opens at once and brings its window forward. Otherwise it
    /// waits while the user is in another program.
    bool bringsWindowForward = false;
};

/// Opens the question over parent (window-modal, through open()) and deletes the
/// box once it closes; closed(true) when the action button closed it, closed(false)
/// for any other end (Cancel, Escape, OK, the window's close button, close()).
/// closed runs only while context lives and stays connected to the box. The box is
/// returned for a QPointer: it is null again once the box is gone.
QMessageBox* openQuestion(QWidget* parent, const Question& question, QObject* context = nullptr,
                          std::function<void(bool acted)> closed = {});

} // namespace ostrevin::kit
