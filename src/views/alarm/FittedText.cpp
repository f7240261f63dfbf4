#include "views/alarm/FittedText.h"

#include "views/kit/KitLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace ostrevin {

namespace {

QFont scaled(QFont font, qreal scale)
{
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, qRound(font.pixelSize() * scale)));
    else
        font.setPointSizeF(font.pointSizeF() * scale);
    return font;
}

} // namespace

FittedText::FittedText(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
    : QWidget(parent), m_text(text), m_font(font), m_color(color)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(text);
}

FittedText::~FittedText() = default;

void FittedText::setText(const QString& text)
{
    if (text == m_text)
        return;
    // A screen reader reads the text shown now.
    if (accessibleName() == m_text)
        setAccessibleName(text);
    m_text = text;
    updateGeometry();
    update();
}

void FittedText::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void FittedText::setMaximumLines(int lines)
{
    m_maximumLines = lines;
    updateGeometry();
}

void FittedText::setMinimumScale(qreal scale)
{
    m_minimumScale = scale;
    updateGeometry();
}

void FittedText::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

FittedText::Fit FittedText::fitForWidth(int width) const
{
    width = std::max(width, 1);
    if (m_maximumLines <= 0)
        return {m_font, kit::wrappedLines(m_text, m_font, width)};
    // Shrink in steps of 5 % of the full size until the text fits the lines.
    const int steps = static_cast<int>(std::floor((1.0 - m_minimumScale) / 0.05 + 1e-9));
    for (int step = 0; step <= steps; ++step) {
        const QFont font = scaled(m_font, 1.0 - 0.05 * step);
        QStringList lines = kit::wrappedLines(m_text, font, width);
        if (lines.size() <= m_maximumLines)
            return {font, lines};
    }
    const QFont font = scaled(m_font, m_minimumScale);
    return {font, kit::wrappedLines(m_text, font, width, m_maximumLines)};
}

int FittedText::heightForWidth(int width) const
{
    const Fit fit = fitForWidth(width);
    return qCeil(QFontMetricsF(fit.font).lineSpacing() * fit.lines.size());
}

QSize FittedText::sizeHint() const
{
    const int natural = qCeil(QFontMetricsF(m_font).horizontalAdvance(m_text.section(u'\n', 0, 0)) + 1);
    const int width = std::min(natural, maximumWidth());
    return {width, heightForWidth(width)};
}

QSize FittedText::minimumSizeHint() const
{
    // One line at the smallest size: the layout gives a wrapped text the height its
    // width needs, so a minimum that grew with the text would only push the rest of
    // the alarm (its button too) off a small screen.
    const QFont smallest = m_maximumLines > 0 ? scaled(m_font, m_minimumScale) : m_font;
    return {std::min(80, sizeHint().width()), qCeil(QFontMetricsF(smallest).lineSpacing())};
}

void FittedText::setTextFont(const QFont& font)
{
    m_font = font;
    updateGeometry();
    update();
}

void FittedText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Fit fit = fitForWidth(width());
    painter.setFont(fit.font);
    painter.setPen(m_color);
    const QFontMetricsF metrics(fit.font);
    qreal y = 0;
    for (const QString& line : fit.lines) {
        painter.drawText(QRectF(0, y, width(), metrics.lineSpacing()), int(m_alignment | Qt::AlignVCenter), line);
        y += metrics.lineSpacing();
    }
}

} // namespace ostrevin
