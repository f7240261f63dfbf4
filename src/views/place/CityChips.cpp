#include "views/place/CityChips.h"

#include "planner/LocationPlannerViewModel.h"
#include "views/kit/Brand.h"
#include "views/kit/Shapes.h"
#include "views/kit/TextStyle.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>

namespace ostrevin {

using namespace kit;

namespace {

constexpr int verticalPadding = 5;
constexpr int horizontalPadding = 8;
constexpr qreal smallestScale = 0.8;

} // namespace

/// One capsule: the city's name, shrinking to 0.8 of its size before it is cut.
class CityChips::Chip final : public QAbstractButton {
public:
    explicit Chip(const QString& name)
    {
        setText(name);
        setToolTip(name);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(textFont(TextStyle::Callout));
        return {metrics.horizontalAdvance(text()) + 2 * horizontalPadding, metrics.height() + 2 * verticalPadding};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const Brand& brand = Brand::current();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = rect();
        const qreal opacity = isDown() ? 0.14 : underMouse() && isEnabled() ? 0.1 : 0.07;
        fillRoundedRect(painter, bounds, bounds.height() / 2, brand.primaryAt(opacity));
        if (hasFocus())
            strokeRoundedRectInside(painter, bounds, bounds.height() / 2, brand.accent, 2);

        QFont font = textFont(TextStyle::Callout);
        const qreal room = bounds.width() - 2 * horizontalPadding;
        const qreal natural = QFontMetricsF(font).horizontalAdvance(text());
        if (natural > room && natural > 0)
            font.setPixelSize(std::max(1, int(font.pixelSize() * std::max(smallestScale, room / natural))));
        painter.setFont(font);
        painter.setPen(isEnabled() ? brand.primary : brand.tertiary);
        const QFontMetricsF metrics(font);
        painter.drawText(bounds.adjusted(horizontalPadding, 0, -horizontalPadding, 0), Qt::AlignCenter,
                         metrics.elidedText(text(), Qt::ElideRight, room));
    }
    void enterEvent(QEnterEvent* event) override
    {
        QAbstractButton::enterEvent(event);
        update();
    }
    void leaveEvent(QEvent* event) override
    {
        QAbstractButton::leaveEvent(event);
        update();
    }
};

CityChips::CityChips(LocationPlannerViewModel& viewModel, QWidget* parent) : QWidget(parent), m_viewModel(viewModel)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    for (const PresetLocation& city : viewModel.presets()) {
        auto* chip = new Chip(city.name);
        chip->setParent(this);
        connect(chip, &QAbstractButton::clicked, this, [this, city] {
            // A fresh point on every click: the same city twice is two picks.
            RoutePoint point;
            point.id = QUuid::createUuid();
            point.name = city.name;
            point.latitude = city.latitude;
            point.longitude = city.longitude;
            m_viewModel.selectPlace(point, LocationPlannerViewModel::MapFraming::frameSelection);
        });
        m_chips << chip;
    }
    refresh();
}

void CityChips::refresh()
{
    setEnabled(m_viewModel.canEditRouteDraft());
}

int CityChips::columnCount(int width)
{
    return std::max(1, (width + spacing) / (minimumColumnWidth + spacing));
}

int CityChips::chipHeight() const
{
    const QFontMetrics metrics(textFont(TextStyle::Callout));
    return metrics.height() + 2 * verticalPadding;
}

int CityChips::heightForWidth(int width) const
{
    if (m_chips.isEmpty())
        return 0;
    const int columns = columnCount(width);
    const int rows = (int(m_chips.size()) + columns - 1) / columns;
    return rows * chipHeight() + (rows - 1) * spacing;
}

QSize CityChips::sizeHint() const
{
    const int width = 3 * minimumColumnWidth + 2 * spacing;
    return {width, heightForWidth(width)};
}

QSize CityChips::minimumSizeHint() const
{
    // The height comes from heightForWidth() at the width given: a minimum counted
    // for a single column would keep a scrolling panel rows taller than its content.
    return {minimumColumnWidth, m_chips.isEmpty() ? 0 : chipHeight()};
}

void CityChips::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int width = event->size().width();
    const int columns = columnCount(width);
    const qreal columnWidth = qreal(width - (columns - 1) * spacing) / columns;
    const int height = chipHeight();
    for (int i = 0; i < m_chips.size(); ++i) {
        const int column = i % columns;
        const int row = i / columns;
        const int left = qRound(column * (columnWidth + spacing));
        const int right = qRound(column * (columnWidth + spacing) + columnWidth);
        m_chips.at(i)->setGeometry(left, row * (height + spacing), right - left, height);
    }
}

} // namespace ostrevin
