#pragma once

#include "views/kit/Symbols.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <optional>

class QColor;
class QPainter;

namespace ostrevin::kit {

/// The label of a button: its symbol, then its title, which wraps when narrow; the
/// whole centred. Buttons that carry a symbol ("Set location", "Start route",
/// "Plan route") measure and draw their label through it, so they look alike.
struct SymbolLabel {
    QString title;
    std::optional<SymbolName> symbol;

    /// On one line.
    qreal naturalWidth(const QFont& font) const;
    qreal heightForWidth(const QFont& font, qreal width) const;
    void paint(QPainter& painter, const QRectF& rect, const QFont& font, const QColor& color) const;

private:
    qreal symbolSpace(const QFont& font) const;
};

} // namespace ostrevin::kit
