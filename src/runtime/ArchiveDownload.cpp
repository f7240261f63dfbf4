#include "runtime/ArchiveDownload.h"

#include "BuildConfig.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>

namespace ostrevin {

namespace {

constexpr qint64 progressIntervalMs = 100;
// Only a stalled transfer is given up; a slow one may take as long as it needs.
constexpr int stallTimeoutMs = 60'000;

} // namespace

ArchiveDownload::ArchiveDownload(QUrl url, std::optional<qint64> expectedBytes, QString destination, qint64 sizeCap,
                                 QObject* parent)
    : QObject(parent), m_url(std::move(url)), m_expectedBytes(expectedBytes), m_sizeCap(sizeCap),
      m_destination(std::move(destination))
{
}

ArchiveDownload::~ArchiveDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply.data();
    }
}

void ArchiveDownload::setProgressHandler(ProgressHandler handler)
{
    m_progress = std::move(handler);
}

bool ArchiveDownload::start()
{
    m_file.setFileName(m_destination);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_outcome = Outcome::fileError;
        //: Add-on component installation error. %1 is a file path, %2 the system's reason.
        m_fileErrorText = tr("Couldn’t create “%1”: %2").arg(m_destination, m_file.errorString());
        return false;
    }
    QNetworkRequest request(m_url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QString(u"Ostrevin/" + QString::fromLatin1(BuildConfig::version)));
    request.setTransferTimeout(stallTimeoutMs);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &ArchiveDownload::onReadyRead);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &ArchiveDownload::onProgress);
    connect(m_reply, &QNetworkReply::finished, this, &ArchiveDownload::onFinished);
    return true;
}

void ArchiveDownload::cancel()
{
    if (m_outcome == Outcome::running)
        stop(Outcome::cancelled);
}

bool ArchiveDownload::announcedLengthAcceptable() const
{
    // A server that announces another length is not sending the pinned archive.
    const QVariant announced = m_reply->header(QNetworkRequest::ContentLengthHeader);
    return !(announced.isValid() && m_expectedBytes && announced.toLongLong() != *m_expectedBytes);
}

void ArchiveDownload::onReadyRead()
{
    if (m_outcome != Outcome::running)
        return;
    const QByteArray chunk = m_reply->readAll();
    // The body of an error answer is not the archive; the finish reports the failure.
    if (m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return;
    if (!announcedLengthAcceptable()) {
        stop(Outcome::failed);
        return;
    }
    if (m_expectedBytes && m_written + chunk.size() > *m_expectedBytes) {
        stop(Outcome::failed);
        return;
    }
    if (!m_expectedBytes && m_written + chunk.size() > m_sizeCap) {
        stop(Outcome::tooLarge);
        return;
    }
    if (m_file.write(chunk) != chunk.size()) {
        failWriting();
        return;
    }
    m_written += chunk.size();
}

void ArchiveDownload::onProgress(qint64 received, qint64 announced)
{
    if (m_outcome != Outcome::running || !m_progress)
        return;
    if (m_sinceReport.isValid() && m_sinceReport.elapsed() <= progressIntervalMs)
        return;
    m_sinceReport.start();
    const qint64 total = announced >= 1 ? announced : m_expectedBytes.value_or(0);
    // Without any size the bytes alone show that the download moves.
    if (total < 1)
        m_progress(std::nullopt, received);
    else
        m_progress(std::min(1.0, static_cast<double>(received) / static_cast<double>(total)), received);
}

void ArchiveDownload::onFinished()
{
    if (m_outcome != Outcome::running)
        return;
    // The last bytes may come with the finish.
    onReadyRead();
    if (m_outcome != Outcome::running)
        return;
    bool ok = m_reply->error() == QNetworkReply::NoError &&
              m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200 &&
              announcedLengthAcceptable();
    if (ok && !m_file.flush()) {
        failWriting();
        return;
    }
    m_file.close();
    if (ok && m_expectedBytes)
        ok = QFileInfo(m_destination).size() == *m_expectedBytes;
    stop(ok ? Outcome::completed : Outcome::failed);
}

void ArchiveDownload::failWriting()
{
    //: Add-on component installation error. %1 is a file path, %2 the system's reason.
    m_fileErrorText = tr("Couldn’t write “%1”: %2").arg(m_destination, m_file.errorString());
    stop(Outcome::fileError);
}

void ArchiveDownload::stop(Outcome outcome)
{
    m_outcome = outcome;
    m_file.close();
    if (m_reply) {
        m_reply->disconnect(this);
        if (m_reply->isRunning())
            m_reply->abort();
        m_reply->deleteLater();
        m_reply.clear();
    }
    QMetaObject::invokeMethod(this, &ArchiveDownload::ended, Qt::QueuedConnection);
}

} // namespace ostrevin
