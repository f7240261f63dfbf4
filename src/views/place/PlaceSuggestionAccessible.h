#pragma once

#include "views/kit/Accessibility.h"

#include <QAccessibleWidget>

namespace ostrevin {

class PlaceSuggestionList;

/// What a screen reader sees of a suggestion list: a list with one item per row,
/// named by the row's title and described by its subtitle, the highlighted row
/// selected, and a press action that picks it as a click would.
class PlaceSuggestionListAccessible final : public QAccessibleWidget {
public:
    explicit PlaceSuggestionListAccessible(PlaceSuggestionList* list);

    /// Lets Qt build this for every suggestion list; called once by the list.
    static void install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    PlaceSuggestionList* list() const;

private:
    mutable kit::AccessibleChildren m_rows;
};

} // namespace ostrevin
