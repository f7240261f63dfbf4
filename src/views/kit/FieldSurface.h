#pragma once

#include "views/kit/Brand.h"

#include <QWidget>
#include <optional>

class QLineEdit;

namespace ostrevin::kit {

/// Lets the surface under a frameless line edit show through it, enabled or not:
/// a desktop palette's grey disabled base would otherwise draw a box inside the
/// surface while the field is disabled.
void showSurfaceThrough(QLineEdit& edit);

/// The rounded surface behind an input (a search field, a text field). It shows
/// an accent border while focus is inside it, unless the caller drives the focus
/// flag itself (setFocused), as a field with its own idea of focus does.
class FieldSurface final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FieldSurface)

public:
    explicit FieldSurface(QWidget* content, QWidget* parent = nullptr);
    ~FieldSurface() override = default;

    /// From now on the caller decides the focus look.
    void setFocused(bool focused);
    bool showsFocus() const;

    /// Paints the surface into rect.
    static void paint(QPainter& painter, const QRectF& rect, bool focused, const Brand& brand = Brand::current());

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<bool> m_focusedByCaller;
};

} // namespace ostrevin::kit
