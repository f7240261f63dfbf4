#pragma once

#include "alerts/LocationSafetyAlarmEvent.h"
#include "alerts/LocationSafetyAlarmWindowController.h"

#include <QLocale>
#include <QWidget>
#include <functional>

class QVBoxLayout;

namespace ostrevin {

class FittedText;

/// What the full-screen alarm shows on each screen: that the simulated location was
/// interrupted, what was held, why and when, whether it is restored, and the one
/// large button that silences and closes the alarm. A later state of the same
/// incident is shown in place, so a click on the button is never lost to a rebuild.
class LocationSafetyAlarmView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationSafetyAlarmView)

public:
    LocationSafetyAlarmView(const LocationSafetyAlarmEvent& alarm, std::function<void()> acknowledge,
                            QWidget* parent = nullptr);
    ~LocationSafetyAlarmView() override;

    /// What the alarm controller builds and refreshes its panels' content with.
    static AlarmViewFactory factory();

    /// Shows a later state of the incident.
    void setAlarm(const LocationSafetyAlarmEvent& alarm);

    static QString alarmExplanation(bool isRecoveryConfirmed);
    static QString recoveryStatus(const LocationSafetyAlarmEvent& alarm);
    /// The point's name, and on a second line its coordinates (five decimals, always
    /// with a decimal point) when both are known.
    static QString pointDescription(const LocationSafetyAlarmEvent& alarm);
    /// The coordinates alone, empty unless both are known.
    static QString coordinateLine(const LocationSafetyAlarmEvent& alarm);
    /// Day, abbreviated month, year and the time to the second, in the locale's order.
    static QString detectedAtDescription(const QDateTime& detectedAt, const QLocale& locale = QLocale());

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyDensity(int level);

    QVBoxLayout* m_outer = nullptr;
    QWidget* m_column = nullptr;
    int m_density = 0;
    QWidget* m_icon = nullptr;
    FittedText* m_title = nullptr;
    FittedText* m_explanation = nullptr;
    QWidget* m_point = nullptr;
    QWidget* m_cause = nullptr;
    QWidget* m_detected = nullptr;
    QWidget* m_statusSymbol = nullptr;
    FittedText* m_status = nullptr;
};

} // namespace ostrevin
