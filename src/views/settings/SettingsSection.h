#pragma once

#include <QString>
#include <QWidget>

class QVBoxLayout;

namespace ostrevin::kit {
class KitLabel;
}

namespace ostrevin {

/// One group of a settings tab, in the grouped-form look: an optional header,
/// its rows on a rounded plate divided by hairlines, and an optional footer note
/// in the secondary style.
class SettingsSection final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsSection)

public:
    explicit SettingsSection(const QString& header = {}, QWidget* parent = nullptr);
    ~SettingsSection() override = default;

    /// A row that spans the plate.
    void addRow(QWidget* row);
    /// A title (with an optional description under it) on the leading side and
    /// the control on the trailing side. Returns the row; its description is the
    /// KitLabel named "description" (hidden while empty).
    QWidget* addLabeledRow(const QString& title, QWidget* control, const QString& description = {});
    /// An empty text hides the footer.
    void setFooter(const QString& text);
    kit::KitLabel* footer() const { return m_footer; }

private:
    QWidget* m_plate;
    QVBoxLayout* m_rows;
    kit::KitLabel* m_footer;
};

/// The column of sections that makes one tab: 540 wide, its height following
/// its content.
class SettingsForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsForm)

public:
    static constexpr int width = 540;

    explicit SettingsForm(QWidget* parent = nullptr);
    ~SettingsForm() override = default;

    SettingsSection* addSection(const QString& header = {});

private:
    QVBoxLayout* m_layout;
};

} // namespace ostrevin
