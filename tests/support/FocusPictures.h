#pragma once

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

namespace ostrevin::test {

struct FocusPictures {
    QImage focused;
    QImage unfocused;
    bool hadFocus = false;
};

/// The widget as drawn with the keyboard focus and without it, in its shown, active
/// window: a control that shows its focus draws two different pictures.
inline FocusPictures focusPictures(QWidget& widget)
{
    QWidget* window = widget.window();
    window->show();
    window->activateWindow();
    FocusPictures pictures;
    if (!QTest::qWaitForWindowActive(window))
        return pictures;
    widget.setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    pictures.hadFocus = widget.hasFocus();
    pictures.focused = widget.grab().toImage();
    widget.clearFocus();
    QApplication::processEvents();
    pictures.unfocused = widget.grab().toImage();
    return pictures;
}

} // namespace ostrevin::test
