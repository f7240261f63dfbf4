// The full-screen alarm in both of its forms, in its real panel: on a large screen
// and on the small ones it must fit with its button.

#include "SnapshotScenario.h"
#include "alerts/LocationSafetyAlarmPanel.h"
#include "views/alarm/LocationSafetyAlarmView.h"

namespace ostrevin::snapshots {

namespace {

ScenarioFactory alarmPanel(bool recovered, QString pointName = QStringLiteral("Old Town Square, Prague"),
                           QString recoveryWait = {})
{
    return [recovered, pointName, recoveryWait](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
        LocationSafetyAlarmEvent event;
        event.detectedAt = event.lastUpdatedAt = context.clock.wallNow().addSecs(-95);
        event.pointName = pointName;
        event.latitude = 50.0874654;
        event.longitude = 14.4212535;
        event.reason = QStringLiteral("The location helper ended unexpectedly (exit code 1). iPhone stopped answering "
                                      "the location service while it was being restarted over the tunnel.");
        event.isRecoveryConfirmed = recovered;
        event.recoveryWait = recoveryWait;
        auto panel = std::make_unique<LocationSafetyAlarmPanel>(nullptr);
        panel->setContent(new LocationSafetyAlarmView(event, [] {}));
        return panel;
    };
}

const QString area = QStringLiteral("alarm");

const RegisterScenario interrupted(area, QStringLiteral("interrupted"), alarmPanel(false));
const RegisterScenario restored(area, QStringLiteral("restored"), alarmPanel(true));
const RegisterScenario interruptedLaptop(area, QStringLiteral("interrupted-") + sizeName(smallScreens().at(0)),
                                         smallScreens().at(0), alarmPanel(false));
const RegisterScenario interruptedNetbook(area, QStringLiteral("interrupted-") + sizeName(smallScreens().at(1)),
                                          smallScreens().at(1), alarmPanel(false));
const RegisterScenario restoredNetbook(area, QStringLiteral("restored-") + sizeName(smallScreens().at(1)),
                                       smallScreens().at(1), alarmPanel(true));
// A point named at the tool's length limit: the coordinates still show under it.
const RegisterScenario longNameNetbook(area, QStringLiteral("interrupted-long-name-") + sizeName(smallScreens().at(1)),
                                       smallScreens().at(1),
                                       alarmPanel(false, QStringLiteral("Staroměstské náměstí, Josefov, Praha 1, "
                                                                        "Hlavní město Praha, Česko ")
                                                             .repeated(4)
                                                             .left(256)));
// The restore waits for the user's Prepare iPhone: the status line says so, whole, on the smallest screen.
const RegisterScenario
    waitingNetbook(area, QStringLiteral("waiting-for-prepare-") + sizeName(smallScreens().at(1)), smallScreens().at(1),
                   alarmPanel(false, QStringLiteral("Old Town Square, Prague"),
                              QStringLiteral("Waiting for Prepare iPhone: it needs the administrator password.")));

} // namespace

} // namespace ostrevin::snapshots
