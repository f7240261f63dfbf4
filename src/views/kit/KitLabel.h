#pragma once

#include "views/kit/Brand.h"
#include "views/kit/TextStyle.h"

#include <QWidget>
#include <optional>

namespace ostrevin::kit {

/// `text` wrapped at word boundaries (anywhere within a word too long for a line)
/// into lines no wider than `width`, each trimmed; a newline starts a new line.
/// With `maximumLines` above 0 the last allowed line takes the rest of the text and
/// is cut with an ellipsis.
QStringList wrappedLines(const QString& text, const QFont& font, int width, int maximumLines = 0);

/// Plain text in a text style and a Brand colour, resolved when painted (so it
/// follows the appearance). It wraps, and may be limited to a number of lines,
/// the last of them cut with an ellipsis; single lines may shrink to fit first.
/// Text from outside (place names, tool output) is never read as markup.
class KitLabel : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KitLabel)

public:
    explicit KitLabel(const QString& text = {}, TextStyle style = TextStyle::Body, QWidget* parent = nullptr);
    ~KitLabel() override = default;

    QString text() const { return m_text; }
    void setText(const QString& text);
    /// Shows `cuttable` followed by `kept`; where the whole does not fit the lines,
    /// `cuttable` is cut with an ellipsis so that `kept` shows in full.
    void setText(const QString& cuttable, const QString& kept);
    void setTextStyle(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
    void setColorRole(BrandColor role);
    void setAlignment(Qt::Alignment alignment);
    /// 0: as many as the text needs.
    void setMaximumLines(int lines);
    /// Where an over-long last line is cut.
    void setElideMode(Qt::TextElideMode mode);
    /// A single line shrinks down to this share of its size before it is cut.
    void setMinimumScale(qreal scale);
    void setUppercase(bool uppercase);
    void setLetterSpacing(qreal pixels);
    void setTabularDigits(bool tabular);

    /// The lines as drawn at a width (for tests and for callers that measure).
    QStringList linesForWidth(int width) const;
    /// The font as drawn at a width (smaller where the label shrinks to fit).
    QFont fontForWidth(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return m_maximumLines != 1; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont baseFont() const;
    QString shownText() const;
    void textChanged();
    /// The lines of the text with its cuttable part cut so that the kept end fits.
    QStringList linesKeepingEnd(const QFont& font, int width) const;

    QString m_text;
    /// How many characters at the end of m_text are never cut.
    qsizetype m_keptLength = 0;
    TextStyle m_style;
    std::optional<QFont::Weight> m_weight;
    BrandColor m_color = BrandColor::Primary;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignTop;
    int m_maximumLines = 0;
    Qt::TextElideMode m_elide = Qt::ElideRight;
    qreal m_minimumScale = 1.0;
    bool m_uppercase = false;
    qreal m_letterSpacing = 0.0;
    bool m_tabularDigits = false;
};

} // namespace ostrevin::kit
