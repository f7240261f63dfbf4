#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QWidget>

namespace ostrevin {

/// Wrapped plain text in a fixed colour that keeps within a number of lines: it
/// first shrinks (down to a minimum share of its font size), then cuts the last
/// line with an ellipsis. The alarm's texts sit on its own black backdrop, so their
/// colours do not follow the appearance.
class FittedText final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FittedText)

public:
    struct Fit {
        QFont font;
        QStringList lines;
    };

    FittedText(const QString& text, const QFont& font, const QColor& color, QWidget* parent = nullptr);
    ~FittedText() override;

    /// 0: as many lines as the text needs.
    void setMaximumLines(int lines);
    void setMinimumScale(qreal scale);
    void setAlignment(Qt::Alignment alignment);
    /// The full-size font (the text may shrink from it).
    void setTextFont(const QFont& font);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setColor(const QColor& color);
    /// The font and lines as drawn at a width.
    Fit fitForWidth(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QFont m_font;
    QColor m_color;
    int m_maximumLines = 0;
    qreal m_minimumScale = 1.0;
    Qt::Alignment m_alignment = Qt::AlignLeft;
};

} // namespace ostrevin
