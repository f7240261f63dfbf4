#pragma once

class QWidget;

namespace ostrevin::kit {

/// Screen readers announce the widget as a heading (with its accessible name).
void markAsHeading(QWidget& widget);
/// Screen readers skip the widget: a picture that only decorates.
void hideFromAccessibility(QWidget& widget);

} // namespace ostrevin::kit
