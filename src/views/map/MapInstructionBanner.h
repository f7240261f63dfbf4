#pragma once

#include <QWidget>

namespace ostrevin {

/// The note in the map's top-leading corner: what a click on the map does now, or
/// why the route can't be edited. It wraps within 420 pixels, grows in height
/// rather than cutting the text, and lets clicks through to the map.
class MapInstructionBanner : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MapInstructionBanner)

public:
    /// The widest the banner's surface gets (its shadow lies outside it).
    static constexpr int maxWidth = 420;

    explicit MapInstructionBanner(QWidget* parent = nullptr);

    /// Shown verbatim: its producers pass it translated.
    void setText(const QString& text);
    QString text() const { return m_text; }

    /// Where the surface starts inside the widget: the shadow needs the room around it.
    QPoint shapeOffset() const;

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect textRect(int width) const;

    QString m_text;
};

} // namespace ostrevin
