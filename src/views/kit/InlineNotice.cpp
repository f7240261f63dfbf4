#include "views/kit/InlineNotice.h"

#include "views/kit/KitLabel.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/TextStyle.h"

#include <QFontMetrics>
#include <QHBoxLayout>

namespace ostrevin::kit {

namespace {

SymbolMark* glyph(SymbolName symbol, BrandColor tint)
{
    // As tall as a line of the text beside it.
    const int side = QFontMetrics(textFont(TextStyle::Caption)).height();
    return new SymbolMark(symbol, tint, side, side);
}

} // namespace

InlineNotice::InlineNotice(SymbolName symbol, const QString& text, BrandColor tint, QWidget* parent)
    : QWidget(parent), m_glyph(glyph(symbol, tint)), m_text(new KitLabel(text, TextStyle::Caption))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_text->setColorRole(BrandColor::Secondary);
    m_text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    row->addWidget(m_glyph, 0, Qt::AlignTop);
    row->addWidget(m_text, 1);
    setAccessibleName(text);
}

void InlineNotice::setText(const QString& text)
{
    m_text->setText(text);
    setAccessibleName(text);
}

void InlineNotice::setSymbol(SymbolName symbol, BrandColor tint)
{
    m_glyph->setSymbol(symbol, tint);
}

} // namespace ostrevin::kit
