#pragma once

#include "views/kit/Brand.h"

#include <QWidget>

namespace ostrevin::kit {

/// A number in a filled circle: the order of a point in a route, in lists and on the map.
class NumberedMark final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NumberedMark)

public:
    explicit NumberedMark(int number, int diameter = 20, BrandColor fill = BrandColor::Accent,
                          QWidget* parent = nullptr);
    ~NumberedMark() override = default;

    void setNumber(int number);

    /// Paints a mark centred in rect (for the map and item delegates). Numbers too
    /// wide for the circle get a smaller font rather than being cut.
    static void paint(QPainter& painter, const QRectF& rect, int number, const QColor& fill, const QColor& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_number;
    BrandColor m_fill;
};

} // namespace ostrevin::kit
