#include "views/kit/KitLabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

namespace ostrevin::kit {

QStringList wrappedLines(const QString& text, const QFont& font, int width, int maximumLines)
{
    if (text.isEmpty())
        return {};
    QString laidOut = text;
    laidOut.replace(u'\n', QChar::LineSeparator);
    QStringList lines;
    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(1, width));
        if (maximumLines > 0 && lines.size() == maximumLines - 1) {
            // The last allowed line takes the rest of the text and is cut.
            const QString rest = laidOut.mid(line.textStart()).simplified();
            lines << QFontMetricsF(font).elidedText(rest, Qt::ElideRight, width);
            break;
        }
        lines << laidOut.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

KitLabel::KitLabel(const QString& text, TextStyle style, QWidget* parent)
    : QWidget(parent), m_text(text), m_style(style)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(text);
}

void KitLabel::setText(const QString& text)
{
    setText(text, QString());
}

void KitLabel::setText(const QString& cuttable, const QString& kept)
{
    const QString text = cuttable + kept;
    if (text == m_text && kept.size() == m_keptLength)
        return;
    m_text = text;
    m_keptLength = kept.size();
    setAccessibleName(text);
    textChanged();
}

void KitLabel::setTextStyle(TextStyle style, std::optional<QFont::Weight> weight)
{
    m_style = style;
    m_weight = weight;
    textChanged();
}

void KitLabel::setColorRole(BrandColor role)
{
    m_color = role;
    update();
}

void KitLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void KitLabel::setMaximumLines(int lines)
{
    m_maximumLines = qMax(0, lines);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(m_maximumLines != 1);
    setSizePolicy(policy);
    textChanged();
}

void KitLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elide = mode;
    textChanged();
}

void KitLabel::setMinimumScale(qreal scale)
{
    m_minimumScale = qBound<qreal>(0.1, scale, 1.0);
    textChanged();
}

void KitLabel::setUppercase(bool uppercase)
{
    m_uppercase = uppercase;
    textChanged();
}

void KitLabel::setLetterSpacing(qreal pixels)
{
    m_letterSpacing = pixels;
    textChanged();
}

void KitLabel::setTabularDigits(bool tabular)
{
    m_tabularDigits = tabular;
    textChanged();
}

void KitLabel::textChanged()
{
    updateGeometry();
    update();
}

QFont KitLabel::baseFont() const
{
    QFont font = textFont(m_style, m_weight);
    if (m_letterSpacing != 0.0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, m_letterSpacing);
    return m_tabularDigits ? withTabularDigits(font) : font;
}

QString KitLabel::shownText() const
{
    return m_uppercase ? m_text.toUpper() : m_text;
}

QFont KitLabel::fontForWidth(int width) const
{
    QFont font = baseFont();
    if (m_maximumLines != 1 || m_minimumScale >= 1.0)
        return font;
    const qreal natural = QFontMetricsF(font).horizontalAdvance(shownText());
    if (natural <= width || natural <= 0)
        return font;
    const qreal scale = qMax(m_minimumScale, width / natural);
    font.setPixelSize(qMax(1, int(font.pixelSize() * scale)));
    return font;
}

QStringList KitLabel::linesKeepingEnd(const QFont& font, int width) const
{
    const QString text = shownText();
    if (QStringList whole = wrappedLines(text, font, width); whole.size() <= m_maximumLines)
        return whole;
    const qsizetype keptLength = qMin(m_keptLength, text.size());
    const QString cuttable = text.left(text.size() - keptLength);
    const QString kept = text.right(keptLength);
    const auto cutTo = [&](qsizetype length) {
        // Never between the halves of a surrogate pair.
        if (length > 0 && cuttable.at(length - 1).isHighSurrogate())
            --length;
        return wrappedLines(cuttable.left(length).trimmed() + QStringLiteral("…") + kept, font, width);
    };
    // The longest beginning of the cuttable part that still lets the end fit.
    qsizetype fits = -1;
    qsizetype low = 0;
    qsizetype high = cuttable.size() - 1;
    while (low <= high) {
        const qsizetype middle = (low + high) / 2;
        if (cutTo(middle).size() <= m_maximumLines) {
            fits = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return fits < 0 ? wrappedLines(text, font, width, m_maximumLines) : cutTo(fits);
}

QStringList KitLabel::linesForWidth(int width) const
{
    const QString text = shownText();
    const QFont font = fontForWidth(width);
    if (m_keptLength > 0 && m_maximumLines > 0 && !text.isEmpty())
        return linesKeepingEnd(font, width);
    if (m_maximumLines == 1 && !text.isEmpty())
        return {QFontMetricsF(font).elidedText(QString(text).replace(u'\n', QChar::LineSeparator), m_elide, width)};
    return wrappedLines(text, font, width, m_maximumLines);
}

QSize KitLabel::sizeHint() const
{
    const QFontMetricsF metrics(baseFont());
    const QString text = shownText();
    qreal widest = 0;
    const QStringList paragraphs = text.split(u'\n');
    for (const QString& paragraph : paragraphs)
        widest = qMax(widest, metrics.horizontalAdvance(paragraph));
    const int width = qCeil(widest) + 1;
    if (m_maximumLines == 1 || text.isEmpty())
        return {width, qCeil(metrics.height())};
    // Wider than ~40 characters a label prefers to wrap rather than widen its column.
    const int preferred = qMin(width, qCeil(metrics.averageCharWidth() * 40));
    return {preferred, heightForWidth(preferred)};
}

QSize KitLabel::minimumSizeHint() const
{
    const QFontMetricsF metrics(baseFont());
    if (m_maximumLines == 1)
        return {qCeil(metrics.horizontalAdvance(QStringLiteral("…"))) + 1, qCeil(metrics.height())};
    return {qCeil(metrics.averageCharWidth() * 4), qCeil(metrics.height())};
}

int KitLabel::heightForWidth(int width) const
{
    const QFontMetricsF metrics(baseFont());
    const qsizetype lines = qMax<qsizetype>(1, linesForWidth(width).size());
    return qCeil(lines * metrics.lineSpacing() - metrics.leading());
}

void KitLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = fontForWidth(width());
    const QFontMetricsF metrics(font);
    QColor color = Brand::current().color(m_color);
    if (!isEnabled())
        color = withOpacity(color, 0.5);
    painter.setFont(font);
    painter.setPen(color);
    const QStringList lines = linesForWidth(width());
    const qreal block = lines.size() * metrics.lineSpacing() - metrics.leading();
    qreal y = 0;
    if (m_alignment & Qt::AlignVCenter)
        y = (height() - block) / 2.0;
    else if (m_alignment & Qt::AlignBottom)
        y = height() - block;
    const Qt::Alignment horizontal = m_alignment & Qt::AlignHorizontal_Mask;
    for (const QString& line : lines) {
        painter.drawText(QRectF(0, y, width(), metrics.height()), int(horizontal | Qt::AlignTop) | Qt::TextSingleLine,
                         line);
        y += metrics.lineSpacing();
    }
}

void KitLabel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange)
        textChanged();
}

} // namespace ostrevin::kit
