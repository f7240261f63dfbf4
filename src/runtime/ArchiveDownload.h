#pragma once

#include "runtime/PythonBuild.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <optional>

class QNetworkReply;

namespace ostrevin {

/// Downloads the runtime archive straight into a file of the staging folder.
///
/// The pinned size is enforced while the bytes arrive: a server that announces
/// another length, or sends more than the pinned size (or than the cap, where no
/// size is pinned), is cut off at once instead of being allowed to fill the disk.
/// Redirects are followed (release hosts answer with one); anything but a final
/// 200 fails.
class ArchiveDownload : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArchiveDownload)

public:
    /// tooLarge: the size was unknown and the body grew beyond the cap.
    enum class Outcome { running, completed, failed, cancelled, fileError, tooLarge };

    /// expectedBytes: the exact size, or none when only the digest binds the archive;
    /// then sizeCap bytes is the most that is accepted.
    ArchiveDownload(QUrl url, std::optional<qint64> expectedBytes, QString destination,
                    qint64 sizeCap = PythonBuild::unknownSizeCapBytes, QObject* parent = nullptr);
    ~ArchiveDownload() override;

    /// Receives the downloaded fraction (0 to 1), or none when no size is known,
    /// and the bytes received so far; at most one report per 0.1 s.
    using ProgressHandler = std::function<void(std::optional<double> fraction, qint64 receivedBytes)>;
    void setProgressHandler(ProgressHandler handler);

    /// Opens the destination and sends the request. On false the destination could
    /// not be opened (see fileErrorText()) and ended() will not come.
    bool start();
    /// Stops the transfer; ended() follows from the event loop, never from inside this call.
    void cancel();

    Outcome outcome() const { return m_outcome; }
    QString fileErrorText() const { return m_fileErrorText; }

signals:
    void ended();

private:
    void onReadyRead();
    void onProgress(qint64 received, qint64 announced);
    void onFinished();
    /// Ends the transfer with this outcome; ended() is queued.
    void stop(Outcome outcome);
    void failWriting();
    bool announcedLengthAcceptable() const;

    QNetworkAccessManager m_network;
    QUrl m_url;
    std::optional<qint64> m_expectedBytes;
    qint64 m_sizeCap;
    QString m_destination;
    QString m_fileErrorText;
    QFile m_file;
    QPointer<QNetworkReply> m_reply;
    ProgressHandler m_progress;
    QElapsedTimer m_sinceReport;
    qint64 m_written = 0;
    Outcome m_outcome = Outcome::running;
};

} // namespace ostrevin
