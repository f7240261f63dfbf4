#include "views/place/SelectedPlaceCard.h"

#include "planner/LocationPlannerViewModel.h"
#include "views/common/CoordinateText.h"
#include "views/common/MapPin.h"
#include "views/kit/Brand.h"
#include "views/kit/ElidingLineEdit.h"
#include "views/kit/FieldSurface.h"
#include "views/kit/IconButton.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace ostrevin {

using namespace kit;

SelectedPlaceCard::SelectedPlaceCard(LocationPlannerViewModel& viewModel, const RoutePoint& point, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_point(point), m_pin(new MapPin(MapPin::Head::plain, 0.72)),
      m_name(new ElidingLineEdit), m_coordinates(new QLabel)
      //: Tooltip and VoiceOver label of the star button that saves the selected point to Saved locations.
      ,
      m_star(new IconButton(tr("Save location"), "star"_symbol, BrandColor::AccentText))
      //: Note under the selected place when it is the last point of a route.
      ,
      m_destinationNote(new KitLabel(tr("Destination of the current route"), TextStyle::Caption))
{
    // The map's pin at 0.72 of its size, centred in a frame of 20 by 26.
    m_pin->setFixedSize(20, 26);
    m_pin->setAccessibleName(QString());
    m_name->setFrame(false);
    showSurfaceThrough(*m_name);
    m_name->setFont(textFont(TextStyle::Headline));
    //: Placeholder of the selected place's name field.
    m_name->setPlaceholderText(tr("Name"));
    //: Accessibility label of the selected place's name field.
    m_name->setAccessibleName(tr("Point name"));
    //: Tooltip of the selected place's name field.
    m_name->setToolTip(tr("Click to rename"));
    m_name->setText(point.name);
    m_name->setCursorPosition(0);
    m_name->installEventFilter(this);
    m_name->setAlignment(layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft);

    m_coordinates->setObjectName(QStringLiteral("coordinates"));
    m_coordinates->setTextFormat(Qt::PlainText);
    m_coordinates->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_coordinates->setFont(withTabularDigits(textFont(TextStyle::Callout)));
    // The width is the card's to give; the text shrinks into it (fitCoordinates).
    m_coordinates->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_coordinates->installEventFilter(this);
    m_destinationNote->setColorRole(BrandColor::Secondary);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(m_name);
    texts->addWidget(m_coordinates);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(m_pin, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->addWidget(m_star, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addLayout(row);
    layout->addWidget(m_destinationNote);

    connect(m_name, &QLineEdit::returnPressed, this, &SelectedPlaceCard::commitName);
    connect(m_star, &IconButton::clicked, this, &SelectedPlaceCard::saveLocation);
    refresh();
}

void SelectedPlaceCard::setPoint(const RoutePoint& point)
{
    const bool isOtherPoint = point.id != m_point.id;
    const bool isRenamed = point.name != m_point.name;
    m_point = point;
    if (isOtherPoint || (isRenamed && !m_isNameFocused)) {
        m_name->setText(point.name);
        m_name->setCursorPosition(0);
    }
    refresh();
}

void SelectedPlaceCard::refresh()
{
    const auto& held = m_viewModel.hold().lockedPoint();
    m_isLive = held && isSamePlace(*held, m_point);
    m_pin->setLive(m_isLive);
    m_coordinates->setText(common::coordinateText(m_point.latitude, m_point.longitude));
    fitCoordinates();
    QPalette palette = m_coordinates->palette();
    palette.setColor(QPalette::WindowText, Brand::current().secondary);
    m_coordinates->setPalette(palette);
    m_name->setEnabled(m_viewModel.canEditRouteDraft());
    m_star->setSymbol(m_viewModel.library().isSavedLocation(m_point) ? "star.fill"_symbol : "star"_symbol);
    m_destinationNote->setVisible(m_viewModel.draft().points().size() >= 2);
}

void SelectedPlaceCard::fitCoordinates()
{
    // Down to 0.8 of the callout size before the end is cut.
    QFont font = withTabularDigits(textFont(TextStyle::Callout));
    const qreal natural = QFontMetricsF(font).horizontalAdvance(m_coordinates->text());
    const int width = m_coordinates->contentsRect().width();
    if (natural > width && natural > 0 && font.pixelSize() > 0) {
        const int smallest = int(std::ceil(font.pixelSize() * 0.8));
        font.setPixelSize(std::max(smallest, int(font.pixelSize() * width / natural)));
    }
    if (font != m_coordinates->font())
        m_coordinates->setFont(font);
}

bool SelectedPlaceCard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_coordinates && event->type() == QEvent::Resize)
        fitCoordinates();
    if (watched == m_name) {
        if (event->type() == QEvent::FocusIn) {
            m_isNameFocused = true;
        } else if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && m_isNameFocused) {
                m_isNameFocused = false;
                commitName();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SelectedPlaceCard::commitName()
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty()) {
        m_name->setText(m_point.name);
        return;
    }
    // Shows what was committed; the rename that comes back finds the field focused.
    if (m_name->text() != name)
        m_name->setText(name);
    m_viewModel.renameSelectedPoint(name);
    // A rename the view model refused (editing got locked while the user typed)
    // must not stay shown: the star would then save under a name the point lacks.
    if (m_point.name != name)
        m_name->setText(m_point.name);
}

void SelectedPlaceCard::saveLocation()
{
    // A name being typed belongs to the point before it is saved under that name.
    commitName();
    m_viewModel.saveSelectedPointAsLocation();
}

void SelectedPlaceCard::paintEvent(QPaintEvent*)
{
    const Brand& brand = Brand::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedRect(painter, rect(), 12, brand.base);
    strokeRoundedRectInside(painter, rect(), 12, brand.primaryAt(0.1), 1);
}

void SelectedPlaceCard::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::LayoutDirectionChange) {
        m_name->setAlignment(layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft);
        QPalette palette = m_coordinates->palette();
        palette.setColor(QPalette::WindowText, Brand::current().secondary);
        m_coordinates->setPalette(palette);
    }
}

} // namespace ostrevin
