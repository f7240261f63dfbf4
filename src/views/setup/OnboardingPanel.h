#pragma once

#include <QScrollArea>

class QLabel;
class QVBoxLayout;

namespace ostrevin {

/// The container of the first-run screens: a centred card 420 wide with the
/// application's icon, a title, a subtitle and the screen's own content, on the
/// window background; it scrolls vertically when the window is too short.
class OnboardingPanel : public QScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OnboardingPanel)

public:
    static constexpr int cardWidth = 420;

    /// title and subtitle are already translated; content is taken over.
    OnboardingPanel(const QString& title, const QString& subtitle, QWidget* content, QWidget* parent = nullptr);

    QWidget* card() const { return m_card; }

private:
    QWidget* m_card = nullptr;
};

} // namespace ostrevin
