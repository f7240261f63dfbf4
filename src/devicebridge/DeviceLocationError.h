#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QException>
#include <QString>
#include <optional>

namespace ostrevin {

/// The failure of a device command, or the loss of the simulation connection.
/// A QException, so it reaches the awaiting GUI code intact from a worker.
class DeviceLocationError : public QException {
    Q_DECLARE_TR_FUNCTIONS(DeviceLocationError)

public:
    enum class Case {
        commandFailed,
        deviceNotConnected,
        administratorPromptNeeded,
        privilegedStartFailed,
        simulationConnectionLost
    };

    /// command: the command line as shown (executable name and arguments, or a
    /// label); output: the tool's text or a technical explanation.
    /// exitCode: how the program ended, when it ended on its own with a failure.
    static DeviceLocationError commandFailed(QString command, QString output,
                                             std::optional<int> exitCode = std::nullopt);
    /// A command that failed because the iPhone it needs is not attached; described
    /// like commandFailed, so that callers can say "not connected" instead of "not ready".
    static DeviceLocationError deviceNotConnected(QString command, QString output);
    /// The tunnel service must be started with administrator rights, and the
    /// operation was not one that may ask for them.
    static DeviceLocationError administratorPromptNeeded(QString command, QString output);
    /// The user was asked for the administrator password, and the tunnel service
    /// did not come up (the prompt dismissed or refused, or the start failed).
    /// reason: why, in plain words (the dialog dismissed, the password refused);
    /// exitCode: how the privileged run ended, when it ended on its own.
    static DeviceLocationError privilegedStartFailed(QString command, QString output, QString reason = {},
                                                     std::optional<int> exitCode = std::nullopt);
    static DeviceLocationError simulationConnectionLost();

    void raise() const override;
    DeviceLocationError* clone() const override;
    const char* what() const noexcept override;

    Case kind() const { return m_case; }
    const QString& command() const { return m_command; }
    const QString& output() const { return m_output; }
    const std::optional<int>& exitCode() const { return m_exitCode; }
    /// Why the command failed in plain words, when that is known; empty otherwise.
    const QString& reason() const { return m_reason; }
    DeviceLocationError withReason(QString reason) const;

    /// The user-facing text: a summary line (the reason, when known), then (for
    /// command failures) the command and the trimmed output, each after a blank line.
    QString description() const;

    bool operator==(const DeviceLocationError& other) const
    {
        return m_case == other.m_case && m_command == other.m_command && m_output == other.m_output;
    }

private:
    DeviceLocationError(Case kind, QString command, QString output);

    Case m_case;
    QString m_command;
    QString m_output;
    std::optional<int> m_exitCode;
    QString m_reason;
    QByteArray m_what;
};

} // namespace ostrevin
