#include "views/kit/KeyedRows.h"

namespace ostrevin::kit {

void retireRow(QWidget* row)
{
    row->hide();
    if (QWidget* box = row->parentWidget()) {
        if (QLayout* layout = box->layout())
            layout->removeWidget(row);
    }
    // Out of the widget tree, so a search for rows finds only those listed.
    row->setParent(nullptr);
    row->deleteLater();
}

void chainTabOrder(const QList<QWidget*>& rows)
{
    QWidget* previous = nullptr;
    for (QWidget* row : rows) {
        // Children come in the order they were added: a row's reading order.
        for (QWidget* stop : row->findChildren<QWidget*>()) {
            if (!(stop->focusPolicy() & Qt::TabFocus) || stop->window() != row->window())
                continue;
            if (previous)
                QWidget::setTabOrder(previous, stop);
            previous = stop;
        }
    }
}

} // namespace ostrevin::kit
