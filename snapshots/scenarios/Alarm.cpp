// The full-screen alarm in both of its forms, at the size of a laptop screen.

#include "SnapshotScenario.h"
#include "views/alarm/LocationSafetyAlarmView.h"

namespace ostrevin::snapshots {

namespace {

std::unique_ptr<QWidget> alarmView(const SnapshotContext& context, bool recovered)
{
    LocationSafetyAlarmEvent event;
    event.detectedAt = event.lastUpdatedAt = context.clock.wallNow().addSecs(-95);
    event.pointName = QStringLiteral("Old Town Square, Prague");
    event.latitude = 50.0874654;
    event.longitude = 14.4212535;
    event.reason = QStringLiteral("The location helper ended unexpectedly (exit code 1). iPhone stopped answering "
                                  "the location service while it was being restarted over the tunnel.");
    event.isRecoveryConfirmed = recovered;
    auto view = std::make_unique<LocationSafetyAlarmView>(event, [] {});
    view->resize(1440, 900);
    view->setFixedSize(1440, 900);
    return view;
}

const RegisterScenario interrupted(QStringLiteral("alarm"), QStringLiteral("interrupted"),
                                   [](const SnapshotContext& context) { return alarmView(context, false); });
const RegisterScenario restored(QStringLiteral("alarm"), QStringLiteral("restored"),
                                [](const SnapshotContext& context) { return alarmView(context, true); });

} // namespace

} // namespace ostrevin::snapshots
