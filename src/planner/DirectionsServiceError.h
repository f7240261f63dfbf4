#pragma once

#include <QCoreApplication>
#include <QException>
#include <QString>

namespace ostrevin {

/// A reply of the directions service that cannot be used. The description is our
/// own text: it never repeats the request address or the reply body.
class DirectionsServiceError : public QException {
    Q_DECLARE_TR_FUNCTIONS(DirectionsServiceError)

public:
    enum class Kind {
        /// An HTTP status other than success, with no answer of the service in the body.
        httpStatus,
        /// The service answered with an error code of its own other than "no route".
        refused,
        /// Not what the service sends: not JSON, a missing or mistyped member.
        unreadableReply,
        /// A success without a single route.
        noRoutes,
        /// More bytes than any real route reply.
        replyTooLarge,
    };

    static DirectionsServiceError httpStatus(int status);
    /// code is the service's own error code ("TooBig"); anything else but a short
    /// word is left out of the text.
    static DirectionsServiceError refused(const QString& code);
    static DirectionsServiceError unreadableReply();
    static DirectionsServiceError noRoutes();
    static DirectionsServiceError replyTooLarge();

    Kind kind() const { return m_kind; }
    /// The service's own code of refused ("TooBig"); empty otherwise.
    QString code() const { return m_code; }
    QString description() const;
    const char* what() const noexcept override;

    void raise() const override { throw *this; }
    DirectionsServiceError* clone() const override { return new DirectionsServiceError(*this); }

    bool operator==(const DirectionsServiceError& other) const
    {
        return m_kind == other.m_kind && m_status == other.m_status && m_code == other.m_code;
    }

private:
    DirectionsServiceError(Kind kind, int status, QString code);

    Kind m_kind;
    int m_status = 0;
    QString m_code;
    QByteArray m_what;
};

} // namespace ostrevin
