#include "app/AppUpdater.h"

#include "BuildConfig.h"
#include "app/UpdateFeed.h"
#include "platform/ServiceEndpoints.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace ostrevin {

AppUpdater::Configuration AppUpdater::Configuration::fromBuild()
{
    Configuration configuration;
    configuration.feed = QString::fromUtf8(BuildConfig::updateFeedURL);
    configuration.currentVersion = QString::fromUtf8(BuildConfig::version);
    return configuration;
}

AppUpdater::AppUpdater(Configuration configuration, QNetworkAccessManager* network, QObject* parent)
    : QObject(parent), m_configuration(std::move(configuration)), m_network(network)
{
    // Qt's transfer time-out restarts with every byte: a feed that trickles in
    // would keep the check (and its disabled menu item) going for hours.
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_reply)
            m_reply->abort();
    });
}

AppUpdater::~AppUpdater()
{
    if (m_reply)
        m_reply->abort();
}

bool AppUpdater::isAvailable(const QString& feed)
{
    const QUrl url(feed, QUrl::StrictMode);
    return feed.startsWith(QStringLiteral("https://")) && url.isValid() && !url.host().isEmpty();
}

void AppUpdater::start()
{
    if (m_started || !isAvailable())
        return;
    m_started = true;
    setCanCheckForUpdates(true);
}

void AppUpdater::checkForUpdates()
{
    if (!m_canCheckForUpdates)
        return;
    fetch(QUrl(m_configuration.feed, QUrl::StrictMode));
}

void AppUpdater::fetch(const QUrl& url)
{
    setCanCheckForUpdates(false);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, ServiceEndpoints::userAgent());
    // A feed that moved to a plain-http address is not followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > m_configuration.maximumFeedBytes && m_reply)
            m_reply->abort();
    });
    connect(m_reply, &QNetworkReply::finished, this, &AppUpdater::finishCheck);
    m_deadline.start(m_configuration.timeout);
}

void AppUpdater::finishCheck()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    m_deadline.stop();
    reply->deleteLater();
    Result result;
    const QByteArray body = reply->readAll();
    if (reply->error() != QNetworkReply::NoError || body.size() > m_configuration.maximumFeedBytes) {
        //: Message after a failed update check.
        result.message = tr("Couldn’t check for updates. Check your internet connection and try again.");
    } else {
        result = evaluate(body, m_configuration.currentVersion);
    }
    setCanCheckForUpdates(true);
    emit checkFinished(result);
}

AppUpdater::Result AppUpdater::evaluate(const QByteArray& feed, const QString& currentVersion)
{
    Result result;
    bool wellFormed = false;
    const std::optional<UpdateFeed::Item> newest = UpdateFeed::newest(UpdateFeed::parse(feed, &wellFormed));
    if (!wellFormed || !newest) {
        //: Message after an update check whose feed could not be read.
        result.message = tr("The update information couldn’t be read. Try again later.");
        return result;
    }
    if (UpdateFeed::compareVersions(newest->version, currentVersion) <= 0) {
        result.kind = Result::Kind::upToDate;
        return result;
    }
    if (newest->page.scheme() != QStringLiteral("https") || newest->page.host().isEmpty()) {
        //: Message after an update check whose newer release has no secure web page.
        result.message = tr("A newer version exists, but its download page isn’t a secure address.");
        return result;
    }
    result.kind = Result::Kind::available;
    result.version = newest->displayVersion;
    result.page = newest->page;
    return result;
}

void AppUpdater::setCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    emit canCheckForUpdatesChanged();
}

} // namespace ostrevin
