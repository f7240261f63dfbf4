#include "views/kit/MetricView.h"

#include "views/kit/KitLabel.h"

#include <QVBoxLayout>

namespace ostrevin::kit {

MetricView::MetricView(const QString& title, const QString& value, QWidget* parent)
    : QWidget(parent), m_title(new KitLabel(title, TextStyle::Caption)),
      m_value(new KitLabel(value, TextStyle::Callout))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    m_title->setColorRole(BrandColor::Secondary);
    m_title->setMaximumLines(1);
    m_title->setMinimumScale(0.8);
    m_value->setTextStyle(TextStyle::Callout, QFont::DemiBold);
    m_value->setTabularDigits(true);
    m_value->setMaximumLines(1);
    m_value->setMinimumScale(0.7);
    for (KitLabel* label : {m_title, m_value}) {
        label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        column->addWidget(label);
    }
    updateAccessibleName();
}

void MetricView::setTitle(const QString& title)
{
    m_title->setText(title);
    updateAccessibleName();
}

void MetricView::setValue(const QString& value)
{
    m_value->setText(value);
    updateAccessibleName();
}

void MetricView::updateAccessibleName()
{
    setAccessibleName(m_title->text() + u' ' + m_value->text());
}

} // namespace ostrevin::kit
