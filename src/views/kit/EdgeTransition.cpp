#include "views/kit/EdgeTransition.h"

#include "views/kit/Brand.h"

#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace ostrevin::kit {

EdgeTransition::EdgeTransition(QWidget& target, std::chrono::milliseconds duration)
    : QObject(&target), m_target(target), m_animation(new QVariantAnimation(this)), m_duration(duration)
{
    m_target.hide();
    // The animation also reports its value when its ends are set while it stands still.
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        if (isRunning())
            apply(value.toReal());
    });
    connect(m_animation, &QVariantAnimation::finished, this, &EdgeTransition::settle);
}

EdgeTransition::~EdgeTransition() = default;

void EdgeTransition::setDuration(std::chrono::milliseconds duration)
{
    m_duration = duration;
}

bool EdgeTransition::isRunning() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

bool EdgeTransition::allowsMotion() const
{
    return !Brand::current().appearance.reducedMotion && m_target.window()->isVisible();
}

void EdgeTransition::setPresent(bool present)
{
    if (present == m_present)
        return;
    m_present = present;
    const qreal end = present ? 1.0 : 0.0;
    m_animation->stop();
    if (!allowsMotion() || m_progress == end) {
        apply(end);
        settle();
        return;
    }
    // Shown before it moves, so that whoever places it lays it out at once.
    if (present)
        m_target.show();
    if (!m_fade) {
        m_fade = new QGraphicsOpacityEffect;
        m_target.setGraphicsEffect(m_fade);
    }
    m_fade->setOpacity(m_progress);
    // From wherever it is: a removal cut short turns round without a jump, and
    // the shorter way back takes the shorter time.
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(end);
    m_animation->setEasingCurve(present ? QEasingCurve::OutCubic : QEasingCurve::InCubic);
    const double share = std::abs(end - m_progress);
    m_animation->setDuration(std::max(1, int(std::lround(double(m_duration.count()) * share))));
    m_animation->start();
}

void EdgeTransition::apply(qreal progress)
{
    if (m_fade)
        m_fade->setOpacity(progress);
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit progressChanged(progress);
}

void EdgeTransition::settle()
{
    apply(m_present ? 1.0 : 0.0);
    // At rest the widget is drawn straight, without the effect's offscreen pass.
    if (m_fade)
        m_target.setGraphicsEffect(nullptr);
    m_target.setVisible(m_present);
}

QRect EdgeTransition::placement(const QRect& rest, int edge) const
{
    const int travel = std::max(0, edge - rest.top());
    return rest.translated(0, int(std::lround((1.0 - m_progress) * travel)));
}

EdgeTransition* EdgeTransition::of(const QWidget& widget)
{
    return widget.findChild<EdgeTransition*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace ostrevin::kit
