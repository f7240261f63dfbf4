#include "platform/NetworkTransportError.h"

namespace ostrevin {

NetworkTransportError::NetworkTransportError(Kind kind, int code) : m_kind(kind), m_code(code)
{
    m_what = description().toUtf8();
}

bool NetworkTransportError::isTransportFailure(QNetworkReply::NetworkError error)
{
    // Qt numbers connection-level errors below 100 and proxy errors from 101 to 199;
    // everything from 200 up comes from a reply that did arrive.
    const int code = static_cast<int>(error);
    return code > 0 && code < 200;
}

NetworkTransportError NetworkTransportError::fromReply(QNetworkReply::NetworkError error, bool timedOut)
{
    const int code = static_cast<int>(error);
    if (timedOut || error == QNetworkReply::TimeoutError)
        return NetworkTransportError(Kind::timedOut, code);
    switch (error) {
    case QNetworkReply::OperationCanceledError:
        return NetworkTransportError(Kind::cancelled, code);
    case QNetworkReply::HostNotFoundError:
        return NetworkTransportError(Kind::cannotFindHost, code);
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
        return NetworkTransportError(Kind::cannotConnect, code);
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return NetworkTransportError(Kind::connectionLost, code);
    case QNetworkReply::SslHandshakeFailedError:
        return NetworkTransportError(Kind::secureConnectionFailed, code);
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return NetworkTransportError(Kind::notConnectedToInternet, code);
    default:
        return NetworkTransportError(Kind::other, code);
    }
}

QString NetworkTransportError::description() const
{
    switch (m_kind) {
    case Kind::timedOut:
        //: A network request got no answer in time.
        return tr("The request timed out.");
    case Kind::cancelled:
        //: A network request was stopped before it finished.
        return tr("The request was cancelled.");
    case Kind::cannotFindHost:
        //: The name of the server could not be resolved.
        return tr("A server with the specified hostname could not be found.");
    case Kind::cannotConnect:
        //: The server refused the connection or could not be reached.
        return tr("Could not connect to the server.");
    case Kind::connectionLost:
        //: The connection closed before the reply was complete.
        return tr("The network connection was lost.");
    case Kind::secureConnectionFailed:
        //: The TLS handshake with the server failed.
        return tr("A secure connection to the server could not be made.");
    case Kind::notConnectedToInternet:
        //: The computer has no usable network connection.
        return tr("The Internet connection appears to be offline.");
    case Kind::other:
        //: Any other network failure; %1 is the network library's error number.
        return tr("A network error occurred (%1).").arg(m_code);
    }
    return {};
}

const char* NetworkTransportError::what() const noexcept
{
    return m_what.constData();
}

} // namespace ostrevin
