#pragma once

#include "views/place/PlaceSuggestion.h"

#include <QList>
#include <QWidget>

namespace ostrevin {

/// The inline list under a search field: one row per suggestion, the highlighted
/// one on the accent wash. It takes no focus, so clicking a row leaves the
/// field's text field focused. The highlight follows real pointer movement only.
/// Screen readers see one item per row (PlaceSuggestionListAccessible).
class PlaceSuggestionList final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlaceSuggestionList)

public:
    explicit PlaceSuggestionList(QWidget* parent = nullptr);
    ~PlaceSuggestionList() override = default;

    void setSuggestions(const QList<PlaceSuggestion>& suggestions);
    void setHighlightedIndex(int index);
    int highlightedIndex() const { return m_highlighted; }
    int suggestionCount() const { return int(m_suggestions.size()); }
    const PlaceSuggestion& suggestionAt(int index) const { return m_suggestions.at(index); }
    /// The row at a point of this widget, or -1.
    int rowAt(const QPoint& position) const;
    QRect rowRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    /// The pointer moved onto a row.
    void hovered(int index);
    void clicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int rowHeight(int index) const;

    QList<PlaceSuggestion> m_suggestions;
    int m_highlighted = 0;
    int m_pressed = -1;
    /// Global position of the pointer when it last counted (or the list changed).
    QPoint m_lastPointer;
};

} // namespace ostrevin
