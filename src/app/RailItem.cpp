#include "app/RailItem.h"

#include "views/kit/Brand.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QPainter>

namespace ostrevin {

namespace {

constexpr int symbolHeight = 24;
constexpr int spacing = 4;
constexpr int verticalPadding = 9;
constexpr qreal cornerRadius = 10;

kit::SymbolName railSymbol(AppSection section, bool filled)
{
    kit::SymbolName plain;
    switch (section) {
    case AppSection::place:
        plain = "mappin.and.ellipse"_symbol;
        break;
    case AppSection::route:
        plain = "point.topleft.down.to.point.bottomright.curvepath"_symbol;
        break;
    case AppSection::saved:
        plain = "bookmark"_symbol;
        break;
    case AppSection::history:
        plain = "clock.arrow.circlepath"_symbol;
        break;
    }
    // The filled variant where the table has one.
    if (filled && kit::findSymbol(std::string(plain.name()) + ".fill"))
        return kit::SymbolName::fromString(QString::fromUtf8(plain.name().data(), qsizetype(plain.name().size())) +
                                           QStringLiteral(".fill"));
    return plain;
}

enum class TitleState { selected, plain };

QFont titleFont(TitleState state)
{
    return kit::textFont(kit::TextStyle::Subheadline, state == TitleState::selected ? QFont::DemiBold : QFont::Medium);
}

} // namespace

RailItem::RailItem(AppSection section, QWidget* parent) : QAbstractButton(parent), m_section(section)
{
    // Repainted as the pointer comes and goes, for the hover shade.
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(title(section));
    setAccessibleName(title(section));
    setText(title(section));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void RailItem::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    //: Accessibility state of the current section's tile in the navigation rail.
    setAccessibleDescription(selected ? tr("Selected") : QString());
    update();
}

QSize RailItem::sizeHint() const
{
    const QFontMetrics metrics(titleFont(TitleState::selected));
    // Room for two lines of title: long translations wrap rather than clip.
    const int textHeight = metrics.lineSpacing() * 2;
    return {68, verticalPadding * 2 + symbolHeight + spacing + textHeight};
}

void RailItem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const kit::Brand& brand = kit::Brand::current();
    const QRectF shape(rect());

    if (m_selected)
        kit::fillRoundedRect(painter, shape, cornerRadius, brand.accentWash);
    else if (underMouse())
        kit::fillRoundedRect(painter, shape, cornerRadius, brand.primaryAt(0.06));
    if (m_selected && brand.appearance.highContrast)
        kit::strokeRoundedRectInside(painter, shape, cornerRadius, brand.accentText, 1.5);
    if (hasFocus())
        kit::paintFocusRing(painter, shape, cornerRadius);

    const QColor foreground = m_selected ? brand.accentText : brand.secondary;
    const QRectF symbolRect(0, verticalPadding, width(), symbolHeight);
    kit::paintSymbol(painter, symbolRect, railSymbol(m_section, m_selected), foreground, 18);

    // Up to two lines; a title that still does not fit shrinks down to 0.8 of its size.
    QFont font = titleFont(m_selected ? TitleState::selected : TitleState::plain);
    const QRect textRect(2, verticalPadding + symbolHeight + spacing, width() - 4,
                         height() - verticalPadding * 2 - symbolHeight - spacing);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    const qreal fullSize = font.pixelSize();
    for (qreal scale = 1.0; scale >= 0.8; scale -= 0.05) {
        font.setPixelSize(std::max(1, qRound(fullSize * scale)));
        const QRect needed = QFontMetrics(font).boundingRect(textRect, flags, text());
        if (needed.width() <= textRect.width() && needed.height() <= textRect.height())
            break;
    }
    painter.setFont(font);
    painter.setPen(foreground);
    painter.drawText(textRect, flags, text());
}

} // namespace ostrevin
