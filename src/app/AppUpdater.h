#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace ostrevin {

/// Offers newer releases. Only a build with an https update feed offers updates
/// at all; a check fetches the feed without blocking and with a time-out, compares
/// the newest item's version with ours and reports it, so that the window can offer
/// to open its https page. It never downloads or runs anything itself.
class AppUpdater : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppUpdater)

public:
    struct Configuration {
        /// The feed as configured; checks are offered only when isAvailable(feed).
        QString feed;
        QString currentVersion;
        /// The longest a check may take, however steadily the feed trickles in.
        std::chrono::milliseconds timeout{20000};
        /// Largest feed read; a longer answer fails the check.
        qint64 maximumFeedBytes = 1 << 20;

        /// The feed and version of this build.
        static Configuration fromBuild();
    };

    struct Result {
        enum class Kind { upToDate, available, failed };
        Kind kind = Kind::failed;
        /// available: the newer release's version as shown, and its https page.
        QString version;
        QUrl page;
        /// failed: why, for the user.
        QString message;
    };

    AppUpdater(Configuration configuration, QNetworkAccessManager* network, QObject* parent = nullptr);
    ~AppUpdater() override;

    /// The feed text begins exactly with "https://" (case-sensitive, untrimmed).
    static bool isAvailable(const QString& feed);
    bool isAvailable() const { return isAvailable(m_configuration.feed); }

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

    /// Makes checks possible when updates are available; later calls change nothing.
    void start();
    /// Starts a user-initiated check; ignored while one runs or before start().
    void checkForUpdates();

    /// The check's outcome from the feed's bytes; public for tests of the rules.
    static Result evaluate(const QByteArray& feed, const QString& currentVersion);

signals:
    void canCheckForUpdatesChanged();
    void checkFinished(const AppUpdater::Result& result);

private:
    void setCanCheckForUpdates(bool value);
    void finishCheck();
    /// Fetches any URL; isAvailable() has vetted the configured one.
    void fetch(const QUrl& url);
    friend struct AppUpdaterTestAccess;

    Configuration m_configuration;
    QNetworkAccessManager* m_network;
    bool m_started = false;
    bool m_canCheckForUpdates = false;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
};

} // namespace ostrevin
