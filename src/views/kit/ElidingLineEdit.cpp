#include "views/kit/ElidingLineEdit.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace ostrevin::kit {

namespace {

/// QLineEdit's own room between its contents rectangle and the text.
constexpr int lineEditTextMargin = 2;

} // namespace

ElidingLineEdit::ElidingLineEdit(QWidget* parent) : QLineEdit(parent)
{
}

QRect ElidingLineEdit::textArea() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &option, this)
        .marginsRemoved(textMargins())
        .adjusted(lineEditTextMargin, 0, -lineEditTextMargin, 0);
}

QString ElidingLineEdit::shownText() const
{
    if (hasFocus() || echoMode() != Normal)
        return text();
    return fontMetrics().elidedText(text(), Qt::ElideRight, textArea().width());
}

void ElidingLineEdit::paintEvent(QPaintEvent* event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    // The field has no frame of its own; only its text is drawn.
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(textArea(), int(Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
}

} // namespace ostrevin::kit
