#include "alerts/TelegramAlertConfiguration.h"

#include <QRegularExpression>

namespace ostrevin {

bool TelegramAlertConfiguration::isValid() const
{
    return isWellFormedToken(botToken.trimmed()) && !chatID.trimmed().isEmpty();
}

bool TelegramAlertConfiguration::isWellFormedToken(const QString& trimmedToken)
{
    static const QRegularExpression form(QStringLiteral("\\A[0-9]+:[A-Za-z0-9_-]+\\z"));
    return form.match(trimmedToken).hasMatch();
}

} // namespace ostrevin
