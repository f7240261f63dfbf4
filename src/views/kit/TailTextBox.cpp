#include "views/kit/TailTextBox.h"

#include "views/kit/Brand.h"
#include "views/kit/TextStyle.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <cmath>

namespace ostrevin::kit {

TailTextBox::TailTextBox(int maximumHeight, QWidget* parent) : QPlainTextEdit(parent), m_maximumHeight(maximumHeight)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(textFont(TextStyle::Caption).pixelSize());
    setFont(mono);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    // The end stays in view as the text is laid out (again) at a new width, until the
    // user scrolls away from it.
    QScrollBar* bar = verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this] {
        if (m_followsEnd || m_openingBlock >= 0)
            scrollToOpening();
        hideLineAboveTop();
    });
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        m_followsEnd = value == bar->maximum();
        hideLineAboveTop();
    });
}

void TailTextBox::setTailText(const QString& text, const QString& openAt)
{
    const QString tail = text.right(tailCharacters);
    const qsizetype opening = openAt.isEmpty() ? -1 : tail.indexOf(openAt);
    // Counted in the text shown, which is the tail once it is set.
    const auto openingBlock = [&] { return opening < 0 ? -1 : document()->findBlock(int(opening)).blockNumber(); };
    if (toPlainText() == tail && m_openingBlock == openingBlock())
        return;
    setPlainText(tail);
    m_openingBlock = openingBlock();
    m_followsEnd = m_openingBlock < 0;
    updateGeometry();
    placeScrollBar();
}

void TailTextBox::setSecondaryColour(bool secondary)
{
    m_secondary = secondary;
    colour();
}

std::optional<int> TailTextBox::fittingHeight(int width) const
{
    // Lines are counted only until they fill the box, so a long text costs no more
    // than a short one; the cursor's width stays free at each line's end, as the box
    // keeps it.
    const qreal margin = document()->documentMargin();
    const qreal lineHeight = QFontMetricsF(font()).height();
    const int frame = 2 * frameWidth();
    const int maxLines = static_cast<int>(std::ceil((m_maximumHeight - frame - 2 * margin) / lineHeight));
    const qreal lineWidth = std::max<qreal>(1, width - frame - 2 * margin - 1);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    int lines = 0;
    for (const QString& paragraph : toPlainText().split(u'\n')) {
        QTextLayout layout(paragraph, font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid() && lines <= maxLines; line = layout.createLine()) {
            line.setLineWidth(lineWidth);
            ++lines;
        }
        layout.endLayout();
        if (lines > maxLines)
            return std::nullopt;
    }
    const int height = static_cast<int>(std::ceil(lines * lineHeight + 2 * margin)) + frame + 1;
    return height < m_maximumHeight ? std::optional(height) : std::nullopt;
}

int TailTextBox::scrollingHeight() const
{
    // As many whole lines as the bound allows, and the room the plain text edit keeps
    // under its last line when it shows the end: no half-empty line at the foot.
    const qreal margin = document()->documentMargin();
    const qreal lineHeight = QFontMetricsF(font()).height();
    const int frame = 2 * frameWidth();
    const int lines = std::max(1, static_cast<int>((m_maximumHeight - frame - 2 * margin - 1) / lineHeight));
    return static_cast<int>(std::ceil(lines * lineHeight + 2 * margin)) + frame + 1;
}

int TailTextBox::heightForWidth(int width) const
{
    return fittingHeight(width).value_or(scrollingHeight());
}

QSize TailTextBox::sizeHint() const
{
    const int width = std::max(QPlainTextEdit::sizeHint().width(), this->width());
    return {width, heightForWidth(width)};
}

QSize TailTextBox::minimumSizeHint() const
{
    return {QFontMetrics(font()).averageCharWidth() * 8, std::min(m_maximumHeight, heightForWidth(this->width()))};
}

void TailTextBox::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    placeScrollBar();
}

void TailTextBox::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_secondary)
        colour();
}

void TailTextBox::colour()
{
    if (!m_secondary) {
        setPalette(QPalette());
        return;
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::Text, Brand::current().secondary);
    setPalette(palette);
}

void TailTextBox::placeScrollBar()
{
    // Text that fits needs no scroll bar (it would narrow the lines and then need one).
    setVerticalScrollBarPolicy(fittingHeight(width()) ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    scrollToOpening();
    hideLineAboveTop();
}

void TailTextBox::scrollToOpening()
{
    QScrollBar* bar = verticalScrollBar();
    const QTextBlock opening = document()->findBlockByNumber(m_openingBlock);
    // The box scrolls by lines: a block's first line is where it starts.
    bar->setValue(opening.isValid() ? std::min(opening.firstLineNumber(), bar->maximum()) : bar->maximum());
}

void TailTextBox::hideLineAboveTop()
{
    // The box scrolls by lines; a top line inside a wrapped paragraph starts a
    // fraction of a pixel down, and the line above it would show along the top
    // edge as a row of cut-off descenders.
    int cut = 0;
    const QTextBlock block = firstVisibleBlock();
    if (const QTextLayout* layout = block.isValid() ? block.layout() : nullptr) {
        const qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const qreal lineTop = top + layout->lineAt(i).y();
            if (lineTop > -0.5) {
                cut = std::max(0, static_cast<int>(std::ceil(lineTop)));
                break;
            }
        }
    }
    if (cut > 0)
        viewport()->setMask(QRect(0, cut, viewport()->width(), std::max(0, viewport()->height() - cut)));
    else if (!viewport()->mask().isEmpty())
        viewport()->clearMask();
}

} // namespace ostrevin::kit
