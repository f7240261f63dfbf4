#include "views/kit/AdaptiveRow.h"

#include <QEvent>

namespace ostrevin::kit {

namespace {

// What a group asks for, within the limits it sets itself.
QSize wanted(const QWidget* widget)
{
    return widget->sizeHint().expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize());
}

} // namespace

AdaptiveRow::AdaptiveRow(QWidget* leading, QWidget* trailing, QWidget* parent, int spacing)
    : QWidget(parent), m_leading(leading), m_trailing(trailing), m_spacing(spacing)
{
    m_leading->setParent(this);
    m_trailing->setParent(this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

bool AdaptiveRow::stacksAt(int width) const
{
    return wanted(m_leading).width() + m_spacing + wanted(m_trailing).width() > width;
}

QSize AdaptiveRow::sizeHint() const
{
    const QSize a = wanted(m_leading);
    const QSize b = wanted(m_trailing);
    return {a.width() + m_spacing + b.width(), qMax(a.height(), b.height())};
}

QSize AdaptiveRow::minimumSizeHint() const
{
    const QSize a = m_leading->minimumSizeHint();
    const QSize b = m_trailing->minimumSizeHint();
    return {qMax(a.width(), b.width()), a.height() + m_spacing + b.height()};
}

int AdaptiveRow::heightForWidth(int width) const
{
    const int a = wanted(m_leading).height();
    const int b = wanted(m_trailing).height();
    // A layout may offer more width than the row can take.
    return stacksAt(qMin(width, maximumWidth())) ? a + m_spacing + b : qMax(a, b);
}

void AdaptiveRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

bool AdaptiveRow::event(QEvent* event)
{
    // A group that changes its size may move the row between one and two lines.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        place();
    }
    return QWidget::event(event);
}

void AdaptiveRow::place()
{
    const QSize a = wanted(m_leading);
    const QSize b = wanted(m_trailing);
    if (stacksAt(width())) {
        m_leading->setGeometry(0, 0, width(), a.height());
        m_trailing->setGeometry(0, a.height() + m_spacing, width(), b.height());
    } else {
        const int line = qMax(a.height(), b.height());
        m_leading->setGeometry(0, (line - a.height()) / 2, width() - b.width() - m_spacing, a.height());
        m_trailing->setGeometry(width() - b.width(), (line - b.height()) / 2, b.width(), b.height());
    }
}

} // namespace ostrevin::kit
