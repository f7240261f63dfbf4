#include "views/place/PlaceSuggestionAccessible.h"

#include "views/place/PlaceSuggestionList.h"

#include <QPointer>

namespace ostrevin {

namespace {

/// One row: it reads the list each time it is asked, so it never shows a stale
/// suggestion; a row beyond the current list is no longer valid.
class SuggestionRowAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    SuggestionRowAccessible(PlaceSuggestionList* list, int row) : m_list(list), m_row(row) {}

    bool isValid() const override { return m_list && m_row < m_list->suggestionCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_list); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        const PlaceSuggestion& suggestion = m_list->suggestionAt(m_row);
        switch (kind) {
        case QAccessible::Name:
            return suggestion.title;
        case QAccessible::Description:
            return suggestion.subtitle;
        default:
            return {};
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect row = m_list->rowRect(m_row);
        return {m_list->mapToGlobal(row.topLeft()), row.size()};
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.selected = m_list->highlightedIndex() == m_row;
        state.disabled = !m_list->isEnabled();
        state.invisible = !m_list->isVisible();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& name) override
    {
        if (name == pressAction() && isValid())
            emit m_list->clicked(m_row);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<PlaceSuggestionList> m_list;
    int m_row;
};

QAccessibleInterface* suggestionListFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String(PlaceSuggestionList::staticMetaObject.className()))
        return nullptr;
    auto* list = qobject_cast<PlaceSuggestionList*>(object);
    return list ? new PlaceSuggestionListAccessible(list) : nullptr;
}

} // namespace

PlaceSuggestionListAccessible::PlaceSuggestionListAccessible(PlaceSuggestionList* list)
    : QAccessibleWidget(list, QAccessible::List)
{
}

PlaceSuggestionListAccessible::~PlaceSuggestionListAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_rows))
        QAccessible::deleteAccessibleInterface(id);
}

void PlaceSuggestionListAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(suggestionListFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

PlaceSuggestionList* PlaceSuggestionListAccessible::list() const
{
    return static_cast<PlaceSuggestionList*>(widget());
}

int PlaceSuggestionListAccessible::childCount() const
{
    return list()->suggestionCount();
}

QAccessibleInterface* PlaceSuggestionListAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    if (const auto found = m_rows.constFind(index); found != m_rows.cend())
        return QAccessible::accessibleInterface(*found);
    auto* row = new SuggestionRowAccessible(list(), index);
    m_rows.insert(index, QAccessible::registerAccessibleInterface(row));
    return row;
}

int PlaceSuggestionListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child)
            return it.key() < childCount() ? it.key() : -1;
    }
    return -1;
}

QAccessibleInterface* PlaceSuggestionListAccessible::childAt(int x, int y) const
{
    return child(list()->rowAt(list()->mapFromGlobal(QPoint(x, y))));
}

} // namespace ostrevin
