#include "views/kit/PanelScaffold.h"

#include "views/kit/KitLabel.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ostrevin::kit {

PanelScaffold::PanelScaffold(const QString& title, QWidget* accessory, QWidget* footer, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_title(new KitLabel(title, TextStyle::Title2)),
      m_scroll(new QScrollArea(this)), m_content(nullptr)
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 12);
    header->setSpacing(8);
    m_title->setTextStyle(TextStyle::Title2, QFont::DemiBold);
    m_title->setMaximumLines(2);
    m_title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_title->setAccessibleDescription(tr("Heading"));
    header->addWidget(m_title, 1, Qt::AlignTop);
    if (accessory)
        header->addWidget(accessory, 0, Qt::AlignTop);
    m_layout->addLayout(header);

    auto* column = new QWidget;
    m_content = new QVBoxLayout(column);
    m_content->setContentsMargins(16, 0, 16, 24);
    m_content->setSpacing(24);
    m_content->addStretch(1);
    m_scroll->setWidget(column);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // It draws no focus: as a Tab stop it would take the keyboard out of sight.
    // The wheel scrolls it all the same, and Tab scrolls to the control it reaches.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->viewport()->setAutoFillBackground(false);
    // setWidget() turned this on; the panel's own surface shows through instead.
    column->setAutoFillBackground(false);
    m_layout->addWidget(m_scroll, 1);

    if (footer)
        setFooter(footer);
}

void PanelScaffold::setTitle(const QString& title)
{
    m_title->setText(title);
}

void PanelScaffold::addContent(QWidget* part)
{
    // Before the stretch that keeps the content at the top.
    m_content->insertWidget(m_content->count() - 1, part);
}

void PanelScaffold::setFooter(QWidget* footer)
{
    if (m_footer)
        m_footer->deleteLater();
    m_footer = footer;
    if (footer)
        m_layout->addWidget(footer);
}

} // namespace ostrevin::kit
