#include "views/settings/ProgressButton.h"

#include "views/kit/Spinner.h"

namespace ostrevin {

ProgressButton::ProgressButton(const QString& title, QWidget* parent)
    : QPushButton(title, parent), m_title(title), m_spinner(new kit::Spinner(14, this))
{
    setAccessibleName(title);
    setMinimumWidth(sizeHint().width());
    m_spinner->hide();
}

void ProgressButton::setWorking(bool working)
{
    if (working == m_working)
        return;
    m_working = working;
    setText(working ? QString() : m_title);
    m_spinner->setVisible(working);
}

void ProgressButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    const QSize size = m_spinner->sizeHint();
    m_spinner->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
}

} // namespace ostrevin
