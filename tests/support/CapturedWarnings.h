#pragma once

#include <QStringList>
#include <QtGlobal>

namespace ostrevin::test {

/// Collects the warnings logged while it lives, in place of printing them; one at
/// a time, on the thread that logs them.
class CapturedWarnings {
public:
    CapturedWarnings() : m_previous(qInstallMessageHandler(record)) { captured().clear(); }
    ~CapturedWarnings() { qInstallMessageHandler(m_previous); }
    CapturedWarnings(const CapturedWarnings&) = delete;
    CapturedWarnings& operator=(const CapturedWarnings&) = delete;

    const QStringList& warnings() const { return captured(); }

private:
    static QStringList& captured()
    {
        static QStringList list;
        return list;
    }

    static void record(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type == QtWarningMsg)
            captured() << message;
    }

    QtMessageHandler m_previous;
};

} // namespace ostrevin::test
