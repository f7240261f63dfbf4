#pragma once

#include <QLineEdit>

namespace ostrevin::kit {

/// A frameless text field that, while it is not being edited, ends a text too
/// long for it with "…" rather than cutting it off at its edge (a panel's scroll
/// bar can take the room a name had a moment ago).
class ElidingLineEdit final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidingLineEdit)

public:
    explicit ElidingLineEdit(QWidget* parent = nullptr);
    ~ElidingLineEdit() override = default;

    /// What the field shows: the text, or its elided beginning while not being edited.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;
};

} // namespace ostrevin::kit
