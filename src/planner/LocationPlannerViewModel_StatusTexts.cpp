#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "routedata/TovrelFormat.h"

#include <QLocale>
#include <cmath>

namespace ostrevin {

namespace {

const QString separator = QStringLiteral(" · ");

} // namespace

bool LocationPlannerViewModel::isLocationLockConfirmed() const
{
    return d->m_hold->lockedPoint().has_value() && d->m_hasConfirmedLocationLock;
}

bool LocationPlannerViewModel::isRecoveringLocation() const
{
    return d->m_hold->lockedPoint().has_value() &&
           (d->m_hold->telegramIncidentActive() ||
            (d->m_hold->lockFailureCount() >= 1 && !d->m_device->lastDeviceError().isEmpty()));
}

QString LocationPlannerViewModel::activeTrackerHeadline() const
{
    if (d->m_hold->isIPhoneRouteRunning()) {
        //: Status card headline while a route plays back on the iPhone (one line).
        return tr("Route is playing");
    }
    if (d->m_hold->isLocationResetPending()) {
        //: Status card headline (one line).
        return tr("Location reset isn’t finished");
    }
    if (d->m_hold->lockedPoint()) {
        if (isLocationLockConfirmed()) {
            if (isRecoveringLocation()) {
                if (!d->m_hold->recoveryWait().isEmpty()) {
                    //: Status card headline (one line) while restoring the location needs the administrator
                    //: password, which only the Prepare iPhone button asks for.
                    return tr("Waiting for Prepare iPhone");
                }
                //: Status card headline and status message (one line).
                return tr("Restoring location…");
            }
            //: Status card headline (one line).
            return tr("Location is set");
        }
        if (isDeviceOperationInProgress()) {
            //: Status card headline (one line).
            return tr("Verifying location…");
        }
        //: Status card headline (one line).
        return tr("Location isn’t verified");
    }
    if (d->m_device->isCheckingDevice()) {
        //: Status card headline and status message (one line).
        return tr("Checking iPhone…");
    }
    if (d->m_device->isDeviceBusy()) {
        //: Status card headline (one line).
        return tr("Communicating with iPhone…");
    }
    if (d->m_device->helperStatus().isAvailable()) {
        //: iPhone setup checklist item; also the status card headline.
        return tr("iPhone is ready");
    }
    if (!d->m_device->helperStatus().helper) {
        //: Status card headline (one line).
        return tr("Add-on component is missing");
    }
    if (d->m_device->helperStatus().isDeviceConnected) {
        //: Status card headline (one line).
        return tr("iPhone isn’t ready");
    }
    //: Status card headline (one line).
    return tr("iPhone isn’t connected");
}

QString LocationPlannerViewModel::activeTrackerDetail() const
{
    if (d->m_hold->isIPhoneRouteRunning())
        return d->m_draft->routeName();
    if (d->m_hold->isLocationResetPending()) {
        if (d->m_device->isDeviceBusy() &&
            d->m_simulationSafetyState.kind() == LocationSimulationSafetyState::Case::resetting) {
            //: Status message.
            return tr("Resetting location…");
        }
        if (d->m_device->helperStatus().helper && d->m_device->helperStatus().isDeviceConnected) {
            // Finish reset waits while another device operation runs.
            if (d->m_device->isCheckingDevice()) {
                //: Status card headline and status message (one line).
                return tr("Checking iPhone…");
            }
            if (isDeviceOperationInProgress()) {
                //: Status card headline (one line).
                return tr("Communicating with iPhone…");
            }
            //: Status card detail line while a location reset is unfinished and iPhone is connected. “Finish reset”
            //: is a button title; use the same translation.
            return tr("Click Finish reset.");
        }
        //: Status card detail line.
        return tr("Connect iPhone to finish the reset.");
    }
    if (d->m_hold->lockedPoint()) {
        if (!isLocationLockConfirmed()) {
            //: Status card detail, shown after the point name and a “·” separator; lowercase fragment.
            return d->m_hold->lockedPoint()->name + separator + tr("waiting for iPhone to confirm");
        }
        if (d->m_hold->lockFailureCount() >= 1) {
            //: Status card detail: how many times the held location was interrupted. Shown after the point name and a
            //: “·” separator.
            return d->m_hold->lockedPoint()->name + separator +
                   tr("%n interruptions", nullptr, d->m_hold->lockFailureCount());
        }
        return d->m_hold->lockedPoint()->name;
    }
    if (!d->m_device->helperStatus().isAvailable())
        return PlannerTexts::nextDeviceActionMessage(d->m_device->helperStatus());
    if (d->m_draft->points().isEmpty()) {
        //: Status message and status card detail when there are no points.
        return tr("Choose a place on the map.");
    }
    if (d->m_draft->points().size() == 1) {
        //: Status card detail line.
        return tr("Set the selected point as the iPhone’s location.");
    }
    //: Status card detail line.
    return tr("Start the route, or set its destination as the location.");
}

std::optional<QString> LocationPlannerViewModel::lockRuntimeSummary(const QDateTime& now) const
{
    if (!isLocationLockConfirmed() || !d->m_hold->lockStartedAt())
        return std::nullopt;
    const qint64 minutes = std::max<qint64>(d->m_hold->lockStartedAt()->secsTo(now), 0) / 60;
    if (minutes < 1) {
        //: Status card: how long the location has been held.
        return tr("Active for less than a minute");
    }
    //: Status card: how long the location has been held. %1 is a duration such as “1 hr, 5 min”.
    return tr("Active for %1").arg(TovrelFormat::duration(minutes));
}

QString LocationPlannerViewModel::trackerLastUpdateSummary(const QDateTime& now) const
{
    // Every restore attempt checks the device: during an outage that check says
    // nothing of the point.
    const std::optional<QDateTime> date = d->m_hold->lastLockRefresh() || isRecoveringLocation()
                                              ? d->m_hold->lastLockRefresh()
                                              : d->m_device->lastDeviceCheck();
    if (!date) {
        //: Status card: when the held location was last verified.
        return tr("Not verified yet");
    }
    const qint64 elapsed = date->secsTo(now);
    if (elapsed < 60) {
        //: Status card: when the held location was last verified.
        return tr("Verified just now");
    }
    QString relative;
    if (elapsed < 3600) {
        //: Short relative time, e.g. “5 min. ago”.
        relative = tr("%n min. ago", nullptr, static_cast<int>(elapsed / 60));
    } else if (elapsed < 86400) {
        //: Short relative time, e.g. “2 hr. ago”.
        relative = tr("%n hr. ago", nullptr, static_cast<int>(elapsed / 3600));
    } else {
        //: Short relative time, e.g. “3 days ago”.
        relative = tr("%n day(s) ago", nullptr, static_cast<int>(elapsed / 86400));
    }
    //: Status card: when the held location was last verified. %1 is a relative time such as “5 min. ago”.
    return tr("Verified %1").arg(relative);
}

QString LocationPlannerViewModel::routeProgressSummary() const
{
    if (!d->m_hold->isIPhoneRouteRunning()) {
        const QLocale locale;
        return PlannerTexts::pointCountText(d->m_draft->points().size()) + separator +
               TovrelFormat::distance(d->m_draft->cachedRouteDistanceMeters(), AppSettings::units(*m_deps.settings),
                                      locale) +
               separator + PlannerTexts::durationText(d->m_draft->cachedRouteDurationSeconds());
    }
    const double progress = d->m_hold->iPhoneRouteProgress();
    const double left = 1.0 - progress;
    const double remaining = left > 0 ? d->m_draft->cachedRouteDurationSeconds() * left : 0;
    // Cut, not rounded: 99.9 % must not read 100 % while the route still plays.
    const int percent = TovrelFormat::wholePercent(progress);
    const QLocale locale;
    //: A percentage. %1 is the number, %2 the percent sign, both as the user’s locale writes them; order and
    //: space them as your language does (“42 %”, “%42”).
    const QString percentText = tr("%1%2").arg(locale.toString(percent), locale.percent());
    //: Route playback progress. First %1 is a percentage such as “42%”, second %2 is a duration such as “12 min”.
    return tr("%1 · %2 left").arg(percentText, PlannerTexts::durationText(remaining));
}

DeviceIndicatorState LocationPlannerViewModel::deviceIndicatorState() const
{
    if (!d->m_device->lastDeviceCheck() || d->m_device->isCheckingDevice() || d->m_device->isDeviceBusy())
        return DeviceIndicatorState::working;
    if (d->m_device->helperStatus().isAvailable())
        return DeviceIndicatorState::ready;
    if (!d->m_device->helperStatus().helper || d->m_device->helperStatus().isDeviceConnected)
        return DeviceIndicatorState::needsSetup;
    return DeviceIndicatorState::notConnected;
}

QList<DeviceSetupStep> LocationPlannerViewModel::deviceSetupSteps() const
{
    //: iPhone setup checklist item.
    return {{QUuid::createUuid(), tr("Add-on component is installed"), d->m_device->helperStatus().helper.has_value()},
            //: iPhone setup checklist item.
            {QUuid::createUuid(), tr("iPhone is connected"), d->m_device->helperStatus().isDeviceConnected},
            //: iPhone setup checklist item; also the status card headline.
            {QUuid::createUuid(), tr("iPhone is ready"), d->m_device->helperStatus().isLocationReady}};
}

QString LocationPlannerViewModel::deviceUnavailableNotice() const
{
    if (!d->m_device->helperStatus().helper) {
        //: Alert message.
        return tr("The add-on component for communicating with iPhone isn’t installed. Quit Ostrevin and open it "
                  "again, then click Install.");
    }
    if (d->m_device->helperStatus().isDeviceConnected) {
        //: Alert message.
        return tr("iPhone isn’t ready. Click Prepare iPhone.");
    }
    //: Alert message.
    return tr("iPhone isn’t connected. Connect it with a cable, unlock it, and try again.");
}

} // namespace ostrevin
