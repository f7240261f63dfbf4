#include "planner/DirectionsServiceError.h"

#include <QRegularExpression>

namespace ostrevin {

DirectionsServiceError::DirectionsServiceError(Kind kind, int status, QString code)
    : m_kind(kind), m_status(status), m_code(std::move(code))
{
    m_what = description().toUtf8();
}

DirectionsServiceError DirectionsServiceError::httpStatus(int status)
{
    return DirectionsServiceError(Kind::httpStatus, status, {});
}

DirectionsServiceError DirectionsServiceError::refused(const QString& code)
{
    // Whatever answers at the configured address might put anything here.
    static const QRegularExpression word(QStringLiteral("\\A[A-Za-z]{1,40}\\z"));
    return DirectionsServiceError(Kind::refused, 0, word.match(code).hasMatch() ? code : QString());
}

DirectionsServiceError DirectionsServiceError::unreadableReply()
{
    return DirectionsServiceError(Kind::unreadableReply, 0, {});
}

DirectionsServiceError DirectionsServiceError::noRoutes()
{
    return DirectionsServiceError(Kind::noRoutes, 0, {});
}

DirectionsServiceError DirectionsServiceError::replyTooLarge()
{
    return DirectionsServiceError(Kind::replyTooLarge, 0, {});
}

QString DirectionsServiceError::description() const
{
    switch (m_kind) {
    case Kind::httpStatus:
        //: Route planning error. %1 is an HTTP status code such as 503.
        return tr("The directions service isn’t available right now (HTTP %1). Try again later.").arg(m_status);
    case Kind::refused:
        if (m_code.isEmpty()) {
            //: Route planning error.
            return tr("The directions service couldn’t plan this route.");
        }
        //: Route planning error. %1 is the service's error code, such as TooBig.
        return tr("The directions service couldn’t plan this route (%1).").arg(m_code);
    case Kind::unreadableReply:
        //: Route planning error.
        return tr("The directions service sent a reply that couldn’t be read.");
    case Kind::noRoutes:
        //: Route planning error.
        return tr("The directions service returned no routes.");
    case Kind::replyTooLarge:
        //: Route planning error.
        return tr("The directions service sent a reply that is too large.");
    }
    return {};
}

const char* DirectionsServiceError::what() const noexcept
{
    return m_what.constData();
}

} // namespace ostrevin
