#include "alerts/TelegramAlertConfiguration.h"
#include "alerts/TelegramAlertError.h"
#include "alerts/TelegramAlertService.h"
#include "alerts/TelegramTokenStore.h"
#include "async/Scheduler.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"

#include <QCoro/QCoroFuture>
#include <QLocale>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace ostrevin {

using namespace std::chrono_literals;

namespace {

constexpr int causeLength = 600;

/// The first count user-perceived characters of text.
QString leadingCharacters(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int seen = 0;
    while (seen < count && finder.toNextBoundary() != -1)
        ++seen;
    return seen < count ? text : text.left(finder.position());
}

/// text cut to at most units UTF-16 units without splitting a character.
QString cutToUnits(const QString& text, qsizetype units)
{
    if (text.size() <= units)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype next = finder.toNextBoundary(); next != -1 && next <= units; next = finder.toNextBoundary())
        end = next;
    return text.left(end);
}

/// How long the Bot API asked us to wait before the next request; 0 when it did not.
std::chrono::seconds retryAfterOf(const std::exception_ptr& error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const TelegramAlertError& failure) {
        return failure.retryAfter().value_or(0s);
    } catch (...) {
    }
    return 0s;
}

/// An action's outcome, followed by why the keyring could not keep the token it used.
QString withUnkeptToken(const QString& outcome, const QString& unkept)
{
    return unkept.isEmpty() ? outcome : outcome + u' ' + unkept;
}

QString deviceLabel(const LocationHelper& helper)
{
    if (helper.deviceName)
        return *helper.deviceName;
    if (helper.deviceIdentifier)
        return *helper.deviceIdentifier;
    return QStringLiteral("iPhone");
}

} // namespace

void LocationPlannerViewModel::startRepeatingTelegramAlerts()
{
    (void)d->m_telegramAlertTask.cancel();
    if (!d->m_telegram->alertsEnabled() || !m_deps.telegramAlertService)
        return;
    // A token the keyring could not give yet is read again before each alert.
    if (!d->savedTelegramConfiguration().isValid() && !d->m_telegramTokenReadFailure)
        return;
    const CancelToken token = d->m_telegramAlertTask.replace();
    d->m_telegramAlertTask.adopt(Private::telegramAlertLoop(QPointer(this), token));
}

bool LocationPlannerViewModel::Private::shouldRepeatTelegramAlerts() const
{
    return m_hold->telegramIncidentActive() && !m_hold->telegramIncidentAcknowledged() && m_telegram->alertsEnabled();
}

QCoro::Task<> LocationPlannerViewModel::Private::telegramAlertLoop(QPointer<LocationPlannerViewModel> self,
                                                                   CancelToken token)
{
    if (!self)
        co_return;
    Scheduler* scheduler = self->m_deps.scheduler;
    TelegramAlertService* service = self->m_deps.telegramAlertService;
    int failures = 0;
    // Why replies can't be read, while they can't: the user must know that "/ok"
    // will not reach us (a wrong token, another program reading the bot's updates).
    QString pollFailure;
    while (!token.isCancelled() && self && self->d->shouldRepeatTelegramAlerts()) {
        const TelegramAlertAttempt attempt = co_await Private::sendCurrentTelegramIncidentAlert(self, token);
        if (token.isCancelled() || !self)
            co_return;
        std::chrono::seconds wait = 5s;
        if (attempt.sent) {
            failures = 0;
            if (!self->d->m_telegramRepliesSince.isValid() && attempt.sentAt)
                self->d->m_telegramRepliesSince = *attempt.sentAt;
            if (!pollFailure.isEmpty())
                self->d->m_telegram->setStatusMessage(pollFailure);
        } else {
            // 10, 20, 40, then 60 s between failed sends; one success brings back 5 s.
            failures = std::min(failures, 3) + 1;
            wait = std::min<std::chrono::seconds>(5s * (1 << failures), 60s);
        }
        // A bot that is sending too much is told how long to keep quiet.
        wait = std::max(wait, attempt.retryAfter);
        if (!co_await scheduler->sleep(wait, token))
            co_return;
        if (token.isCancelled() || !self || !self->d->shouldRepeatTelegramAlerts())
            co_return;
        // Without a token (the keyring could not give it) there is nothing to read
        // replies with; the status line keeps saying why.
        const TelegramAlertConfiguration saved = self->d->savedTelegramConfiguration();
        if (!saved.isValid())
            continue;
        bool acknowledged = false;
        std::exception_ptr pollError;
        try {
            acknowledged = co_await service->hasAcknowledgement(saved.botToken, saved.chatID,
                                                                self->d->m_telegramRepliesSince, token);
        } catch (...) {
            pollError = std::current_exception();
        }
        if (token.isCancelled() || !self)
            co_return;
        if (acknowledged) {
            // Cancels this very run through the alert slot.
            self->acknowledgeLocationSafetyAlarm();
            co_return;
        }
        if (!pollError) {
            pollFailure.clear();
            continue;
        }
        //: Telegram alerts status line. %1 is the error's description.
        const QString failure =
            tr("Couldn’t check Telegram for your reply: %1").arg(PlannerTexts::errorDescription(pollError));
        if (failure != pollFailure)
            self->logEvent(failure, TrackerLogLevel::warning);
        pollFailure = failure;
        self->d->m_telegram->setStatusMessage(failure);
        const std::chrono::seconds pause = retryAfterOf(pollError);
        if (pause > 0s && !co_await scheduler->sleep(pause, token))
            co_return;
    }
}

QCoro::Task<LocationPlannerViewModel::Private::TelegramAlertAttempt>
LocationPlannerViewModel::Private::sendCurrentTelegramIncidentAlert(QPointer<LocationPlannerViewModel> self,
                                                                    CancelToken token)
{
    if (self->d->m_telegramTokenReadFailure) {
        co_await Private::rereadUnreadableTelegramToken(self, token);
        if (!self || token.isCancelled())
            co_return TelegramAlertAttempt{};
    }
    const TelegramAlertConfiguration configuration = self->d->savedTelegramConfiguration();
    if (!self->d->m_telegram->alertsEnabled() || !configuration.isValid() || !self->d->m_hold->telegramIncidentActive())
        co_return TelegramAlertAttempt{};
    TelegramAlertService* service = self->m_deps.telegramAlertService;
    const QString message = self->d->telegramIncidentMessage();
    std::exception_ptr error;
    std::optional<QDateTime> sentAt;
    try {
        sentAt = co_await service->send(message, configuration, token);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self || token.isCancelled())
        co_return TelegramAlertAttempt{};
    if (error) {
        //: Telegram alerts status line. %1 is the error's description.
        self->d->m_telegram->setStatusMessage(
            tr("Couldn’t send the Telegram alert: %1").arg(PlannerTexts::errorDescription(error)));
        co_return TelegramAlertAttempt{false, retryAfterOf(error), std::nullopt};
    }
    self->d->m_telegram->setStatusMessage(
        //: Telegram alerts status line (Tools › Telegram alerts).
        tr("The location still isn’t restored. The alert repeats every 5 seconds until you acknowledge it."));
    co_return TelegramAlertAttempt{true, 0s, sentAt};
}

QString LocationPlannerViewModel::Private::telegramIncidentMessage() const
{
    QString device = QStringLiteral("iPhone");
    if (m_lockedHelper)
        device = deviceLabel(*m_lockedHelper);
    else if (m_device->helperStatus().helper)
        device = deviceLabel(*m_device->helperStatus().helper);
    // The device name comes from the iPhone; keep it from crowding out the rest.
    device = cutToUnits(device, 200);
    const QString cause = leadingCharacters(m_telegramIncidentReason, causeLength);
    const QString timestamp = telegramTimestamp();

    const auto compose = [&](const QString& location) {
        return QStringList{
            //: First line of the Telegram incident message.
            tr("Ostrevin: Location interrupted"),
            //: Line of the Telegram incident message.
            tr("iPhone may be using its real location."),
            //: Line of the Telegram incident message. %1 is the device name.
            tr("Device: %1").arg(device),
            //: Line of the Telegram incident message. %1 is the point.
            tr("Location: %1").arg(location),
            //: Line of the Telegram incident message. %1 is the cause.
            tr("Cause: %1").arg(cause),
            //: Line of the Telegram incident message. %1 is the date and time.
            tr("Time: %1").arg(timestamp),
            QString(),
            recoveryWait().isEmpty()
                //: Last line of the Telegram incident message; keep the command /ok unchanged.
                ? tr("Ostrevin is trying to restore the location automatically. Reply /ok to acknowledge.")
                //: Last line of the Telegram incident message while restoring the location needs the administrator
                //: password; keep the command /ok unchanged.
                : tr("Ostrevin waits for Prepare iPhone: it needs the administrator password. Reply /ok to "
                     "acknowledge."),
        }
            .join(QLatin1Char('\n'));
    };
    QString message = compose(Private::telegramPointDescription(m_telegramIncidentPoint));
    if (message.size() > telegramMessageLimit && m_telegramIncidentPoint) {
        // A longer message is refused by the Bot API, so no alert would ever arrive.
        const qsizetype excess = message.size() - telegramMessageLimit;
        const qsizetype nameLength = std::max<qsizetype>(0, m_telegramIncidentPoint->name.size() - excess - 1);
        message = compose(Private::telegramPointDescription(m_telegramIncidentPoint, nameLength));
    }
    return cutToUnits(message, telegramMessageLimit);
}

QString LocationPlannerViewModel::Private::telegramPointDescription(const std::optional<RoutePoint>& point,
                                                                    qsizetype maxNameLength)
{
    if (!point) {
        //: Telegram incident message: the location is not known.
        return tr("unknown");
    }
    QString name = point->name;
    if (maxNameLength >= 0 && name.size() > maxNameLength)
        name = cutToUnits(name, maxNameLength) + QStringLiteral("…");
    return name + QStringLiteral(" (") + QString::asprintf("%.6f, %.6f", point->latitude, point->longitude) +
           QLatin1Char(')');
}

QString LocationPlannerViewModel::Private::telegramTimestamp() const
{
    const QLocale locale;
    const QDateTime local = q.m_deps.clock->wallNow().toLocalTime();
    const bool twelveHour = locale.timeFormat(QLocale::ShortFormat).contains(QLatin1String("ap"), Qt::CaseInsensitive);
    return locale.toString(local, twelveHour ? QStringLiteral("d MMM yyyy, h:mm:ss AP")
                                             : QStringLiteral("d MMM yyyy, HH:mm:ss"));
}

// Settings actions.

QCoro::Task<LocationPlannerViewModel::Private::PersistedTelegramToken>
LocationPlannerViewModel::Private::persistTelegramToken(QPointer<LocationPlannerViewModel> self, QString token)
{
    // A launch-time read still under way must not put back an older token.
    (void)self->d->m_telegramTokenLoadTask.cancel();
    TelegramTokenStore* store = self->m_deps.telegramTokenStore;
    PersistedTelegramToken persisted{token.trimmed(), {}};
    try {
        if (store)
            co_await store->save(token);
    } catch (const TelegramAlertError& failure) {
        if (failure.kind() != TelegramAlertError::Kind::keychain)
            throw;
        persisted.unkept = failure.description();
        if (!persisted.token.isEmpty()) {
            //: Telegram alerts status line, after the reason the token couldn’t be stored.
            persisted.unkept += u' ' + tr("Alerts use the token you entered until you quit Ostrevin.");
        }
    }
    if (self) {
        // Without a keyring to keep it in, the token still works until the app
        // quits: alerts, the test message and the chat lookup must not depend on
        // where it is stored.
        self->d->m_telegramTokenReadFailure.reset();
        self->d->m_savedTelegramBotToken = persisted.token;
    }
    co_return persisted;
}

bool LocationPlannerViewModel::Private::refuseMalformedTelegramToken()
{
    const QString trimmed = m_telegram->botToken().trimmed();
    if (trimmed.isEmpty() || TelegramAlertConfiguration::isWellFormedToken(trimmed))
        return false;
    // Stored, it would replace a working token and read as "alerts are on" while
    // every alert fails.
    //: Telegram alerts status line (Tools › Telegram alerts). Keep the example token unchanged.
    m_telegram->setStatusMessage(tr("This isn’t a bot token: it has the form 123456789:AAE-x_Yz0, digits, a colon, "
                                    "then letters, digits, “_” or “-”. Copy it again from BotFather."));
    return true;
}

void LocationPlannerViewModel::saveTelegramSettings()
{
    if (d->m_telegram->isSaving() || d->refuseMalformedTelegramToken())
        return;
    d->m_telegram->setSaving(true);
    //: Telegram alerts status line (Tools › Telegram alerts).
    d->m_telegram->setStatusMessage(tr("Saving…"));
    Private::saveTelegramSettingsFlow(QPointer(this), d->m_telegram->botToken());
}

QCoro::Task<> LocationPlannerViewModel::Private::saveTelegramSettingsFlow(QPointer<LocationPlannerViewModel> self,
                                                                          QString token)
{
    std::exception_ptr error;
    PersistedTelegramToken persisted;
    try {
        persisted = co_await Private::persistTelegramToken(self, token);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    LocationPlannerViewModel& vm = *self;
    if (error || !persisted.unkept.isEmpty()) {
        const QString description = error ? PlannerTexts::errorDescription(error) : persisted.unkept;
        vm.d->m_telegram->setStatusMessage(description);
        vm.setNotice(description, NoticeKind::problem, DialogOwner::settingsWindow);
        vm.d->m_telegram->setSaving(false);
        co_return;
    }
    vm.setTelegramBotToken(persisted.token);
    if (TelegramAlertConfiguration{vm.d->m_telegram->botToken(), vm.d->m_telegram->chatID()}.isValid()) {
        vm.d->m_telegram->setStatusMessage(vm.d->m_telegram->alertsEnabled()
                                               //: Telegram alerts status line (Tools › Telegram alerts).
                                               ? tr("Telegram alerts are on.")
                                               //: Telegram alerts status line (Tools › Telegram alerts).
                                               : tr("Settings saved. Turn on alerts to use them."));
    } else {
        vm.setTelegramAlertsEnabled(false);
        //: Telegram alerts status line (Tools › Telegram alerts).
        vm.d->m_telegram->setStatusMessage(tr("Enter the bot token and chat ID."));
    }
    vm.d->m_telegram->setSaving(false);
}

void LocationPlannerViewModel::testTelegramAlert()
{
    if (d->m_telegram->isTesting() || d->refuseMalformedTelegramToken())
        return;
    if (!TelegramAlertConfiguration{d->m_telegram->botToken(), d->m_telegram->chatID()}.isValid() ||
        !m_deps.telegramAlertService) {
        //: Telegram alerts status line (Tools › Telegram alerts).
        d->m_telegram->setStatusMessage(tr("Enter the bot token and chat ID."));
        return;
    }
    d->m_telegram->setTesting(true);
    //: Telegram alerts status line (Tools › Telegram alerts).
    d->m_telegram->setStatusMessage(tr("Sending test message…"));
    Private::testTelegramAlertFlow(QPointer(this), d->m_telegram->botToken(), d->m_telegram->chatID());
}

QCoro::Task<> LocationPlannerViewModel::Private::testTelegramAlertFlow(QPointer<LocationPlannerViewModel> self,
                                                                       QString token, QString chatID)
{
    TelegramAlertService* service = self->m_deps.telegramAlertService;
    std::exception_ptr error;
    QString unkept;
    try {
        const PersistedTelegramToken persisted = co_await Private::persistTelegramToken(self, token);
        if (!self)
            co_return;
        unkept = persisted.unkept;
        self->setTelegramBotToken(persisted.token);
        const QString message =
            QStringList{
                //: First line of the Telegram test message.
                tr("Ostrevin: Test message"),
                //: Line of the Telegram test message.
                tr("Telegram alerts are working."),
                //: Line of the Telegram test message. %1 is the date and time.
                tr("Time: %1").arg(self->d->telegramTimestamp()),
            }
                .join(QLatin1Char('\n'));
        // A named value: a temporary inside co_await is not safe with every compiler.
        const TelegramAlertConfiguration configuration{persisted.token, chatID};
        co_await service->send(message, configuration);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        const QString description = PlannerTexts::errorDescription(error);
        self->d->m_telegram->setStatusMessage(withUnkeptToken(description, unkept));
        self->setNotice(description, NoticeKind::problem, DialogOwner::settingsWindow);
        //: Event log entry. %1 is the error's description.
        self->logEvent(tr("Couldn’t send the test message to Telegram: %1").arg(description), TrackerLogLevel::error);
    } else {
        //: Telegram alerts status line (Tools › Telegram alerts).
        self->d->m_telegram->setStatusMessage(withUnkeptToken(tr("Test message sent."), unkept));
        //: Event log entry.
        self->logEvent(tr("Test message sent to Telegram."), TrackerLogLevel::info);
    }
    self->d->m_telegram->setTesting(false);
}

void LocationPlannerViewModel::loadTelegramChatID()
{
    if (d->m_telegram->isLoadingChat() || d->refuseMalformedTelegramToken())
        return;
    if (d->m_telegram->botToken().trimmed().isEmpty() || !m_deps.telegramAlertService) {
        //: Telegram alerts status line (Tools › Telegram alerts).
        d->m_telegram->setStatusMessage(tr("Enter the bot token first."));
        return;
    }
    d->m_telegram->setLoadingChat(true);
    //: Telegram alerts status line (Tools › Telegram alerts).
    d->m_telegram->setStatusMessage(tr("Looking for the latest message to the bot…"));
    Private::loadTelegramChatIDFlow(QPointer(this), d->m_telegram->botToken());
}

QCoro::Task<> LocationPlannerViewModel::Private::loadTelegramChatIDFlow(QPointer<LocationPlannerViewModel> self,
                                                                        QString token)
{
    TelegramAlertService* service = self->m_deps.telegramAlertService;
    std::exception_ptr error;
    QString chatID;
    QString unkept;
    try {
        const PersistedTelegramToken persisted = co_await Private::persistTelegramToken(self, token);
        if (!self)
            co_return;
        unkept = persisted.unkept;
        self->setTelegramBotToken(persisted.token);
        chatID = co_await service->latestPrivateChatID(persisted.token);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        const QString description = PlannerTexts::errorDescription(error);
        self->d->m_telegram->setStatusMessage(withUnkeptToken(description, unkept));
        //: Event log entry. %1 is the error's description.
        self->logEvent(tr("Couldn’t load the Telegram chat ID: %1").arg(description), TrackerLogLevel::error);
    } else {
        self->setTelegramChatID(chatID);
        //: Telegram alerts status line (Tools › Telegram alerts).
        self->d->m_telegram->setStatusMessage(
            withUnkeptToken(tr("Chat ID loaded. You can send a test message now."), unkept));
        //: Event log entry.
        self->logEvent(tr("Telegram chat ID loaded."), TrackerLogLevel::info);
    }
    self->d->m_telegram->setLoadingChat(false);
}

} // namespace ostrevin
