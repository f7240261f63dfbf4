#pragma once

#include <QPlainTextEdit>
#include <optional>

namespace ostrevin::kit {

/// Technical text that can be long (tool output, errors, pip's log) in a read-only,
/// selectable box: as tall as the text needs up to a bound, then it scrolls, showing
/// the text's end, where tools put what went wrong, or the line the caller says
/// tells it better. It keeps only the last
/// `tailCharacters` of the text: a plain-text box lays that out quickly, where a
/// label of that size takes seconds and grows off the screen.
class TailTextBox : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TailTextBox)

public:
    static constexpr qsizetype tailCharacters = 16 * 1024;

    /// `maximumHeight`: the tallest the box grows before it scrolls. Monospaced text
    /// in the caption size unless `font` says otherwise.
    explicit TailTextBox(int maximumHeight, QWidget* parent = nullptr);
    ~TailTextBox() override = default;

    /// Shows the end of `text`, or from the line holding `openAt` on when the kept
    /// text has it (a reason in words before pages of output); does nothing when
    /// that is what is shown already (laying the text out again is the costly part).
    void setTailText(const QString& text, const QString& openAt = {});
    /// The secondary colour, resolved again when the appearance changes.
    void setSecondaryColour(bool secondary);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void colour();
    /// The height that shows all of the text at that width; none when it must scroll.
    std::optional<int> fittingHeight(int width) const;
    int scrollingHeight() const;
    /// A scroll bar only where the text is taller than the bound; shows the end.
    void placeScrollBar();
    /// To the opening line, else to the end.
    void scrollToOpening();
    void hideLineAboveTop();

    int m_maximumHeight;
    bool m_secondary = false;
    bool m_followsEnd = true;
    /// The block the box opens at; -1: it opens at the end.
    int m_openingBlock = -1;
};

} // namespace ostrevin::kit
