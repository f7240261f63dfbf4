#include "views/kit/PanelSection.h"

#include "views/kit/SectionHeader.h"

#include <QVBoxLayout>

namespace ostrevin::kit {

PanelSection::PanelSection(const QString& title, QWidget* content, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_header(new SectionHeader(title, this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(8);
    m_layout->addWidget(m_header);
    if (content)
        addContent(content);
}

void PanelSection::addContent(QWidget* content)
{
    m_layout->addWidget(content);
}

void PanelSection::setTitle(const QString& title)
{
    m_header->setText(title);
}

} // namespace ostrevin::kit
