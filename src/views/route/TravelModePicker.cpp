#include "views/route/TravelModePicker.h"

#include "views/common/LibraryTexts.h"
#include "views/kit/Brand.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>

namespace ostrevin {

using namespace kit;

namespace {

/// One segment: the mode's symbol on the accent wash while checked.
class Segment final : public QAbstractButton {
public:
    Segment(RouteTransportMode mode, QWidget* parent)
        : QAbstractButton(parent), m_symbol(common::transportModeSymbol(mode))
    {
        setCheckable(true);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(title(mode));
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override { return {36, 24}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const Brand& brand = Brand::current();
        const QRectF bounds = QRectF(rect()).adjusted(1, 1, -1, -1);
        if (isChecked())
            fillRoundedRect(painter, bounds, 6, brand.accentWash);
        if (hasFocus())
            strokeRoundedRectInside(painter, bounds, 6, brand.accent, 2);
        const QColor colour = !isEnabled() ? brand.tertiary : isChecked() ? brand.accentText : brand.secondary;
        const QRectF glyph(bounds.center().x() - 8, bounds.center().y() - 8, 16, 16);
        paintSymbol(painter, glyph, m_symbol, colour, 16);
    }

private:
    SymbolName m_symbol;
};

} // namespace

TravelModePicker::TravelModePicker(const QList<RouteTransportMode>& modes, QWidget* parent)
    : QWidget(parent), m_modes(modes), m_group(new QButtonGroup(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    for (int i = 0; i < modes.size(); ++i) {
        auto* segment = new Segment(modes.at(i), this);
        m_group->addButton(segment, i);
        layout->addWidget(segment);
    }
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) { emit picked(m_modes.at(id)); });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TravelModePicker::setShownMode(std::optional<RouteTransportMode> mode)
{
    const qsizetype index = mode ? m_modes.indexOf(*mode) : -1;
    // An exclusive group always keeps one segment checked; "none" needs it off for a moment.
    m_group->setExclusive(false);
    for (QAbstractButton* button : m_group->buttons())
        button->setChecked(m_group->id(button) == index);
    m_group->setExclusive(true);
}

std::optional<RouteTransportMode> TravelModePicker::shownMode() const
{
    const int id = m_group->checkedId();
    return id < 0 ? std::nullopt : std::optional(m_modes.at(id));
}

QAbstractButton* TravelModePicker::segment(RouteTransportMode mode) const
{
    return m_group->button(static_cast<int>(m_modes.indexOf(mode)));
}

} // namespace ostrevin
