#include "views/place/PlaceSuggestionList.h"

#include "views/kit/Brand.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"
#include "views/place/PlaceSuggestionAccessible.h"

#include <QAccessible>
#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace ostrevin {

using namespace kit;

namespace {

constexpr int listPadding = 4;
constexpr int rowHorizontalPadding = 8;
constexpr int rowVerticalPadding = 6;
constexpr int iconWidth = 18;
constexpr int iconSpacing = 8;

} // namespace

PlaceSuggestionList::PlaceSuggestionList(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    //: Accessibility label of the list of places found while typing in a search field.
    PlaceSuggestionListAccessible::install();
    setAccessibleName(tr("Suggestions"));
}

void PlaceSuggestionList::setSuggestions(const QList<PlaceSuggestion>& suggestions)
{
    m_suggestions = suggestions;
    m_pressed = -1;
    m_lastPointer = QCursor::pos();
    updateGeometry();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

void PlaceSuggestionList::setHighlightedIndex(int index)
{
    if (index == m_highlighted)
        return;
    m_highlighted = index;
    update();
    if (QAccessible::isActive() && index >= 0 && index < m_suggestions.size()) {
        QAccessibleEvent event(this, QAccessible::Selection);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

int PlaceSuggestionList::rowHeight(int index) const
{
    const int title = QFontMetrics(textFont(TextStyle::Callout)).height();
    const int subtitle =
        m_suggestions.at(index).subtitle.isEmpty() ? 0 : 1 + QFontMetrics(textFont(TextStyle::Caption)).height();
    return 2 * rowVerticalPadding + title + subtitle;
}

QRect PlaceSuggestionList::rowRect(int index) const
{
    int top = listPadding;
    for (int i = 0; i < index; ++i)
        top += rowHeight(i);
    return {listPadding, top, width() - 2 * listPadding, rowHeight(index)};
}

int PlaceSuggestionList::rowAt(const QPoint& position) const
{
    for (int i = 0; i < m_suggestions.size(); ++i) {
        if (rowRect(i).contains(position))
            return i;
    }
    return -1;
}

QSize PlaceSuggestionList::sizeHint() const
{
    int height = 2 * listPadding;
    for (int i = 0; i < m_suggestions.size(); ++i)
        height += rowHeight(i);
    return {200, height};
}

QSize PlaceSuggestionList::minimumSizeHint() const
{
    return {80, sizeHint().height()};
}

void PlaceSuggestionList::paintEvent(QPaintEvent*)
{
    const Brand& brand = Brand::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    fillRoundedRect(painter, bounds, 8, brand.base);
    strokeRoundedRectInside(painter, bounds, 8, brand.primaryAt(0.12), 1);

    const QFont titleFont = textFont(TextStyle::Callout);
    const QFont subtitleFont = textFont(TextStyle::Caption);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    for (int i = 0; i < m_suggestions.size(); ++i) {
        const PlaceSuggestion& suggestion = m_suggestions.at(i);
        const QRect row = rowRect(i);
        if (i == m_highlighted)
            fillRoundedRect(painter, row, 6, brand.accentWash);
        const QRect content =
            row.adjusted(rowHorizontalPadding, rowVerticalPadding, -rowHorizontalPadding, -rowVerticalPadding);
        const QRectF icon(content.left(), content.top(), iconWidth, content.height());
        paintSymbol(painter, icon, suggestion.isCoordinates() ? "location"_symbol : "mappin"_symbol, brand.accentText,
                    textStylePixelSize(TextStyle::Caption) * textScale() + 3);
        const int textLeft = content.left() + iconWidth + iconSpacing;
        const int textWidth = std::max(0, content.right() - textLeft);
        painter.setPen(brand.primary);
        painter.setFont(titleFont);
        painter.drawText(QRect(textLeft, content.top(), textWidth, titleMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         titleMetrics.elidedText(suggestion.title, Qt::ElideRight, textWidth));
        if (!suggestion.subtitle.isEmpty()) {
            painter.setPen(brand.secondary);
            painter.setFont(subtitleFont);
            painter.drawText(
                QRect(textLeft, content.top() + titleMetrics.height() + 1, textWidth, subtitleMetrics.height()),
                Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                subtitleMetrics.elidedText(suggestion.subtitle, Qt::ElideRight, textWidth));
        }
    }
}

void PlaceSuggestionList::mouseMoveEvent(QMouseEvent* event)
{
    // Rows that appear under a resting pointer get move events without a move;
    // only a real change of position may move the highlight.
    const QPoint global = event->globalPosition().toPoint();
    if (global == m_lastPointer)
        return;
    m_lastPointer = global;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        emit hovered(row);
}

void PlaceSuggestionList::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint()) : -1;
}

void PlaceSuggestionList::mouseReleaseEvent(QMouseEvent* event)
{
    const int row = rowAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && row >= 0 && row == m_pressed)
        emit clicked(row);
    m_pressed = -1;
}

} // namespace ostrevin
