#include "views/kit/NumberedMark.h"

#include "views/kit/TextStyle.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

namespace ostrevin::kit {

NumberedMark::NumberedMark(int number, int diameter, BrandColor fill, QWidget* parent)
    : QWidget(parent), m_number(number), m_fill(fill)
{
    setFixedSize(diameter, diameter);
    setAccessibleName(QLocale().toString(number));
}

void NumberedMark::setNumber(int number)
{
    if (number == m_number)
        return;
    m_number = number;
    setAccessibleName(QLocale().toString(number));
    update();
}

void NumberedMark::paint(QPainter& painter, const QRectF& rect, int number, const QColor& fill, const QColor& text)
{
    const qreal diameter = qMin(rect.width(), rect.height());
    const QRectF circle(rect.center() - QPointF(diameter / 2, diameter / 2), QSizeF(diameter, diameter));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(circle);
    const QString label = QLocale().toString(number);
    QFont font = withTabularDigits(textFont(TextStyle::Caption, QFont::Bold));
    font.setPixelSize(qMax(6, int(diameter * 0.55)));
    const qreal room = diameter * 0.8;
    const qreal wide = QFontMetricsF(font).horizontalAdvance(label);
    if (wide > room)
        font.setPixelSize(qMax(6, int(font.pixelSize() * room / wide)));
    painter.setFont(font);
    painter.setPen(text);
    painter.drawText(circle, Qt::AlignCenter, label);
    painter.restore();
}

void NumberedMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Brand& brand = Brand::current();
    paint(painter, QRectF(rect()), m_number, brand.color(m_fill), brand.onAccent);
}

} // namespace ostrevin::kit
