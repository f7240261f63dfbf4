#include "views/kit/GlassSurface.h"

#include "views/kit/ShadowCache.h"
#include "views/kit/Shapes.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRegion>

#if OSTREVIN_HAVE_XCB
#include <cstdlib>
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace ostrevin::kit {

namespace {

constexpr qreal materialOpacity = 0.86;

} // namespace

GlassLook glassLook(GlassEmphasis emphasis, const Brand& brand)
{
    GlassLook look;
    const bool elevated = emphasis == GlassEmphasis::Elevated;
    // A blurred backdrop would need a grab of what lies beneath: the translucent
    // surface is the window colour let through a little instead.
    look.translucent = elevated && !brand.appearance.reducedTransparency;
    look.fill = look.translucent ? withOpacity(brand.window, materialOpacity) : brand.base;
    if (brand.appearance.highContrast) {
        look.border = brand.primaryAt(0.4);
        look.borderWidth = 1.5;
    } else {
        look.border = brand.primaryAt(elevated ? 0.14 : 0.1);
        look.borderWidth = 1.0;
    }
    look.shadowOpacity = elevated ? 0.16 : 0.08;
    look.shadowRadius = elevated ? 12 : 4;
    look.shadowOffsetY = 3;
    return look;
}

QMarginsF glassShadowMargins(GlassEmphasis emphasis)
{
    const GlassLook look = glassLook(emphasis, Brand::current());
    return {look.shadowRadius, qMax<qreal>(0.0, look.shadowRadius - look.shadowOffsetY), look.shadowRadius,
            look.shadowRadius + look.shadowOffsetY};
}

void paintGlassSurface(QPainter& painter, const QRectF& shape, GlassEmphasis emphasis, qreal cornerRadius,
                       const Brand& brand)
{
    const GlassLook look = glassLook(emphasis, brand);
    const QPixmap shadow = ShadowCache::shared().shadow(shape.size().toSize(), cornerRadius, look.shadowRadius,
                                                        look.shadowOpacity, painter.device()->devicePixelRatioF());
    if (!shadow.isNull()) {
        const QPointF origin = shape.topLeft() - QPointF(look.shadowRadius, look.shadowRadius - look.shadowOffsetY);
        painter.drawPixmap(origin, shadow);
    }
    fillRoundedRect(painter, shape, cornerRadius, look.fill);
    strokeRoundedRectInside(painter, shape, cornerRadius, look.border, look.borderWidth);
}

bool desktopCompositesWindows()
{
#if OSTREVIN_HAVE_XCB
    // Elsewhere (Wayland, macOS, the offscreen platform) windows are always composited.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || QGuiApplication::platformName() != u"xcb" || !x11->connection())
        return true;
    // A compositing manager owns the selection _NET_WM_CM_S<n> of the X screen it serves.
    xcb_connection_t* connection = x11->connection();
    int screen = 0;
    for (auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection)); roots.rem; xcb_screen_next(&roots)) {
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen++);
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData()), nullptr);
        if (!atom)
            continue;
        xcb_get_selection_owner_reply_t* owner =
            atom->atom == XCB_ATOM_NONE
                ? nullptr
                : xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
        free(owner);
        free(atom);
        if (owned)
            return true;
    }
    return false;
#else
    return true;
#endif
}

QRegion roundedWindowMask(const QRectF& shape, qreal cornerRadius)
{
    return QRegion(roundedRectPath(shape, cornerRadius).toFillPolygon().toPolygon());
}

GlassPanel::GlassPanel(GlassEmphasis emphasis, qreal cornerRadius, QWidget* parent)
    : QWidget(parent), m_emphasis(emphasis), m_cornerRadius(cornerRadius)
{
    const QMargins room = glassShadowMargins(emphasis).toMargins();
    setContentsMargins(room);
}

QRectF GlassPanel::shapeRect() const
{
    return QRectF(rect()).marginsRemoved(glassShadowMargins(m_emphasis));
}

void GlassPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintGlassSurface(painter, shapeRect(), m_emphasis, m_cornerRadius);
}

} // namespace ostrevin::kit
