#include "views/route/RouteAlternativeRow.h"

#include "views/kit/Brand.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace ostrevin {

using namespace kit;

namespace {
constexpr int markSize = 16;
constexpr int spacing = 10;
} // namespace

RouteAlternativeRow::RouteAlternativeRow(const PlannedRouteOption& option, bool isSelected, const QString& detail,
                                         QWidget* parent)
    : QAbstractButton(parent), m_option(option)
{
    // Checked carries the selected state to assistive technology; clicks never toggle it.
    setCheckable(true);
    setChecked(isSelected);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(option.title);
    setAccessibleDescription(detail);
    setToolTip(option.advisoryNotices.join(QLatin1Char('\n')));

    m_title = new KitLabel(option.title, TextStyle::Body);
    m_title->setMaximumLines(1);
    m_detail = new KitLabel(detail, TextStyle::Caption);
    m_detail->setColorRole(BrandColor::Secondary);
    m_detail->setTabularDigits(true);
    m_detail->setMaximumLines(1);
    for (QWidget* label : {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_detail)})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(1);
    texts->addWidget(m_title);
    texts->addWidget(m_detail);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8 + markSize + spacing, 6, 8, 6);
    layout->setSpacing(spacing);
    layout->addLayout(texts, 1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize RouteAlternativeRow::sizeHint() const
{
    return layout()->sizeHint();
}

void RouteAlternativeRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Brand& brand = Brand::current();
    if (isChecked())
        fillRoundedRect(painter, QRectF(rect()), 8, brand.accentWash);
    const QRectF mark(8, (height() - markSize) / 2.0, markSize, markSize);
    if (isChecked())
        paintSymbol(painter, mark, "checkmark.circle.fill"_symbol, brand.accentText, markSize);
    else
        paintSymbol(painter, mark, "circle"_symbol, brand.secondary, markSize);
    if (hasFocus()) {
        painter.setPen(QPen(brand.accent, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(roundedRectPath(QRectF(rect()).adjusted(1, 1, -1, -1), 8));
    }
}

} // namespace ostrevin
