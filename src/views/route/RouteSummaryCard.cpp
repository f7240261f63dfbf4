#include "views/route/RouteSummaryCard.h"

#include "planner/LocationPlannerViewModel.h"
#include "routedata/TovrelFormat.h"
#include "views/kit/Brand.h"
#include "views/kit/ElidingLineEdit.h"
#include "views/kit/FieldSurface.h"
#include "views/kit/IconButton.h"
#include "views/kit/MetricView.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace ostrevin {

using namespace kit;

RouteSummaryCard::RouteSummaryCard(LocationPlannerViewModel& viewModel, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel)
{
    m_name = new ElidingLineEdit;
    m_name->setObjectName(QStringLiteral("routeName"));
    m_name->setFrame(false);
    m_name->setFont(textFont(TextStyle::Headline));
    //: Placeholder and VoiceOver label of the route name field in the route summary.
    m_name->setPlaceholderText(tr("Route name"));
    m_name->setAccessibleName(tr("Route name"));
    m_name->setMaxLength(LocationPlannerViewModel::maximumNameLength);
    // The field has no surface of its own: it sits on the card.
    showSurfaceThrough(*m_name);
    //: Tooltip and VoiceOver label of the bookmark button that saves the current route to Saved routes under its name.
    m_save = new IconButton(tr("Save route"), "bookmark"_symbol, BrandColor::AccentText);

    auto* nameRow = new QHBoxLayout;
    nameRow->setContentsMargins(0, 0, 0, 0);
    nameRow->setSpacing(4);
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_save);

    //: Route metric title. Short, one line.
    m_distance = new MetricView(tr("Distance"), QString());
    //: Route metric title (travel time). Short, one line.
    m_time = new MetricView(tr("Time"), QString());
    //: Route metric title (estimated arrival time). Short, one line.
    m_arrival = new MetricView(tr("Arrival"), QString());
    auto* metrics = new QHBoxLayout;
    metrics->setContentsMargins(0, 0, 0, 0);
    metrics->setSpacing(8);
    for (MetricView* metric : {m_distance, m_time, m_arrival})
        metrics->addWidget(metric, 1, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(nameRow);
    layout->addLayout(metrics);

    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) { m_viewModel.setRouteName(text); });
    connect(m_save, &QAbstractButton::clicked, this, [this] {
        m_viewModel.setSavedRouteName(m_viewModel.draft().routeName());
        m_viewModel.saveCurrentRouteAsNamed();
    });
}

qint64 RouteSummaryCard::shownMinutes(double seconds)
{
    if (!(seconds > 0))
        return 0;
    return std::max<qint64>(static_cast<qint64>(std::ceil(seconds / 60)), 1);
}

QString RouteSummaryCard::arrivalText(double seconds, const QDateTime& now)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return QStringLiteral("–");
    const QDateTime arrival = now.addMSecs(static_cast<qint64>(std::llround(seconds * 1000))).toLocalTime();
    return QLocale().toString(arrival.time(), QLocale::ShortFormat);
}

void RouteSummaryCard::refresh(const QDateTime& now)
{
    if (m_name->text() != m_viewModel.draft().routeName()) {
        m_name->setText(m_viewModel.draft().routeName());
        // A name longer than the field shows its beginning, not its end.
        if (!m_name->hasFocus())
            m_name->setCursorPosition(0);
    }
    const double seconds = m_viewModel.draft().cachedRouteDurationSeconds();
    m_distance->setValue(TovrelFormat::distance(m_viewModel.draft().cachedRouteDistanceMeters()));
    m_time->setValue(TovrelFormat::duration(shownMinutes(seconds)));
    m_arrival->setValue(arrivalText(seconds, now));
}

void RouteSummaryCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Brand& brand = Brand::current();
    const QRectF bounds(rect());
    fillRoundedRect(painter, bounds, 12, brand.base);
    strokeRoundedRectInside(painter, bounds, 12, brand.primaryAt(0.1), 1);
}

} // namespace ostrevin
