#pragma once

// Shared set-up of the tests that drive the (fake) iPhone: a controller with
// short clocks, a fake pymobiledevice3 and helpers for both helper kinds.

#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"
#include "support/FakeIDeviceTools.h"
#include "support/FakePyMobileDevice.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFuture>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace ostrevin::test {

inline const QString testUDID = QStringLiteral("00008101-000A1B2C3D4E");

/// Spins the calling thread's event loop until the future finished (or 60 s passed).
template <typename T> bool finishWithEvents(const QFuture<T>& future, int timeoutMs = 60000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!future.isFinished()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

/// The error a call ends with; fails the test when it ends otherwise.
template <typename Error> Error failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& error) {
        return error;
    } catch (const std::exception& other) {
        ADD_FAILURE() << "failed otherwise: " << other.what();
        throw;
    }
    ADD_FAILURE() << "the call succeeded";
    throw std::logic_error("the call succeeded");
}

class DriveTest : public ::testing::Test {
protected:
    DriveTest() : tool(dir.path()) { QDir().mkpath(temporaryFolder()); }

    void SetUp() override { makeController(); }

    void TearDown() override
    {
        // Ends the held process; nothing a test started may outlive it.
        controller.reset();
    }

    /// Rebuilds the controller with changed configuration.
    void makeController(const std::function<void(DeviceLocationController::Configuration&)>& adjust = {})
    {
        controller.reset();
        DeviceLocationController::Configuration configuration;
        configuration.timing.locationStartup = 0.8;
        configuration.timing.routeStartup = 0.5;
        configuration.timing.readinessBudget = 2.0;
        configuration.temporaryFolder = temporaryFolder();
        if (adjust)
            adjust(configuration);
        controller = std::make_unique<DeviceLocationController>(configuration);
    }

    QString temporaryFolder() const { return dir.file(QStringLiteral("private-tmp")); }

    LocationHelper pyHelper(LocationHelper::ConnectionMode mode = LocationHelper::ConnectionMode::usbmux(),
                            std::optional<QString> udid = testUDID) const
    {
        LocationHelper helper;
        helper.kind = LocationHelper::Kind::pyMobileDevice;
        helper.executableURL = QUrl::fromLocalFile(tool.executable());
        helper.deviceIdentifier = std::move(udid);
        helper.deviceName = QStringLiteral("Test iPhone");
        helper.connectionMode = mode;
        return helper;
    }

    /// An idevicesetlocation helper bound to the fake tools' iPhone.
    static LocationHelper iDeviceHelper(const FakeIDeviceTools& tools)
    {
        LocationHelper helper;
        helper.kind = LocationHelper::Kind::iDeviceSetLocation;
        helper.executableURL = QUrl::fromLocalFile(tools.path(QStringLiteral("idevicesetlocation")));
        helper.deviceIdentifier = QStringLiteral("00008030-AAAA");
        helper.connectionMode = LocationHelper::ConnectionMode::usbmux();
        return helper;
    }

    static RoutePoint point(double latitude, double longitude, const QString& name = QStringLiteral("Here"))
    {
        RoutePoint p;
        p.name = name;
        p.latitude = latitude;
        p.longitude = longitude;
        return p;
    }

    /// The process identifier of the command's latest run (0 when there is none).
    qint64 pidOf(FakePyMobileDevice::Command command) const { return tool.lastPid(command).value_or(0); }

    TempDir dir;
    FakePyMobileDevice tool;
    std::unique_ptr<DeviceLocationController> controller;
};

} // namespace ostrevin::test
