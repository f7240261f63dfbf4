#include "views/common/DeviceBlockerNotice.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "views/kit/InlineNotice.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"

#include <QPainter>
#include <QVBoxLayout>

namespace ostrevin {

using namespace kit;

DeviceBlockerNotice::DeviceBlockerNotice(LocationPlannerViewModel& viewModel, QWidget* parent)
    : QAbstractButton(parent), m_viewModel(viewModel),
      m_notice(new InlineNotice("exclamationmark.circle.fill"_symbol, QString(), BrandColor::Attention))
{
    // The notice is only the label: the whole row, also right of the text, clicks.
    m_notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_notice);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setCursor(Qt::PointingHandCursor);
    //: Tooltip of the device warning above the main button of a panel.
    setToolTip(tr("Show the iPhone’s status and setup"));
    connect(this, &QAbstractButton::clicked, this,
            [this] { m_viewModel.windowState().setDevicePopoverPresented(true); });
    refresh();
}

void DeviceBlockerNotice::refresh()
{
    m_message = m_viewModel.deviceBlockerMessage().value_or(QString());
    m_notice->setText(m_message);
    setAccessibleName(m_message);
    setVisible(!m_message.isEmpty());
}

QSize DeviceBlockerNotice::sizeHint() const
{
    return m_notice->sizeHint();
}

QSize DeviceBlockerNotice::minimumSizeHint() const
{
    return m_notice->minimumSizeHint();
}

int DeviceBlockerNotice::heightForWidth(int width) const
{
    return m_notice->hasHeightForWidth() ? m_notice->heightForWidth(width) : m_notice->sizeHint().height();
}

void DeviceBlockerNotice::paintEvent(QPaintEvent*)
{
    // The notice inside draws itself; the row draws only the focus ring around it.
    if (!hasFocus())
        return;
    QPainter painter(this);
    kit::paintFocusRing(painter, QRectF(rect()), 6);
}

} // namespace ostrevin
