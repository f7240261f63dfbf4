#pragma once

#include <QWidget>

class QScrollArea;
class QVBoxLayout;

namespace ostrevin::kit {

class KitLabel;

/// The frame of every side panel: a title row with an accessory on the right,
/// the content in a vertical scroll area (24 between its parts), and a footer.
class PanelScaffold final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelScaffold)

public:
    /// accessory and footer may be null. Content parts are added with addContent().
    explicit PanelScaffold(const QString& title, QWidget* accessory = nullptr, QWidget* footer = nullptr,
                           QWidget* parent = nullptr);
    ~PanelScaffold() override = default;

    void setTitle(const QString& title);
    void addContent(QWidget* part);
    void setFooter(QWidget* footer);

private:
    QVBoxLayout* m_layout;
    KitLabel* m_title;
    QScrollArea* m_scroll;
    QVBoxLayout* m_content;
    QWidget* m_footer = nullptr;
};

} // namespace ostrevin::kit
