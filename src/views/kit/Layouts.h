#pragma once

#include <QWidget>
#include <initializer_list>

class QVBoxLayout;

namespace ostrevin::kit {

/// A column without margins, by default without spacing either (the panels' row lists).
QVBoxLayout* columnLayout(QWidget* container, int spacing = 0);
/// The trailing buttons of a row, side by side.
QWidget* trailingBox(std::initializer_list<QWidget*> buttons);

} // namespace ostrevin::kit
