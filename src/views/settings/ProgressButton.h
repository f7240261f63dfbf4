#pragma once

#include <QPushButton>

namespace ostrevin {

namespace kit {
class Spinner;
}

/// A push button whose title gives way to a small spinner while its operation
/// runs; the title stays its accessible name, and its width does not jump.
class ProgressButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressButton)

public:
    explicit ProgressButton(const QString& title, QWidget* parent = nullptr);
    ~ProgressButton() override = default;

    void setWorking(bool working);
    bool isWorking() const { return m_working; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_title;
    kit::Spinner* m_spinner;
    bool m_working = false;
};

} // namespace ostrevin
