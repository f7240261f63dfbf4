#include "views/kit/TailTextBox.h"

#include "views/kit/Brand.h"
#include "views/kit/TextStyle.h"

#include <QFontDatabase>
#include <QScrollBar>
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
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar] {
        if (m_followsEnd)
            bar->setValue(bar->maximum());
    });
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { m_followsEnd = value == bar->maximum(); });
}

void TailTextBox::setTailText(const QString& text)
{
    const QString tail = text.right(tailCharacters);
    if (toPlainText() == tail)
        return;
    setPlainText(tail);
    m_followsEnd = true;
    updateGeometry();
    placeScrollBar();
}

void TailTextBox::setSecondaryColour(bool secondary)
{
    m_secondary = secondary;
    colour();
}

int TailTextBox::heightForWidth(int width) const
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
            return m_maximumHeight;
    }
    return std::min(m_maximumHeight, static_cast<int>(std::ceil(lines * lineHeight + 2 * margin)) + frame + 1);
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
    setVerticalScrollBarPolicy(heightForWidth(width()) < m_maximumHeight ? Qt::ScrollBarAlwaysOff
                                                                         : Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

} // namespace ostrevin::kit
