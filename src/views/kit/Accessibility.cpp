#include "views/kit/Accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace ostrevin::kit {

namespace {

constexpr char headingProperty[] = "ostrevinAccessibleHeading";
constexpr char hiddenProperty[] = "ostrevinAccessibleHidden";

/// A decoration: present in the tree (Qt needs every widget there) but invisible.
class HiddenWidget final : public QAccessibleWidget {
public:
    explicit HiddenWidget(QWidget* widget) : QAccessibleWidget(widget) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* marked(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (widget->property(headingProperty).toBool())
        return new QAccessibleWidget(widget, QAccessible::Heading);
    if (widget->property(hiddenProperty).toBool())
        return new HiddenWidget(widget);
    return nullptr;
}

void mark(QWidget& widget, const char* property)
{
    static const bool installed = [] {
        QAccessible::installFactory(marked);
        return true;
    }();
    static_cast<void>(installed);
    widget.setProperty(property, true);
    // An interface made before the mark is cached: drop it, so the next one is marked.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

} // namespace

void markAsHeading(QWidget& widget)
{
    mark(widget, headingProperty);
}

void hideFromAccessibility(QWidget& widget)
{
    mark(widget, hiddenProperty);
}

AccessibleChildren::~AccessibleChildren()
{
    for (const QAccessible::Id id : std::as_const(m_ids))
        QAccessible::deleteAccessibleInterface(id);
}

int AccessibleChildren::indexOf(const QAccessibleInterface* child) const
{
    for (auto it = m_ids.cbegin(); it != m_ids.cend(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child)
            return it.key();
    }
    return -1;
}

} // namespace ostrevin::kit
