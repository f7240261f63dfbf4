#include "platform/PrivateTempFolder.h"

#include <QFile>
#include <QUuid>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrevin {

namespace {

QString failure(const char* what, const QString& path)
{
    return QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path, QString::fromLocal8Bit(std::strerror(errno)));
}

enum class LooseMode { tighten, refuse };

std::optional<QString> inspect(const QString& path, LooseMode looseMode)
{
    // Inspect and tighten through one descriptor opened without following links,
    // so the folder checked is the folder changed.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOTDIR || errno == ELOOP ? QStringLiteral("%1 is not a folder").arg(path)
                                                  : failure("cannot open", path);
    struct stat info {};
    std::optional<QString> problem;
    if (::fstat(fd, &info) != 0)
        problem = failure("cannot inspect", path);
    else if (info.st_uid != ::geteuid())
        problem = QStringLiteral("%1 belongs to another user").arg(path);
    else if ((info.st_mode & 07777) != 0700 && looseMode == LooseMode::refuse)
        problem =
            QStringLiteral("%1 has mode %2, not 0700").arg(path).arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    else if ((info.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        problem = failure("cannot restrict", path);
    ::close(fd);
    return problem;
}

} // namespace

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
    return fromTmpdir();
}

PrivateTempFolder PrivateTempFolder::fromTmpdir()
{
    QString tmp = qEnvironmentVariable("TMPDIR");
    if (tmp.isEmpty())
        tmp = QStringLiteral("/tmp");
    while (tmp.size() > 1 && tmp.endsWith(u'/'))
        tmp.chop(1);
    return PrivateTempFolder(tmp + u"/ostrevin-" + QString::number(::geteuid()));
}

std::optional<QString> PrivateTempFolder::prepare() const
{
    if (::mkdir(QFile::encodeName(m_path).constData(), 0700) != 0 && errno != EEXIST)
        return failure("cannot create", m_path);
    return inspect(m_path, LooseMode::tighten);
}

std::optional<QString> PrivateTempFolder::notOwnOnly(QString path)
{
    // Through a trailing slash, a link in the last place would be followed.
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return inspect(path, LooseMode::refuse);
}

std::optional<QString> PrivateTempFolder::newFilePath(const QString& prefix, const QString& suffix) const
{
    if (prepare())
        return std::nullopt;
    return m_path + u'/' + prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + suffix;
}

} // namespace ostrevin
