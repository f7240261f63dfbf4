#pragma once

#include "devicebridge/LocationHelper.h"

#include <QCoreApplication>
#include <QString>
#include <optional>

namespace ostrevin {

/// The result of a device check, detection or preparation.
struct LocationHelperStatus {
    Q_DECLARE_TR_FUNCTIONS(LocationHelperStatus)

public:
    std::optional<LocationHelper> helper;
    QString message;
    QString installHint;
    bool isDeviceConnected = false;
    bool isLocationReady = false;
    /// Why a preparation failed or stopped, in plain words (the summary line of its
    /// details); empty otherwise.
    QString failureReason;
    /// A preparation stopped at the administrator password: one without the user
    /// before asking, or the user's at a dialog dismissed or refused. Only the
    /// user's Prepare iPhone goes on from here.
    bool waitsForPrepareIPhone = false;

    /// A helper, a connected iPhone and readiness for a location: the device
    /// actions are enabled by this.
    bool isAvailable() const { return helper.has_value() && isDeviceConnected && isLocationReady; }

    /// No helper installed.
    static LocationHelperStatus missing();
    /// What an iPhone needs before a found helper can reach it.
    static QString connectionHint();

    friend bool operator==(const LocationHelperStatus&, const LocationHelperStatus&) = default;
};

} // namespace ostrevin
