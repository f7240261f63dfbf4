#include "platform/PrivateTempFolder.h"

#include <QFile>
#include <QUuid>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrevin {

PrivateTempFolder::PrivateTempFolder(QString path) : m_path(std::move(path))
{
}

PrivateTempFolder PrivateTempFolder::fromEnvironment()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty()) {
        struct stat info {};
        if (::stat(QFile::encodeName(runtimeDir).constData(), &info) == 0 && S_ISDIR(info.st_mode))
            return PrivateTempFolder(runtimeDir + u"/ostrevin");
    }
    QString tmp = qEnvironmentVariable("TMPDIR");
    if (tmp.isEmpty())
        tmp = QStringLiteral("/tmp");
    while (tmp.size() > 1 && tmp.endsWith(u'/'))
        tmp.chop(1);
    return PrivateTempFolder(tmp + u"/ostrevin-" + QString::number(::geteuid()));
}

std::optional<QString> PrivateTempFolder::prepare() const
{
    const QByteArray path = QFile::encodeName(m_path);
    const auto failure = [this](const char* what) {
        return QStringLiteral("%1 %2: %3")
            .arg(QLatin1String(what), m_path, QString::fromLocal8Bit(std::strerror(errno)));
    };
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return failure("cannot create");
    // Inspect and tighten through one descriptor opened without following links,
    // so the folder checked is the folder changed.
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOTDIR || errno == ELOOP ? QStringLiteral("%1 is not a folder").arg(m_path)
                                                  : failure("cannot open");
    struct stat info {};
    std::optional<QString> problem;
    if (::fstat(fd, &info) != 0)
        problem = failure("cannot inspect");
    else if (info.st_uid != ::geteuid())
        problem = QStringLiteral("%1 belongs to another user").arg(m_path);
    else if ((info.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        problem = failure("cannot restrict");
    ::close(fd);
    return problem;
}

std::optional<QString> PrivateTempFolder::newFilePath(const QString& prefix, const QString& suffix) const
{
    if (prepare())
        return std::nullopt;
    return m_path + u'/' + prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + suffix;
}

} // namespace ostrevin
