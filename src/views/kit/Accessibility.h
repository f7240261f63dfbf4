#pragma once

#include <QAccessible>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace ostrevin::kit {

/// Screen readers announce the widget as a heading (with its accessible name).
void markAsHeading(QWidget& widget);
/// Screen readers skip the widget: a picture that only decorates.
void hideFromAccessibility(QWidget& widget);

/// Lets Qt build an Interface (constructed from a Widget*) for every Widget; the
/// first call installs it, later ones do nothing.
template <typename Widget, typename Interface> void installAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
            if (className != QLatin1String(Widget::staticMetaObject.className()))
                return nullptr;
            auto* widget = qobject_cast<Widget*>(object);
            return widget ? new Interface(widget) : nullptr;
        });
        return true;
    }();
    static_cast<void>(installed);
}

/// A part of a widget that it paints itself (a row, a mark): a leaf whose parent
/// is the widget's interface.
class PaintedPartAccessible : public QAccessibleInterface {
public:
    explicit PaintedPartAccessible(QWidget* owner) : m_owner(owner) {}

    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_owner); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    /// Null once the widget is gone.
    QWidget* owner() const { return m_owner; }

private:
    QPointer<QWidget> m_owner;
};

/// The interfaces of a widget's painted children (rows, marks): made on demand,
/// kept by index and deleted with the owner, the widget's own interface.
class AccessibleChildren {
public:
    AccessibleChildren() = default;
    ~AccessibleChildren();
    AccessibleChildren(const AccessibleChildren&) = delete;
    AccessibleChildren& operator=(const AccessibleChildren&) = delete;

    /// The child at index, made by make(index) the first time it is asked for.
    template <typename Make> QAccessibleInterface* at(int index, Make make)
    {
        if (const auto found = m_ids.constFind(index); found != m_ids.cend())
            return QAccessible::accessibleInterface(*found);
        QAccessibleInterface* child = make(index);
        m_ids.insert(index, QAccessible::registerAccessibleInterface(child));
        return child;
    }
    /// The index the child was made for; -1 for an interface made elsewhere.
    int indexOf(const QAccessibleInterface* child) const;

private:
    QHash<int, QAccessible::Id> m_ids;
};

} // namespace ostrevin::kit
