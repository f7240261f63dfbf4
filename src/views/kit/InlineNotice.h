#pragma once

#include "views/kit/Brand.h"
#include "views/kit/Symbols.h"

#include <QWidget>

namespace ostrevin::kit {

class KitLabel;
class SymbolMark;

/// A tinted symbol beside a short secondary-coloured text that wraps.
class InlineNotice final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InlineNotice)

public:
    InlineNotice(SymbolName symbol, const QString& text, BrandColor tint, QWidget* parent = nullptr);
    ~InlineNotice() override = default;

    void setText(const QString& text);
    void setSymbol(SymbolName symbol, BrandColor tint);

private:
    SymbolMark* m_glyph;
    KitLabel* m_text;
};

} // namespace ostrevin::kit
