#pragma once

#include "planner/AppSection.h"

#include <QAbstractButton>

namespace ostrevin {

/// One tile of the navigation rail: the section's symbol over its title, washed
/// in the accent colour while selected, lightly shaded under the pointer, with a
/// border when the desktop asks for more contrast. Colours come from Brand when painted.
class RailItem : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RailItem)

public:
    explicit RailItem(AppSection section, QWidget* parent = nullptr);

    AppSection section() const { return m_section; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AppSection m_section;
    bool m_selected = false;
};

} // namespace ostrevin
