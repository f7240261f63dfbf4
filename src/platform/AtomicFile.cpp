#include "platform/AtomicFile.h"

#include <QSaveFile>
#include <cerrno>
#include <unistd.h>

namespace ostrevin {

namespace {

/// The reason of a failed step. Qt's own text is used when it names one;
/// otherwise (Qt says "Unknown error" for some failures) the system's words
/// for the error number the failing call left.
QString reasonOf(const QSaveFile& file, int errorNumber)
{
    const QString text = file.errorString();
    if (file.error() != QFileDevice::NoError && !text.isEmpty() && text != u"Unknown error")
        return text;
    if (errorNumber != 0)
        return qt_error_string(errorNumber);
    return text.isEmpty() ? qt_error_string(EIO) : text;
}

} // namespace

std::optional<QString> AtomicFile::write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return reasonOf(file, errno);
    const auto fail = [&file](int errorNumber) {
        const QString reason = reasonOf(file, errorNumber);
        file.cancelWriting();
        return reason;
    };
    errno = 0;
    if (file.write(bytes) != bytes.size())
        return fail(errno);
    // Whatever still sits in Qt's buffer must reach the file before commit(),
    // which would otherwise ignore a failed flush.
    errno = 0;
    if (!file.flush())
        return fail(errno);
    // The data must be on the disk before the rename makes it the file: a
    // delayed allocation can still fail here (ENOSPC, EIO). A file system that
    // cannot sync (EINVAL) is no failure.
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != EROFS)
        return fail(errno);
    errno = 0;
    if (!file.commit())
        return reasonOf(file, errno);
    return std::nullopt;
}

} // namespace ostrevin
