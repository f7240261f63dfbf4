#include "views/kit/InlineNotice.h"

#include "views/kit/KitLabel.h"
#include "views/kit/TextStyle.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>

namespace ostrevin::kit {

class InlineNotice::Glyph final : public QWidget {
public:
    Glyph(SymbolName symbol, BrandColor tint) : m_symbol(symbol), m_tint(tint)
    {
        const int side = QFontMetrics(textFont(TextStyle::Caption)).height();
        setFixedSize(side, side);
    }
    void set(SymbolName symbol, BrandColor tint)
    {
        m_symbol = symbol;
        m_tint = tint;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paintSymbol(painter, QRectF(rect()), m_symbol, Brand::current().color(m_tint), height());
    }

private:
    SymbolName m_symbol;
    BrandColor m_tint;
};

InlineNotice::InlineNotice(SymbolName symbol, const QString& text, BrandColor tint, QWidget* parent)
    : QWidget(parent), m_glyph(new Glyph(symbol, tint)), m_text(new KitLabel(text, TextStyle::Caption))
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
    m_glyph->set(symbol, tint);
}

} // namespace ostrevin::kit
