#include "views/route/RoutePointRow.h"

#include "views/common/CoordinateText.h"
#include "views/common/PendingDeletion.h"
#include "views/common/RowMenu.h"
#include "views/kit/Brand.h"
#include "views/kit/IconButton.h"
#include "views/kit/KitLabel.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/Symbols.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QMenu>
#include <QVBoxLayout>

namespace ostrevin {

using namespace kit;

namespace {
constexpr int numberWidth = 22;
} // namespace

RoutePointRow::RoutePointRow(int index, const RoutePoint& point, const Flags& flags, QWidget* parent)
    : QWidget(parent), m_point(point), m_number(new KitLabel(QString(), TextStyle::Callout)),
      m_name(new KitLabel(QString(), TextStyle::Body)), m_coordinates(new KitLabel(QString(), TextStyle::Caption))
{
    m_number->setColorRole(BrandColor::Secondary);
    m_number->setTabularDigits(true);
    m_number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_number->setMinimumWidth(numberWidth);
    m_number->setMaximumLines(1);
    m_number->setAccessibleName(QString());

    m_name->setMaximumLines(1);
    auto* nameLine = new QHBoxLayout;
    nameLine->setContentsMargins(0, 0, 0, 0);
    nameLine->setSpacing(4);
    nameLine->addWidget(m_name, 1);
    {
        // Painted in the colour of the moment, so it follows a light/dark switch.
        auto* mark = new SymbolMark("location.fill"_symbol, BrandColor::Ready, 12, 12);
        // Its tooltip needs the pointer.
        mark->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        mark->setObjectName(QStringLiteral("pushedMark"));
        //: Tooltip and VoiceOver label of the mark on the route point the iPhone was last set to.
        const QString title = tr("Current iPhone location");
        mark->setToolTip(title);
        mark->setAccessibleName(title);
        nameLine->addWidget(mark);
        m_pushedMark = mark;
    }
    m_coordinates->setColorRole(BrandColor::Secondary);
    m_coordinates->setTabularDigits(true);
    m_coordinates->setMaximumLines(1);
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(1);
    texts->addLayout(nameLine);
    texts->addWidget(m_coordinates);

    //: Tooltip, menu item and VoiceOver label: sets this point or saved location as the iPhone’s location.
    m_send = new IconButton(tr("Set as the iPhone’s location"), "location"_symbol, BrandColor::AccentText);
    m_menu = new QMenu(this);
    m_more = common::menuButton(m_menu);
    //: Menu item of a route point.
    m_moveUp = m_menu->addAction(tr("Move up"));
    //: Menu item of a route point.
    m_moveDown = m_menu->addAction(tr("Move down"));
    m_menu->addSeparator();
    m_remove = m_menu->addAction(QString());

    connect(m_send, &QAbstractButton::clicked, this, &RoutePointRow::sendRequested);
    connect(m_moveUp, &QAction::triggered, this, &RoutePointRow::moveUpRequested);
    connect(m_moveDown, &QAction::triggered, this, &RoutePointRow::moveDownRequested);
    connect(m_remove, &QAction::triggered, this, &RoutePointRow::removeRequested);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 3, 0, 3);
    layout->setSpacing(8);
    layout->addWidget(m_number);
    layout->addLayout(texts, 1);
    layout->addWidget(m_send);
    layout->addWidget(m_more);
    setPoint(index, point);
    m_flags.isPushed = !flags.isPushed;
    setFlags(flags);
}

void RoutePointRow::setPoint(int index, const RoutePoint& point)
{
    m_point = point;
    m_number->setText(QLocale().toString(index + 1) + QLatin1Char('.'));
    m_name->setText(point.name);
    m_coordinates->setText(common::coordinateText(point.latitude, point.longitude));
    m_remove->setText(PendingDeletion::routePoint(point).actionTitle());
    setAccessibleName(point.name);
}

void RoutePointRow::setFlags(const Flags& flags)
{
    if (flags == m_flags)
        return;
    m_flags = flags;
    m_send->setEnabled(flags.canSend);
    m_more->setEnabled(flags.canEdit);
    const QString menuTitle = m_more->accessibleName();
    m_more->setToolTip(flags.canEdit || flags.lockedReason.isEmpty() ? menuTitle : flags.lockedReason);
    m_more->setAccessibleDescription(flags.canEdit ? QString() : flags.lockedReason);
    if (!flags.canEdit)
        m_menu->close();
    m_moveUp->setEnabled(flags.canMoveUp);
    m_moveDown->setEnabled(flags.canMoveDown);
    m_remove->setEnabled(flags.canEdit);
    m_pushedMark->setVisible(flags.isPushed);
}

bool RoutePointRow::showsPushedMark() const
{
    return !m_pushedMark->isHidden();
}

} // namespace ostrevin
