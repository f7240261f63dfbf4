#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <chrono>

class QGraphicsOpacityEffect;
class QVariantAnimation;
class QWidget;

namespace ostrevin::kit {

/// Brings a floating widget in from the bottom edge of the area it floats over
/// and takes it back out, fading as it moves. The widget stays shown until it is
/// all the way out; a change of mind on the way turns it round from where it is.
/// Without motion (the desktop asks for reduced motion, or the window is not on
/// screen, as when a picture is taken before showing it) the widget simply
/// appears or goes, so it is never caught half faded.
///
/// The transition fades the widget and shows or hides it; whoever places the
/// widget asks placement() where it is on its way and follows progressChanged().
/// The widget starts out of sight.
class EdgeTransition final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EdgeTransition)

public:
    static constexpr std::chrono::milliseconds defaultDuration{250};

    /// A child of `target`, which it fades and shows or hides from now on.
    explicit EdgeTransition(QWidget& target, std::chrono::milliseconds duration = defaultDuration);
    ~EdgeTransition() override;

    /// The time a whole way in or out takes; part of the way takes part of it.
    void setDuration(std::chrono::milliseconds duration);
    void setPresent(bool present);
    bool isPresent() const { return m_present; }
    /// 0 out of sight, 1 at rest.
    qreal progress() const { return m_progress; }
    bool isRunning() const;

    /// Where the widget is now, when at rest it fills `rest` and it slides out
    /// across the edge at `edge` (in the same coordinates, below `rest`).
    QRect placement(const QRect& rest, int edge) const;

    /// The transition of `widget`, or null when it has none.
    static EdgeTransition* of(const QWidget& widget);

signals:
    void progressChanged(qreal progress);

private:
    bool allowsMotion() const;
    void apply(qreal progress);
    void settle();

    QWidget& m_target;
    QVariantAnimation* m_animation;
    /// Owned by the target, and only while on the way.
    QPointer<QGraphicsOpacityEffect> m_fade;
    std::chrono::milliseconds m_duration;
    bool m_present = false;
    qreal m_progress = 0;
};

} // namespace ostrevin::kit
