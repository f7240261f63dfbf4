#include "planner/PlannerTexts.h"

#include "alerts/TelegramAlertError.h"
#include "devicebridge/DeviceLocationController.h"
#include "platform/NetworkTransportError.h"
#include "routedata/PlannedRouteOption.h"
#include "routedata/TovrelFormat.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

namespace ostrevin {

namespace {

/// Whole minutes of a travel time: 0 for none, else rounded up and at least 1.
qint64 roundedUpMinutes(double seconds)
{
    if (!(seconds > 0))
        return 0;
    return std::max<qint64>(static_cast<qint64>(std::ceil(seconds / 60.0)), 1);
}

} // namespace

QString PlannerTexts::displayName(const RoutePoint& point)
{
    //: Name of a route’s start point; also the label of the start address field. Keep short.
    const QString start = tr("Start");
    //: Name of a route’s destination point; also the label of the destination address field. Keep short.
    const QString destination = tr("Destination");
    //: Default name of a point chosen by clicking the map or entering coordinates in Place mode.
    const QString selectedPlace = tr("Selected place");
    if (point.name == start || point.name == destination || point.name == selectedPlace)
        return QString::number(point.latitude, 'f', 5) + u", " + QString::number(point.longitude, 'f', 5);
    return point.name;
}

QString PlannerTexts::pointCountText(qint64 count)
{
    //: Number of points in a route, e.g. “1 point”, “12 points”.
    return tr("%n points", nullptr, static_cast<int>(count));
}

QString PlannerTexts::durationText(double seconds)
{
    return TovrelFormat::duration(roundedUpMinutes(seconds));
}

QString PlannerTexts::transportStepTitle(unsigned transportTypeBits)
{
    if (transportTypeBits & PlannedRouteStep::walking) {
        //: Travel mode. Segment of a 3-segment control in the sidebar; keep short (about 12 characters).
        return tr("Walking");
    }
    if (transportTypeBits & PlannedRouteStep::automobile) {
        //: Travel mode. Segment of a 3-segment control in the sidebar; keep short (about 12 characters).
        return tr("Driving");
    }
    if (transportTypeBits & PlannedRouteStep::transit) {
        //: Travel mode: public transportation. Segment of a 3-segment control in the sidebar; keep short (about 12
        //: characters).
        return tr("Transit");
    }
    //: Directions step of an unknown travel mode (fallback label).
    return tr("Travel");
}

QString PlannerTexts::nextDeviceActionMessage(const LocationHelperStatus& status)
{
    if (!status.helper) {
        //: Status message: what to do next.
        return tr("Quit Ostrevin and open it again, then click Install.");
    }
    if (status.isDeviceConnected) {
        //: Status message: what to do next.
        return tr("Click Prepare iPhone.");
    }
    //: Status message: what to do next.
    return tr("Connect iPhone with a cable and unlock it.");
}

QString PlannerTexts::routeStoppedMessage(const std::optional<RoutePoint>& holding)
{
    if (!holding) {
        //: Status message and event log entry.
        return tr("The route is stopped.");
    }
    //: Status message. %1 is the held point's name.
    return tr("The route is stopped. Location %1 is held until you reset it.").arg(holding->name);
}

QString PlannerTexts::summary(const QString& description)
{
    const qsizetype blank = description.indexOf(QStringLiteral("\n\n"));
    return (blank < 0 ? description : description.left(blank)).trimmed();
}

QString PlannerTexts::errorDescription(const std::exception_ptr& error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const TelegramAlertError& failure) {
        return failure.description();
    } catch (const NetworkTransportError& failure) {
        return failure.description();
    } catch (...) {
    }
    return DeviceLocationController::errorDescription(error);
}

QString PlannerTexts::sanitizedFileName(const QString& routeName)
{
    // Characters that file systems or their users' tools refuse in a name.
    static const QString separators = QStringLiteral("/\\?%*|\"<>:");
    QString name = routeName;
    for (QChar& c : name) {
        if (separators.contains(c))
            c = u'-';
    }
    name = name.trimmed();
    // A file name holds at most 255 bytes and the ".gpx" after it needs four: a longer
    // suggestion leaves the save dialog refusing it without a word. The cut falls
    // between whole characters.
    constexpr qsizetype maximumBytes = 255 - 4;
    if (name.toUtf8().size() > maximumBytes) {
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, name);
        qsizetype fits = 0;
        qsizetype bytes = 0;
        for (qsizetype end = characters.toNextBoundary(); end > 0; end = characters.toNextBoundary()) {
            bytes += QStringView(name).sliced(fits, end - fits).toUtf8().size();
            if (bytes > maximumBytes)
                break;
            fits = end;
        }
        name = name.left(fits).trimmed();
    }
    //: Route (noun). Also the sidebar section and the fallback name of an unnamed route.
    return name.isEmpty() ? tr("Route") : name;
}

QString PlannerTexts::timeWithSeconds(const QTime& time, const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(u's')) {
        const qsizetype minutes = format.indexOf(QStringLiteral("mm"));
        if (minutes >= 0)
            format.insert(minutes + 2, QStringLiteral(":ss"));
    }
    return locale.toString(time, format);
}

} // namespace ostrevin
