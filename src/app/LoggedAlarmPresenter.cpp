#include "app/LoggedAlarmPresenter.h"

#include "app/AppLog.h"

namespace ostrevin {

void LoggedAlarmPresenter::present(const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge)
{
    qCWarning(lcApp).noquote() << "alarm raised:" << event.id.toString(QUuid::WithoutBraces) << event.reason;
    m_presenter.present(event, std::move(acknowledge));
}

void LoggedAlarmPresenter::dismiss()
{
    qCInfo(lcApp) << "alarm dismissed";
    m_presenter.dismiss();
}

} // namespace ostrevin
