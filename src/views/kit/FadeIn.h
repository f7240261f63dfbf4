#pragma once

#include <QList>
#include <chrono>

class QObject;
class QVariantAnimation;
class QWidget;

namespace ostrevin::kit {

/// Fades widgets in together, from transparent, easing out. Nothing moves when the
/// desktop asks for reduced motion or the window is not on screen: the widgets
/// simply show. However the fade ends (finished or stopped), the widgets are left
/// without a graphics effect, which would cost an offscreen pass on every paint.
/// Returns the running animation, owned by `owner` and gone once it stops, or null.
QVariantAnimation* fadeIn(const QList<QWidget*>& widgets, std::chrono::milliseconds duration, QObject* owner);

} // namespace ostrevin::kit
