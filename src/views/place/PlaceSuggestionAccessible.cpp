#include "views/place/PlaceSuggestionAccessible.h"

#include "views/place/PlaceSuggestionList.h"

#include <QPointer>

namespace ostrevin {

namespace {

/// One row: it reads the list each time it is asked, so it never shows a stale
/// suggestion; a row beyond the current list is no longer valid.
class SuggestionRowAccessible final : public kit::PaintedPartAccessible, public QAccessibleActionInterface {
public:
    SuggestionRowAccessible(PlaceSuggestionList* list, int row) : PaintedPartAccessible(list), m_row(row) {}

    bool isValid() const override { return list() && m_row < list()->suggestionCount(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        const PlaceSuggestion& suggestion = list()->suggestionAt(m_row);
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
        const QRect row = list()->rowRect(m_row);
        return {list()->mapToGlobal(row.topLeft()), row.size()};
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.selected = list()->highlightedIndex() == m_row;
        state.disabled = !list()->isEnabled();
        state.invisible = !list()->isVisible();
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
            emit list()->clicked(m_row);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    PlaceSuggestionList* list() const { return static_cast<PlaceSuggestionList*>(owner()); }

    int m_row;
};

} // namespace

PlaceSuggestionListAccessible::PlaceSuggestionListAccessible(PlaceSuggestionList* list)
    : QAccessibleWidget(list, QAccessible::List)
{
}

void PlaceSuggestionListAccessible::install()
{
    kit::installAccessibleFactory<PlaceSuggestionList, PlaceSuggestionListAccessible>();
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
    return m_rows.at(index, [this](int row) { return new SuggestionRowAccessible(list(), row); });
}

int PlaceSuggestionListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const int row = m_rows.indexOf(child);
    return row < childCount() ? row : -1;
}

QAccessibleInterface* PlaceSuggestionListAccessible::childAt(int x, int y) const
{
    return child(list()->rowAt(list()->mapFromGlobal(QPoint(x, y))));
}

} // namespace ostrevin
