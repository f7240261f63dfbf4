#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QException>
#include <QString>

namespace ostrevin {

/// A child process could not be started (missing executable, no permission,
/// out of descriptors). Carries the operating system's error number.
class ProcessLaunchError : public QException {
    Q_DECLARE_TR_FUNCTIONS(ProcessLaunchError)

public:
    ProcessLaunchError(QString executablePath, int errorNumber);

    void raise() const override;
    ProcessLaunchError* clone() const override;
    const char* what() const noexcept override;

    const QString& executablePath() const { return m_executablePath; }
    int errorNumber() const { return m_errorNumber; }
    QString description() const;

private:
    QString m_executablePath;
    int m_errorNumber;
    QByteArray m_what;
};

} // namespace ostrevin
