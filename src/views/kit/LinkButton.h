#pragma once

#include "views/kit/Brand.h"
#include "views/kit/TextStyle.h"

#include <QAbstractButton>

namespace ostrevin::kit {

/// A text-only button that reads as a link: its text in a Brand colour, resolved
/// when painted (so it follows the appearance), in the tertiary colour while it
/// cannot act, and with the focus ring while it has the keyboard.
class LinkButton : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkButton)

public:
    LinkButton(const QString& text, BrandColor color, TextStyle style = TextStyle::Callout, QWidget* parent = nullptr);
    ~LinkButton() override = default;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BrandColor m_color;
};

} // namespace ostrevin::kit
