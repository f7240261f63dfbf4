#include "views/kit/Spinner.h"

#include "views/kit/Brand.h"

#include <QPainter>
#include <QTimerEvent>

namespace ostrevin::kit {

namespace {

constexpr int spokes = 12;
constexpr int frameMs = 80;
bool still = false;

} // namespace

Spinner::Spinner(int size, QWidget* parent) : QWidget(parent), m_size(size)
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Spinner::setStill(bool isStill)
{
    still = isStill;
}

void Spinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!still)
        m_timer.start(frameMs, Qt::CoarseTimer, this);
}

void Spinner::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void Spinner::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_step = (m_step + 1) % spokes;
    update();
}

void Spinner::paintEvent(QPaintEvent*)
{
    const QColor color = Brand::current().secondary;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal outer = qMin(width(), height()) / 2.0;
    const qreal inner = outer * 0.45;
    for (int i = 0; i < spokes; ++i) {
        // The newest spoke is darkest; the trail fades behind it.
        const int age = (m_step - i + spokes) % spokes;
        painter.setPen(QPen(withOpacity(color, 1.0 - 0.75 * age / spokes), qMax<qreal>(1.5, outer / 5.0), Qt::SolidLine,
                            Qt::RoundCap));
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer + 1));
        painter.restore();
    }
}

} // namespace ostrevin::kit
