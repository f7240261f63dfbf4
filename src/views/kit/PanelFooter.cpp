#include "views/kit/PanelFooter.h"

#include "views/kit/Brand.h"

#include <QPainter>
#include <QVBoxLayout>

namespace ostrevin::kit {

PanelFooter::PanelFooter(QWidget* content, QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(16, 16, 16, 16);
    m_layout->setSpacing(8);
    if (content)
        addContent(content);
}

void PanelFooter::addContent(QWidget* content)
{
    m_layout->addWidget(content);
}

void PanelFooter::paintEvent(QPaintEvent*)
{
    // The divider lies over the top edge and takes no room of its own.
    QPainter painter(this);
    painter.fillRect(QRectF(0, 0, width(), 1), Brand::current().primaryAt(0.12));
}

} // namespace ostrevin::kit
