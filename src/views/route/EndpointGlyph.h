#pragma once

#include <QWidget>

namespace ostrevin {

/// The small mark in front of a route end's field: a ring for the start, the
/// map's pin for the destination, both in the accent colour. Decoration only.
class EndpointGlyph final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EndpointGlyph)

public:
    enum class Kind { start, destination };
    explicit EndpointGlyph(Kind kind, QWidget* parent = nullptr);
    ~EndpointGlyph() override = default;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
};

} // namespace ostrevin
