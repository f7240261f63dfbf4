#pragma once

#include <QCoreApplication>
#include <QException>
#include <QNetworkReply>
#include <QString>

namespace ostrevin {

/// A request that got no HTTP reply: no network, a time-out, a dropped connection,
/// a cancelled request. Its description is our own text, never Qt's error string,
/// because Qt's strings repeat the request URL, and URLs can carry credentials
/// (the Telegram bot token travels in the path).
class NetworkTransportError : public QException {
    Q_DECLARE_TR_FUNCTIONS(NetworkTransportError)

public:
    enum class Kind {
        timedOut,
        cancelled,
        cannotFindHost,
        cannotConnect,
        connectionLost,
        secureConnectionFailed,
        notConnectedToInternet,
        other,
    };

    explicit NetworkTransportError(Kind kind, int code = 0);

    /// Classifies a reply's error. timedOut tells a transfer time-out apart from
    /// an abort, which Qt reports alike in some versions.
    static NetworkTransportError fromReply(QNetworkReply::NetworkError error, bool timedOut);
    /// True for errors of the connection itself (no HTTP status came back);
    /// false for NoError and for errors Qt derives from an HTTP status.
    static bool isTransportFailure(QNetworkReply::NetworkError error);

    Kind kind() const { return m_kind; }
    /// Qt's error number, kept for the event log of unclassified failures.
    int code() const { return m_code; }
    QString description() const;

    void raise() const override { throw *this; }
    NetworkTransportError* clone() const override { return new NetworkTransportError(*this); }
    const char* what() const noexcept override;

    bool operator==(const NetworkTransportError& other) const
    {
        return m_kind == other.m_kind && m_code == other.m_code;
    }

private:
    Kind m_kind;
    int m_code = 0;
    QByteArray m_what;
};

} // namespace ostrevin
