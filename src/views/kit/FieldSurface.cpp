#include "views/kit/FieldSurface.h"

#include "views/kit/Shapes.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace ostrevin::kit {

void showSurfaceThrough(QLineEdit& edit)
{
    QPalette palette = edit.palette();
    palette.setBrush(QPalette::Base, Qt::transparent);
    edit.setPalette(palette);
}

FieldSurface::FieldSurface(QWidget* content, QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 7, 10, 7);
    row->setSpacing(6);
    if (content)
        row->addWidget(content);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (m_focusedByCaller)
            return;
        if ((old && isAncestorOf(old)) || (now && isAncestorOf(now)))
            update();
    });
}

void FieldSurface::setFocused(bool focused)
{
    m_focusedByCaller = focused;
    update();
}

bool FieldSurface::showsFocus() const
{
    if (m_focusedByCaller)
        return *m_focusedByCaller;
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

void FieldSurface::paint(QPainter& painter, const QRectF& rect, bool focused, const Brand& brand)
{
    constexpr qreal radius = 8;
    fillRoundedRect(painter, rect, radius, brand.base);
    if (focused)
        strokeRoundedRectInside(painter, rect, radius, brand.accent, 2);
    else
        strokeRoundedRectInside(painter, rect, radius, brand.primaryAt(brand.appearance.highContrast ? 0.45 : 0.14), 1);
}

void FieldSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), showsFocus());
}

} // namespace ostrevin::kit
