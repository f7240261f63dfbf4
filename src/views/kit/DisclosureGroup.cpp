#include "views/kit/DisclosureGroup.h"

#include "views/kit/Brand.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace ostrevin::kit {

namespace {

// The header: a chevron and the title, one hit area.
class DisclosureHeader final : public QAbstractButton {
public:
    explicit DisclosureHeader(const bool& expanded) : m_expanded(expanded)
    {
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const Brand& brand = Brand::current();
        if (hasFocus())
            strokeRoundedRectInside(painter, QRectF(rect()), 6, brand.accentText, 1.5);
        paintSymbol(painter, QRectF(0, 0, 16, height()), m_expanded ? "chevron.down"_symbol : "chevron.right"_symbol,
                    isEnabled() ? brand.secondary : brand.tertiary, 16);
    }

private:
    const bool& m_expanded;
};

} // namespace

DisclosureGroup::DisclosureGroup(const QString& title, QWidget* content, QWidget* parent)
    : QWidget(parent), m_title(new KitLabel(title, TextStyle::Body)), m_content(content)
{
    auto* header = new DisclosureHeader(m_expanded);
    m_header = header;
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(20, 4, 4, 4);
    m_title->setTextStyle(TextStyle::Body, QFont::Medium);
    m_title->setMaximumLines(1);
    headerRow->addWidget(m_title);
    header->setAccessibleName(title);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(header);
    if (m_content) {
        column->addWidget(m_content);
        m_content->setVisible(false);
    }
    connect(header, &QAbstractButton::clicked, this, [this] { setExpanded(!m_expanded); });
}

void DisclosureGroup::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    if (m_content)
        m_content->setVisible(expanded);
    m_header->update();
    emit expandedChanged(expanded);
}

void DisclosureGroup::setTitle(const QString& title)
{
    m_title->setText(title);
    m_header->setAccessibleName(title);
}

} // namespace ostrevin::kit
