#include "views/kit/LibraryRow.h"

#include "views/kit/Brand.h"
#include "views/kit/IconWell.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace ostrevin::kit {

namespace {

constexpr int outset = 6;

// The clickable part: its children are drawn by themselves; it only takes the clicks.
class RowButton final : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!hasFocus())
            return;
        QPainter painter(this);
        strokeRoundedRectInside(painter, QRectF(rect()), 6, Brand::current().accentText, 1.5);
    }
};

} // namespace

LibraryRow::LibraryRow(SymbolName symbol, const QString& title, const QString& subtitle, QWidget* trailing,
                       QWidget* parent)
    : QWidget(parent), m_button(new RowButton(this)), m_well(new IconWell(symbol, 28)),
      m_title(new KitLabel(title, TextStyle::Body)), m_subtitle(new KitLabel(subtitle, TextStyle::Caption))
{
    setAttribute(Qt::WA_Hover);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(outset, 5, outset, 5);
    row->setSpacing(4);

    auto* label = new QHBoxLayout(m_button);
    label->setContentsMargins(0, 0, 0, 0);
    label->setSpacing(10);
    label->addWidget(m_well, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(1);
    m_title->setMaximumLines(1);
    m_title->setElideMode(Qt::ElideRight);
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_subtitle->setMaximumLines(1);
    m_subtitle->setElideMode(Qt::ElideMiddle);
    m_subtitle->setColorRole(BrandColor::Secondary);
    m_subtitle->setTabularDigits(true);
    m_subtitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    label->addLayout(texts, 1);
    m_button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    row->addWidget(m_button, 1);
    if (trailing)
        row->addWidget(trailing, 0, Qt::AlignVCenter);

    connect(m_button, &QAbstractButton::clicked, this, &LibraryRow::activated);
    setSubtitle(subtitle);
    updateTooltip();
}

void LibraryRow::setTitle(const QString& title)
{
    m_title->setText(title);
    updateTooltip();
}

void LibraryRow::setSubtitle(const QString& subtitle)
{
    m_subtitle->setText(subtitle);
    // An empty subtitle leaves a single line, not an empty second one.
    m_subtitle->setVisible(!subtitle.isEmpty());
}

void LibraryRow::setSymbol(SymbolName symbol)
{
    m_well->setSymbol(symbol);
}

void LibraryRow::setRowEnabled(bool enabled)
{
    m_button->setEnabled(enabled);
}

void LibraryRow::setHint(const QString& hint)
{
    m_hint = hint;
    updateTooltip();
}

void LibraryRow::updateTooltip()
{
    m_button->setToolTip(m_hint.isEmpty() ? m_title->text() : m_hint);
    m_button->setAccessibleName(m_title->text());
}

void LibraryRow::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void LibraryRow::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}

void LibraryRow::paintEvent(QPaintEvent*)
{
    if (!m_hovered)
        return;
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), 8, Brand::current().primaryAt(0.06));
}

RowList::RowList(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
}

void RowList::addRow(QWidget* row)
{
    static_cast<QVBoxLayout*>(layout())->addWidget(row);
}

} // namespace ostrevin::kit
