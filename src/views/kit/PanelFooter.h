#pragma once

#include <QWidget>

class QVBoxLayout;

namespace ostrevin::kit {

/// The bottom strip of a panel, under a divider, for its main actions.
class PanelFooter final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelFooter)

public:
    explicit PanelFooter(QWidget* content = nullptr, QWidget* parent = nullptr);
    ~PanelFooter() override = default;

    void addContent(QWidget* content);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_layout;
};

} // namespace ostrevin::kit
