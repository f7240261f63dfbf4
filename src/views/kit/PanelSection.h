#pragma once

#include <QWidget>

class QVBoxLayout;

namespace ostrevin::kit {

class SectionHeader;

/// A titled group of a panel: the header, then the content, 8 apart.
class PanelSection final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelSection)

public:
    /// The content may be null and added later with addContent().
    explicit PanelSection(const QString& title, QWidget* content = nullptr, QWidget* parent = nullptr);
    ~PanelSection() override = default;

    void addContent(QWidget* content);
    void setTitle(const QString& title);

private:
    QVBoxLayout* m_layout;
    SectionHeader* m_header;
};

} // namespace ostrevin::kit
