#pragma once

#include <QWidget>

class QAbstractButton;

namespace ostrevin::kit {

class KitLabel;

/// A titled group whose content folds away under its header (a chevron that
/// points right while folded and down while open). Starts folded.
class DisclosureGroup final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DisclosureGroup)

public:
    DisclosureGroup(const QString& title, QWidget* content, QWidget* parent = nullptr);
    ~DisclosureGroup() override = default;

    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    void setTitle(const QString& title);
    QAbstractButton* header() const { return m_header; }

signals:
    /// Only for the user's clicks and setExpanded() calls that change the state.
    void expandedChanged(bool expanded);

private:
    QAbstractButton* m_header;
    KitLabel* m_title;
    QWidget* m_content;
    bool m_expanded = false;
};

} // namespace ostrevin::kit
