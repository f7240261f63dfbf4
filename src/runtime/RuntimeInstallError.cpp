#include "runtime/RuntimeInstallError.h"

#include <QLocale>

namespace ostrevin {

RuntimeInstallError::RuntimeInstallError(Kind kind, QString subject, QString output)
    : m_kind(kind), m_subject(std::move(subject)), m_output(std::move(output))
{
}

RuntimeInstallError RuntimeInstallError::missingBundledResource(const QString& fileName)
{
    return RuntimeInstallError(Kind::missingBundledResource, fileName);
}

RuntimeInstallError RuntimeInstallError::toolFailed(const QString& tool, const QString& output)
{
    return RuntimeInstallError(Kind::toolFailed, tool, output);
}

RuntimeInstallError RuntimeInstallError::downloadFailed()
{
    return RuntimeInstallError(Kind::downloadFailed);
}

RuntimeInstallError RuntimeInstallError::downloadTooLarge(qint64 capBytes)
{
    return RuntimeInstallError(Kind::downloadTooLarge, QString::number(capBytes));
}

RuntimeInstallError RuntimeInstallError::integrityCheckFailed()
{
    return RuntimeInstallError(Kind::integrityCheckFailed);
}

RuntimeInstallError RuntimeInstallError::unexpectedArchiveLayout()
{
    return RuntimeInstallError(Kind::unexpectedArchiveLayout);
}

RuntimeInstallError RuntimeInstallError::toolNotStarted(const QString& tool, const QString& reason)
{
    return RuntimeInstallError(Kind::toolNotStarted, tool, reason);
}

QString RuntimeInstallError::description() const
{
    switch (m_kind) {
    case Kind::missingBundledResource:
        //: Add-on component installation error. %1 is a file name.
        return tr("The file %1 is missing from the app. Download Ostrevin again.").arg(m_subject);
    case Kind::toolFailed: {
        //: Add-on component installation error. %1 is a tool name such as tar or python3. Technical output follows
        //: below.
        QString text = tr("Installation failed (%1).").arg(m_subject);
        // The tool's own output stays outside the translated text.
        const QString trimmed = m_output.trimmed();
        if (!trimmed.isEmpty())
            text += u"\n\n" + trimmed;
        return text;
    }
    case Kind::downloadFailed:
        //: Add-on component installation error.
        return tr("The download couldn’t be completed. Check your internet connection and try again.");
    case Kind::downloadTooLarge:
        //: Add-on component installation error. %1 is a size such as “69 MB”.
        return tr("The download was stopped at %1: the file is larger than the add-on component can be, and its "
                  "exact size isn’t known for this computer.")
            .arg(QLocale().formattedDataSize(m_subject.toLongLong(), 0, QLocale::DataSizeSIFormat));
    case Kind::integrityCheckFailed:
        //: Add-on component installation error.
        return tr("The downloaded file failed the integrity check, so it wasn’t used. Try again.");
    case Kind::unexpectedArchiveLayout:
        //: Add-on component installation error.
        return tr("The downloaded package has an unexpected structure.");
    case Kind::toolNotStarted: {
        //: Add-on component installation error. %1 is a tool name such as tar or python3. Technical output follows
        //: below.
        QString text = tr("%1 couldn’t be started.").arg(m_subject);
        if (!m_output.trimmed().isEmpty())
            text += u"\n\n" + m_output.trimmed();
        return text;
    }
    }
    return {};
}

} // namespace ostrevin
