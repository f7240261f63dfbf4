#pragma once

#include <QCoreApplication>
#include <QException>
#include <QString>

namespace ostrevin {

/// A failure of the helper runtime installation, with the text the setup screen shows.
class RuntimeInstallError : public QException {
    Q_DECLARE_TR_FUNCTIONS(RuntimeInstallError)

public:
    enum class Kind {
        missingBundledResource,
        toolFailed,
        downloadFailed,
        /// The archive's size is not pinned, and the download grew beyond the cap.
        downloadTooLarge,
        integrityCheckFailed,
        unexpectedArchiveLayout,
        /// A tool could not be started at all.
        toolNotStarted,
    };

    static RuntimeInstallError missingBundledResource(const QString& fileName);
    /// tool: the executable's file name ("tar", "python3"); output: all it printed.
    static RuntimeInstallError toolFailed(const QString& tool, const QString& output);
    static RuntimeInstallError downloadFailed();
    static RuntimeInstallError downloadTooLarge(qint64 capBytes);
    static RuntimeInstallError integrityCheckFailed();
    static RuntimeInstallError unexpectedArchiveLayout();
    static RuntimeInstallError toolNotStarted(const QString& tool, const QString& reason);

    Kind kind() const { return m_kind; }
    /// The file name, tool name or detail the error carries (empty for the others).
    const QString& subject() const { return m_subject; }
    const QString& output() const { return m_output; }
    /// The user-facing text.
    QString description() const;

    void raise() const override { throw *this; }
    RuntimeInstallError* clone() const override { return new RuntimeInstallError(*this); }

private:
    RuntimeInstallError(Kind kind, QString subject = {}, QString output = {});

    Kind m_kind;
    QString m_subject;
    QString m_output;
};

} // namespace ostrevin
