#include "views/kit/Layouts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrevin::kit {

QVBoxLayout* columnLayout(QWidget* container, int spacing)
{
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QWidget* trailingBox(std::initializer_list<QWidget*> buttons)
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (QWidget* button : buttons)
        row->addWidget(button);
    return box;
}

} // namespace ostrevin::kit
