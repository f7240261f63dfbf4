#include "views/kit/FadeIn.h"

#include "views/kit/Brand.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

namespace ostrevin::kit {

QVariantAnimation* fadeIn(const QList<QWidget*>& widgets, std::chrono::milliseconds duration, QObject* owner)
{
    if (Brand::current().appearance.reducedMotion || widgets.isEmpty() || !widgets.first()->window()->isVisible())
        return nullptr;
    QList<QPointer<QGraphicsOpacityEffect>> fades;
    QList<QPointer<QWidget>> faded;
    for (QWidget* widget : widgets) {
        auto* fade = new QGraphicsOpacityEffect;
        fade->setOpacity(0);
        widget->setGraphicsEffect(fade);
        fades << fade;
        faded << widget;
    }
    auto* animation = new QVariantAnimation(owner);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(int(duration.count()));
    animation->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(animation, &QVariantAnimation::valueChanged, animation, [fades](const QVariant& value) {
        for (const QPointer<QGraphicsOpacityEffect>& fade : fades)
            if (fade)
                fade->setOpacity(value.toReal());
    });
    QObject::connect(animation, &QAbstractAnimation::stateChanged, animation,
                     [fades, faded](QAbstractAnimation::State state) {
                         if (state != QAbstractAnimation::Stopped)
                             return;
                         for (qsizetype i = 0; i < faded.size(); ++i)
                             if (faded[i] && fades[i] && faded[i]->graphicsEffect() == fades[i])
                                 faded[i]->setGraphicsEffect(nullptr);
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

} // namespace ostrevin::kit
