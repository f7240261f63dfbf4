#pragma once

#include <QList>
#include <QWidget>

class QAbstractButton;

namespace ostrevin {

class LocationPlannerViewModel;

/// A grid of capsule buttons, one per preset city; a click makes that city the
/// selected place. The columns share the width, none narrower than 78 px.
class CityChips final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CityChips)

public:
    static constexpr int minimumColumnWidth = 78;
    static constexpr int spacing = 8;

    explicit CityChips(LocationPlannerViewModel& viewModel, QWidget* parent = nullptr);
    ~CityChips() override = default;

    /// Follows the view model's edit gate.
    void refresh();
    const QList<QAbstractButton*>& chips() const { return m_chips; }
    static int columnCount(int width);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Chip;
    int chipHeight() const;

    LocationPlannerViewModel& m_viewModel;
    QList<QAbstractButton*> m_chips;
};

} // namespace ostrevin
